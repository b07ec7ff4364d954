#!/usr/bin/env bash
# Runs each libFuzzer target of a fuzz build for a while, seeded from the checked-in corpus and
# its own growing corpus in the build folder (the log readers also from the logs of tests/logs/),
# within a memory limit; prints executions and findings per target.
#   run_fuzzers.sh <fuzz build dir> <seconds per target> <target>...
# With MERGE=1 it instead merges each build corpus into the checked-in one (new coverage only).
set -u
build=$1 seconds=$2
shift 2
source_corpus=$(cd "$(dirname "$0")" && pwd)/corpus
logs=$(cd "$(dirname "$0")/../logs" && pwd)/other_loggers
found=0

for target in "$@"; do
  fuzzer=$build/tests/fuzz/fuzz_$target
  work=$build/corpus/$target findings=$build/findings/$target log=$build/logs/$target.log
  mkdir -p "$work" "$findings" "$source_corpus/$target" "$(dirname "$log")"
  if [ "${MERGE:-0}" = 1 ]; then
    "$fuzzer" -merge=1 "$source_corpus/$target" "$work" >"$log" 2>&1
    echo "$target: $(ls "$source_corpus/$target" | wc -l) corpus files"
    continue
  fi
  before=$(ls "$findings" | wc -l)
  seeds=()
  case $target in log_readers | *_reader) seeds=("$logs") ;; esac
  "$fuzzer" "$work" "$source_corpus/$target" "${seeds[@]}" -max_total_time="$seconds" -max_len=4096 \
    -rss_limit_mb=2048 -malloc_limit_mb=256 \
    -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  new=$(( $(ls "$findings" | wc -l) - before ))
  printf '%-16s %12s executions  %s corpus files  %d findings\n' "$target" "${runs:-?}" \
    "$(ls "$work" | wc -l)" "$new"
  if [ $status -ne 0 ] || [ $new -gt 0 ]; then
    found=1
    echo "  see $log and $findings/; replay: $fuzzer <file>"
    grep -m1 -E 'invariant broken|ERROR: (AddressSanitizer|libFuzzer)|runtime error' "$log" | sed 's/^/  /'
  fi
done
exit $found

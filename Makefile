# make demo  - build Stats.dll, run the host simulator on the sample contest under Wine and check
#              the plug-in's Cabrillo file with zelk-check, then cross-check a simulated
#              60-station contest that includes that log with zelk-crosscheck
# make test  - build both builds and run every test (native, sanitizers, Wine)
# make serve - run zelk-server on 127.0.0.1:8080 for the sample contest (data in SERVE_DIR), until Ctrl-C
# make dll   - build build/win32/Stats.dll only
# make bench - run the benchmarks (native)
# make soak  - run the soak benchmark of the host's thread under Wine: SOAK_SECONDS per run (default
#              60) with the windows closed and open, SOAK_BUSY busy threads beside it (default 2)
# make fuzz  - build the fuzz targets with clang and run each for FUZZ_SECONDS (default 180)
# make fuzz-corpus - merge what `make fuzz` found into the checked-in corpus (new coverage only)
# make screenshots - save the participant's pages in English and Ukrainian, at a desktop's and a
#              390 px phone's width, and the committee's pages, into docs/screenshots (zelk-server
#              with demo data, headless Chromium)
# make dist  - build the release package dist/zelk-stats-<version>.zip (version from CMakeLists.txt)

SHELL := /bin/bash
export MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)
DEMO_DIR := demo-output
SERVE_DIR ?= serve-data
SERVE_DEADLINE ?= $(shell date -u -d '+7 days' '+%Y-%m-%d %H:%M')
FUZZ_SECONDS ?= 180
SOAK_SECONDS ?= 60
SOAK_BUSY ?= 2
FUZZ_TARGETS := district_list plugin_sequence reports header_values log_readers cabrillo_reader adif_reader adx_reader

.PHONY: screenshots serve deps dll native native-asan win32 test test-native test-asan test-win32 demo bench soak fuzz fuzz-build fuzz-corpus dist clean

deps:
	@scripts/install-deps.sh

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

native-asan: deps
	cmake --preset native-asan >/dev/null
	cmake --build --preset native-asan -j $(JOBS)

win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)

dll: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS) --target Stats

test-native: native
	ctest --preset native -j $(JOBS)

test-asan: native-asan
	ctest --preset native-asan -j $(JOBS)

test-win32: win32
	scripts/with-display.sh ctest --preset win32

test: test-native test-asan test-win32

demo: dll
	cmake --build --preset win32 -j $(JOBS) --target host_simulator zelk-check
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS) --target zelk-crosscheck zelk-contest-sim zelk-server zelk-mail-sink
	scripts/with-display.sh scripts/run-demo.sh build/win32 $(DEMO_DIR) build/native
	scripts/run-server-demo.sh build/native $(DEMO_DIR)

serve: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS) --target zelk-server
	build/native/server/zelk-server --data $(SERVE_DIR) --districts samples/zelk.txt \
		--start "2017-05-05 21:00" --end "2017-05-06 03:00" --deadline "$(SERVE_DEADLINE)" --listen 127.0.0.1:8080

screenshots: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS) --target zelk-server zelk-check-worker zelk-contest-sim zelk-mail-sink
	/usr/bin/python3 tools/site_screenshots.py --build build/native --samples samples --output docs/screenshots
	/usr/bin/python3 tests/browser/committee_browser_test.py --server build/native/server/zelk-server \
		--mail-sink build/native/tools/mail_sink/zelk-mail-sink --samples samples --screenshots docs/screenshots

bench: native
	build/native/bench/stats_bench
	build/native/bench/crosscheck/crosscheck_bench
	bench/cost_logs.py build/native
	build/native/bench/server/upload_rush --server build/native/server/zelk-server --samples samples
	build/native/bench/server/client_load --server build/native/server/zelk-server --samples samples

soak: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS) --target host_soak
	scripts/with-display.sh cmake/wine-run.sh $(CURDIR)/build/win32/wineprefix build/win32/host_soak.exe \
		--seconds $(SOAK_SECONDS) --busy $(SOAK_BUSY)

fuzz-build: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS) $(addprefix --target fuzz_,$(FUZZ_TARGETS))

fuzz: fuzz-build
	tests/fuzz/run_fuzzers.sh build/fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

fuzz-corpus: fuzz-build
	MERGE=1 tests/fuzz/run_fuzzers.sh build/fuzz 0 $(FUZZ_TARGETS)

# The package is built with the win32 build; its name carries the version the build was configured with.
dist: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS) --target stats_dist
	mkdir -p dist
	version=$$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt) && \
	  cp build/win32/zelk-stats-$$version.zip dist/ && echo "dist/zelk-stats-$$version.zip"

clean:
	rm -rf build $(DEMO_DIR) dist $(SERVE_DIR)

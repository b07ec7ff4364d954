#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine; does nothing when all is there.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

have_cmd cmake || need+=(cmake)
have_cmd g++ || need+=(g++)
have_cmd make || need+=(make)
have_cmd python3 || need+=(python3)
have_pkg googletest || need+=(googletest)
have_pkg libgtest-dev || need+=(libgtest-dev)
have_pkg libgmock-dev || need+=(libgmock-dev)
have_pkg libbenchmark-dev || need+=(libbenchmark-dev)
have_pkg libboost1.81-dev || need+=(libboost1.81-dev)
have_pkg libcli11-dev || need+=(libcli11-dev)
have_pkg libtbb-dev || need+=(libtbb-dev)  # zelk-crosscheck reads and scores logs on every core
# zelk-server: HTTP, SQLite, libsodium (argon2id, random), OpenSSL (SHA-256), JSON; its browser test drives Chromium.
have_cmd pkg-config || need+=(pkg-config)
have_cmd curl || need+=(curl)
have_pkg libcpp-httplib-dev || need+=(libcpp-httplib-dev)
have_pkg libsqlite3-dev || need+=(libsqlite3-dev)
have_pkg libsodium-dev || need+=(libsodium-dev)
have_pkg libssl-dev || need+=(libssl-dev)
have_pkg nlohmann-json3-dev || need+=(nlohmann-json3-dev)
have_pkg libcurl4-openssl-dev || need+=(libcurl4-openssl-dev)  # the site's mail goes out by SMTP through libcurl
have_pkg chromium || need+=(chromium)
have_pkg chromium-driver || need+=(chromium-driver)
have_pkg python3-selenium || need+=(python3-selenium)
have_pkg time || need+=(time)  # /usr/bin/time: bench/cost_logs.py measures each run through it
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have_cmd Xvfb || need+=(xvfb)
have_cmd wine || need+=(wine)
have_pkg wine32:i386 || need+=(wine32:i386)
# make fuzz: clang and its libFuzzer and sanitizer runtimes (libclang_rt.fuzzer is in -rt-dev).
have_cmd clang++-14 || need+=(clang-14)
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)

[ ${#need[@]} -eq 0 ] && exit 0

echo "Installing: ${need[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${need[@]}" >/dev/null

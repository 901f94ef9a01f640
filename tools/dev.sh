#!/usr/bin/env bash
# Norvale developer entry point.
#   tools/dev.sh run     install what is missing, build (Release) and start the program
#   tools/dev.sh test    install what is missing, build and run every test (then again under sanitizers)
#   tools/dev.sh bench   build and run the benchmarks
#   tools/dev.sh fuzz [seconds]   run the engine fuzzer (default 60 s)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

packages=(cmake ninja-build g++ clang-14 libclang-rt-14-dev qt6-base-dev qt6-svg-dev libgl-dev
          fonts-wqy-microhei fonts-liberation libbenchmark-dev xvfb xauth)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

jobs=$(nproc 2>/dev/null || echo 2)

configure_release() {
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DNORVALE_BUILD_BENCH=ON >/dev/null
}

configure_asan() {
  cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DNORVALE_SANITIZE=ON -DNORVALE_BUILD_BENCH=OFF >/dev/null
}

case "${1:-}" in
  run)
    install_missing
    configure_release
    cmake --build build/release --target norvale -j "$jobs"
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      echo "No display found: starting Norvale on a virtual screen (xvfb-run)."
      exec xvfb-run -a -s "-screen 0 1366x768x24" build/release/app/norvale
    fi
    exec build/release/app/norvale
    ;;
  test)
    install_missing
    configure_release
    cmake --build build/release -j "$jobs"
    (cd build/release && ctest --output-on-failure -j "$jobs")
    echo "== The same suite under AddressSanitizer and UndefinedBehaviorSanitizer =="
    configure_asan
    cmake --build build/asan -j "$jobs"
    (cd build/asan && ctest --output-on-failure -j "$jobs" -LE exhaustive)
    ;;
  bench)
    install_missing
    configure_release
    cmake --build build/release -j "$jobs"
    for b in build/release/bench/*/norvale_bench_*; do
      [ -x "$b" ] && "$b" --benchmark_min_time=0.2
    done
    ;;
  fuzz)
    install_missing
    seconds=${2:-60}
    configure_asan
    cmake --build build/asan --target norvale_fuzz_engine -j "$jobs"
    mkdir -p build/asan/fuzz-corpus
    build/asan/fuzz/norvale_fuzz_engine -max_len=32766 -max_total_time="$seconds" \
      -dict=fuzz/engine.dict build/asan/fuzz-corpus fuzz/seeds
    ;;
  *)
    sed -n '2,7p' "$0"
    exit 2
    ;;
esac

#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs the demo or the tests.
#   ./build.sh test      build and run the whole test suite (ctest)
#   ./build.sh demo      build, generate a demo ERP and run a silent proposal
#   ./build.sh build     build only
#   ./build.sh sanitize  build into build-sanitize/ with ASan+UBSan and test
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

packages=(g++ cmake ninja-build pkg-config qt6-base-dev libqt6sql6-sqlite
  libqt6sql6-odbc tdsodbc unixodbc libsqliteodbc libsimpleini-dev
  libgtest-dev sqlite3 clang libclang-rt-14-dev)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

configure_and_build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

run_demo() {
  if [ -x "$root/tools/demo.sh" ]; then
    "$root/tools/demo.sh" "$root/build"
  else
    echo "The demonstration needs the replenishment engine, which is not built yet."
  fi
}

cmd=${1:-test}
case "$cmd" in
  test)
    install_missing
    configure_and_build build
    cd build && ctest --output-on-failure -j "$(nproc)"
    ;;
  demo)
    install_missing
    configure_and_build build
    run_demo
    ;;
  build)
    install_missing
    configure_and_build build
    ;;
  sanitize)
    install_missing
    configure_and_build build-sanitize -DVOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      ctest --output-on-failure -j "$(nproc)"
    ;;
  *)
    echo "usage: $0 [test|demo|build|sanitize]" >&2
    exit 2
    ;;
esac

#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs the demo or the tests.
#   ./build.sh demo      build the program only, generate a demo ERP and run a
#                        silent proposal on it
#   ./build.sh test      build everything and run the whole test suite (ctest)
#   ./build.sh build     build everything, run nothing
#   ./build.sh package   build the program and write build/vorencomendas_<version>_amd64.deb
#   ./build.sh sanitize  build into build-sanitize/ with ASan+UBSan and test
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

# What building and running the program needs (sqlite3 prints the demo's
# summary, aiosmtpd is the demo's local mail server, qt6-translations-l10n
# the Portuguese texts of Qt's dialogs, libmimalloc-dev the program's
# allocator, libisal-dev the workbooks' deflate); the package adds dpkg-dev; the tests add the rest.
program_packages=(g++ cmake ninja-build pkg-config qt6-base-dev
  libqt6sql6-sqlite libqt6sql6-odbc tdsodbc unixodbc libsimpleini-dev sqlite3
  libsqlite3-dev zlib1g-dev libcurl4-openssl-dev python3-aiosmtpd
  qt6-translations-l10n libmimalloc-dev libisal-dev)
package_packages=(dpkg-dev)
test_packages=(libgtest-dev libsqliteodbc clang libclang-rt-14-dev dpkg-dev
  python3-openpyxl python3-aiosmtpd openssl)

# install_missing <package>...
install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# configure <build dir> <cmake option>...
configure() {
  local dir=$1
  shift
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$root" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
}

configure_and_build() {
  configure "$@"
  cmake --build "$1" -j "$(nproc)"
}

# The sanitizer build: clang with AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer, every report fatal, and the libFuzzer targets;
# the whole suite runs there, each fuzz target for VOR_FUZZ_SECONDS (default
# 20). Reports of every process, the program's runs included, are collected
# in build-sanitize/sanitizer-reports/: any report fails the command.
run_sanitized() {
  local dir=build-sanitize
  # A folder configured with another compiler is configured anew.
  if [ -f "$dir/CMakeCache.txt" ] &&
    ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++' "$dir/CMakeCache.txt"; then
    rm -rf "$dir"
  fi
  configure_and_build "$dir" -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
    -DVOR_SANITIZE=ON -DVOR_FUZZ=ON -DVOR_FUZZ_SECONDS="${VOR_FUZZ_SECONDS:-20}"
  local reports="$root/$dir/sanitizer-reports"
  rm -rf "$reports"
  mkdir -p "$reports"
  local status=0
  (
    cd "$dir"
    export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/asan"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
    # The sanitized program runs some four times slower: a quarter of the
    # kill test's ERP keeps its run at about a second, as in build/.
    export VOR_KILL_ARTICLES="${VOR_KILL_ARTICLES:-2000}"
    ctest --output-on-failure -j "$(nproc)"
  ) || status=$?
  # LeakSanitizer writes "Unable to get registers from thread N" when a
  # thread of the checked process ends while the checker stops the world;
  # that is no finding about the code, so a file holding nothing else goes.
  for f in "$reports"/*; do
    [ -f "$f" ] || continue
    grep -qv 'Unable to get registers from thread' "$f" || rm -f "$f"
  done
  if [ -n "$(ls -A "$reports")" ]; then
    echo "Sanitizer reports:"
    for f in "$reports"/*; do
      echo "== $f"
      cat "$f"
    done
    status=1
  else
    echo "Sanitizer reports: 0"
  fi
  return $status
}

run_demo() {
  if [ -x "$root/tools/demo.sh" ]; then
    "$root/tools/demo.sh" "$root/build"
  else
    echo "The demonstration needs the replenishment engine, which is not built yet."
  fi
}

# The program and the demo ERP generator only (and the targets named), in a
# build folder whose other targets (tests, benchmarks) stay as they are; a
# later test or build configures them back in.
build_program() {
  configure build -DVOR_BUILD_TESTS=OFF
  cmake --build build -j "$(nproc)" --target vorencomendas vor-demo-erp "$@"
}

cmd=${1:-test}
case "$cmd" in
  test)
    install_missing "${program_packages[@]}" "${test_packages[@]}"
    configure_and_build build -DVOR_BUILD_TESTS=ON
    cd build && ctest --output-on-failure -j "$(nproc)"
    ;;
  demo)
    install_missing "${program_packages[@]}"
    build_program
    run_demo
    ;;
  build)
    install_missing "${program_packages[@]}" "${test_packages[@]}"
    configure_and_build build -DVOR_BUILD_TESTS=ON
    ;;
  package)
    install_missing "${program_packages[@]}" "${package_packages[@]}"
    build_program vor_man_page
    rm -f build/vorencomendas_*_amd64.deb
    (cd build && cpack -G DEB >/dev/null)
    ls build/vorencomendas_*_amd64.deb
    ;;
  sanitize)
    install_missing "${program_packages[@]}" "${test_packages[@]}"
    run_sanitized
    ;;
  *)
    echo "usage: $0 [demo|test|build|package|sanitize]" >&2
    exit 2
    ;;
esac

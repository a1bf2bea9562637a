#!/usr/bin/env bash
# Builds Corvane and runs every test headless.
#   scripts/test.sh            normal build (build/)
#   scripts/test.sh asan       AddressSanitizer + UBSan build (build-asan/)
#   scripts/test.sh tsan       ThreadSanitizer build of the engine tests (build-tsan/)
# Extra arguments after the preset go to ctest (for example -R Text). CORVANE_JOBS caps the build jobs.
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${1:-default}"
[ $# -gt 0 ] && shift

bash scripts/install-deps.sh

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
# Tests on explicitly: scripts/run.sh configures the same tree without them.
cmake --preset "$preset" -DCORVANE_WERROR=$werror -DCORVANE_BUILD_TESTS=ON >/dev/null
cmake --build --preset "$preset" -j"${CORVANE_JOBS:-$(nproc)}"

export QT_QPA_PLATFORM=offscreen
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
CORVANE_HOME="$(mktemp -d -t corvane-home.XXXXXX)"
export CORVANE_HOME
trap 'rm -rf "$CORVANE_HOME"' EXIT

case "$preset" in
  tsan) export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" ;;
  asan) export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" ;;
esac

ctest --preset "$preset" "$@"

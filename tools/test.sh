#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds both toolchains and runs every test of both builds under
# Wine and Xvfb, in one ctest run whose summary counts them all. It says first, in one line, how
# this machine runs the shipped 32-bit build: natively; emulated by qemu-user (registered here,
# as root, where the kernel refuses 32-bit code), with the tests' time limits stretched by the
# measured slowdown; or not at all, when its runs are reported as skipped, with the reason.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

# Milliseconds that a fixed amount of CPU-bound work (the pattern cases, sixty times over) takes
# in a build, the program's start included.
pace() {
  local start
  start=$(date +%s%N)
  timeout 600 "$top/build/$1/wine-run.sh" "$top/build/$1/tests/logic_test.exe" \
    --gtest_filter='Pattern.*' --gtest_repeat=60 > /dev/null 2>&1 || true
  echo $((($(date +%s%N) - start) / 1000000))
}

on_screen() {
  bash "$top/tools/wine-prefix.sh"
  # Each build's first start does what Wine does once per prefix and display, before anything
  # is timed.
  for build in $builds; do
    timeout 600 "$top/build/$build/wine-run.sh" "$top/build/$build/tests/logic_test.exe" --gtest_list_tests > /dev/null ||
      echo "The $build build's first test program did not start." >&2
  done
  # The tests' time limits were tuned where both builds run at native speed. Where the 32-bit
  # one runs slower (emulated), they stretch by how much slower the same code runs in it than in
  # the 64-bit build here; pauses do not, so a passing test takes no longer for it.
  if [ -n "${FENDREL_WAIT_FACTOR:-}" ]; then
    echo "Time limits in the tests stretched by $FENDREL_WAIT_FACTOR (FENDREL_WAIT_FACTOR, as set)."
  elif [ "$builds" != x86_64 ]; then
    local slow fast
    slow=$(pace i686)
    fast=$(pace x86_64)
    FENDREL_WAIT_FACTOR=$(((slow + fast / 2) / (fast > 0 ? fast : 1)))
    [ "$FENDREL_WAIT_FACTOR" -ge 1 ] || FENDREL_WAIT_FACTOR=1
    echo "Time limits in the tests stretched by $FENDREL_WAIT_FACTOR: the same test case took $slow ms" \
      "in the 32-bit build and $fast ms in the 64-bit one."
  fi
  export FENDREL_WAIT_FACTOR=${FENDREL_WAIT_FACTOR:-1}
  cd "$top/build"
  ctest --output-on-failure -j2 --timeout 900
}
# This script again, on the virtual screen below: the prefix's first start and the tests.
if [ "${1:-}" = --on-screen ]; then
  on_screen
  exit
fi

bash "$top/tools/setup.sh"
# Before anything starts a 32-bit program: the prefix's first start runs some.
kind=$(bash "$top/tools/runs-32-bit.sh" --register) || true
echo "The shipped 32-bit build runs here: $kind"
bash "$top/tools/build.sh"
builds="x86_64"
skip=""
case "$kind" in
  native:* | emulated:*) builds="i686 x86_64" ;;
  *)
    echo "This machine cannot run 32-bit programs under Wine: the shipped 32-bit build's tests are skipped."
    skip='add_test(i686.all_skipped_as_this_machine_cannot_run_32_bit_programs sh -c "exit 77")
set_tests_properties(i686.all_skipped_as_this_machine_cannot_run_32_bit_programs PROPERTIES SKIP_RETURN_CODE 77)'
    ;;
esac
{
  echo "subdirs($builds)"
  echo "$skip"
  # The README's commands must never hang on what an interrupted run left behind: this one
  # starts the prefix's server again while it runs, so nothing else may run beside it.
  echo "add_test(readme_commands_start_over_what_a_run_left sh -c \"timeout 60 bash '$top/tools/wine-prefix.sh'\")"
  echo "set_tests_properties(readme_commands_start_over_what_a_run_left PROPERTIES RUN_SERIAL ON)"
} > "$top/build/CTestTestfile.cmake"

status=0
# One virtual screen for the prefix's first start and for the tests, so that whatever Wine sets
# up on its first run with a display is done before the first test is timed.
export builds
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$top/tools/test.sh" --on-screen || status=$?
WINEPREFIX="$top/build/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
exit $status

#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds both toolchains and runs every test of both builds under
# Wine and Xvfb, in one ctest run whose summary counts them all. Where the machine cannot run
# 32-bit programs, the 32-bit build's runs are reported as skipped, with the reason.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh"
bash "$top/tools/build.sh"
builds="x86_64"
skip=""
if bash "$top/tools/runs-32-bit.sh"; then
  builds="i686 x86_64"
else
  export FENDREL_NO_32_BIT=1
  echo "This machine cannot run 32-bit programs under Wine: the shipped 32-bit build's tests are skipped."
  skip='add_test(i686.all_skipped_as_this_machine_cannot_run_32_bit_programs sh -c "exit 77")
set_tests_properties(i686.all_skipped_as_this_machine_cannot_run_32_bit_programs PROPERTIES SKIP_RETURN_CODE 77)'
fi
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
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -e
  bash "$1/tools/wine-prefix.sh"
  for build in $2; do
    timeout 600 "$1/build/$build/wine-run.sh" "$1/build/$build/tests/scan_session_test.exe" --gtest_list_tests \
      > /dev/null || true
  done
  cd "$1/build"
  ctest --output-on-failure -j2 --timeout 900
' run-tests "$top" "$builds" || status=$?
WINEPREFIX="$top/build/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
exit $status

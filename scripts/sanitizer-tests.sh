#!/usr/bin/env bash
# The threaded and GUI tests once more under ThreadSanitizer.
set -euo pipefail
if [ "${VORLANE_SKIP_SANITIZERS:-0}" = 1 ]; then exit 0; fi
cmake --preset tsan >/dev/null
cmake --build build-tsan -j "${JOBS:-2}"
export TSAN_OPTIONS="suppressions=$(pwd)/tests/tsan.supp second_deadlock_stack=1"
cd build-tsan && ctest --output-on-failure -L threads -j "${JOBS:-2}"

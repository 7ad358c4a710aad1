#!/usr/bin/env bash
# The threaded and GUI tests once more under ThreadSanitizer; only their programs are built.
set -euo pipefail
if [ "${VORLANE_SKIP_SANITIZERS:-0}" = 1 ]; then exit 0; fi
cmake --preset tsan >/dev/null
cmake --build build-tsan -j "${JOBS:-2}" --target threaded_tests
cd build-tsan && ctest --output-on-failure -L "threads|gui" -j "${JOBS:-2}"

#!/usr/bin/env bash
# The threaded, GUI and end-to-end tests once more under ThreadSanitizer; only their programs
# (and the program itself, for the end-to-end tests) are built.
set -euo pipefail
if [ "${VORLANE_SKIP_SANITIZERS:-0}" = 1 ]; then exit 0; fi
cmake --preset tsan >/dev/null
cmake --build build-tsan -j "${JOBS:-2}" --target threaded_tests vorlane-shichen e2e_settings_writer
cd build-tsan && ctest --output-on-failure -L "threads|gui|e2e" -j "${JOBS:-2}"

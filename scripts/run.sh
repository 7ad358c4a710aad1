#!/usr/bin/env bash
# Starts the program; on a machine without a display, on a virtual one.
set -euo pipefail
exe="$(pwd)/build/bin/vorlane-shichen"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe"
fi
exec bash scripts/headless-run.sh "$exe"

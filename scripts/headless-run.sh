#!/usr/bin/env bash
# With no display: runs the program on a virtual display, saves a screenshot of its main
# window, then closes it as a user would.
set -euo pipefail
exe="$1"
shot="$(pwd)/build/screenshot.png"
workdir="$(dirname "$exe")"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# Openbox announces itself before its event loop runs, and a window mapped meanwhile is never
# shown: it is ready once it has carried out a request (a number of desktops nothing else sets).
for _ in $(seq 100); do
  xprop -root _NET_NUMBER_OF_DESKTOPS 2>/dev/null | grep -q '= 7$' && break
  wmctrl -n 7 2>/dev/null || true
  sleep 0.1
done

(cd "$workdir" && "$exe") &
app=$!

# The first start shows the help window first; Esc closes it.
title_help="此窗口仅第一次使用出现 需再次打开点击帮助"
title_main="Vorlane时辰提醒工具"
for _ in $(seq 100); do
  if win=$(xdotool search --name "^${title_main}\$" 2>/dev/null | head -n1) && [ -n "$win" ]; then break; fi
  if help=$(xdotool search --name "^${title_help}\$" 2>/dev/null | head -n1) && [ -n "$help" ]; then
    xdotool windowactivate --sync "$help" key Escape 2>/dev/null || xdotool key --window "$help" Escape
  fi
  sleep 0.2
done
sleep 1.5
import -window "$win" -frame "$shot" 2>/dev/null || import -window "$win" "$shot"
echo "The main window ran on the virtual display $display; its screenshot is $shot"
wmctrl -i -c "$win" 2>/dev/null || true
wait "$app"

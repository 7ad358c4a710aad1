#!/usr/bin/env bash
# Start-up time and memory of the program against a bare Qt 6 Widgets window of the same size,
# both measured in the same run on one virtual display (Xvfb with openbox), alternating.
#
#   bench/startup.sh [build dir] [runs of each]     (build, 10)
#
# Time: from just before fork() to the MapNotify of the window with the expected title, seen by
# bench_startup_watch (an Xlib client listening on the root window). Memory: VmRSS (and PSS)
# of the process 2 s after that. The program runs from a temporary run directory with a
# temporary HOME, as a second start: its settings file already holds 第一次启动=1, so no help
# window comes first, and one start before the measured ones has written the alarm file and
# the desktop shortcut.
#
# One more variant runs in the same rounds to tell where the difference goes: "text", the bare
# window showing a line of Chinese (a CJK font is found and loaded). Prints every run, then
# medians with min-max and the ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
runs=${2:-10}
settle=2

cmake --build "$build" --target vorlane-shichen bench_bare_window bench_startup_watch \
  -j "${JOBS:-2}" >/dev/null

work=$(mktemp -d)
display=:$((150 + RANDOM % 100))
cleanup() {
  kill "${wm:-}" "${xvfb:-}" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
openbox >/dev/null 2>&1 &
wm=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done

export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME QT_QPA_PLATFORM SDL_AUDIODRIVER
mkdir -p "$HOME" "$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cp "$build/bin/"{vorlane-shichen,bench_bare_window} "$work/run/"
printf '[设置]\r\n第一次启动=1\r\n' | iconv -f UTF-8 -t GBK >"$work/run/Vorlane时辰提醒.ini"
cd "$work/run"

watch="$build/bin/bench_startup_watch"
real_title="Vorlane时辰提醒工具"
programs=(bare real text)
measure() { # program
  case $1 in
    bare) "$watch" bareWindow "$settle" ./bench_bare_window ;;
    text) "$watch" bareWindow "$settle" ./bench_bare_window --text ;;
    real) "$watch" "$real_title" "$settle" ./vorlane-shichen ;;
  esac
}

# One start of each that is not counted: files written, caches warm.
for p in "${programs[@]}"; do measure "$p" >/dev/null; done

# Each round starts with another program, so that none always follows the same one.
results=$work/results
: >"$results"
for i in $(seq "$runs"); do
  for k in "${!programs[@]}"; do
    p=${programs[$(((i + k) % ${#programs[@]}))]}
    line=$(measure "$p")
    echo "$p $line" | tee -a "$results"
  done
done

# Medians (the mean of the middle two for an even count) with min and max.
stats() { # program field
  awk -v p="$1" -v f="$2" '$1 == p { for (i = 2; i <= NF; i++) { split($i, kv, "=");
      if (kv[1] == f) print kv[2] } }' "$results" | sort -g | awk '
    { v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
      printf "%s %s %s\n", m, v[1], v[NR] }'
}
median() { # program field
  stats "$1" "$2" | cut -d' ' -f1
}
echo
printf '%-8s %-22s %-22s %-22s\n' "" "map (ms)" "VmRSS (MB)" "PSS (MB)"
for p in "${programs[@]}"; do
  read -r tm tlo thi < <(stats "$p" map_ms)
  read -r rm rlo rhi < <(stats "$p" vmrss_kb)
  read -r pm plo phi < <(stats "$p" pss_kb)
  awk -v p="$p" -v tm="$tm" -v tlo="$tlo" -v thi="$thi" -v rm="$rm" -v rlo="$rlo" -v rhi="$rhi" \
    -v pm="$pm" -v plo="$plo" -v phi="$phi" 'BEGIN {
      printf "%-8s %-22s %-22s %-22s\n", p, sprintf("%.1f (%.1f-%.1f)", tm, tlo, thi),
        sprintf("%.1f (%.1f-%.1f)", rm / 1024, rlo / 1024, rhi / 1024),
        sprintf("%.1f (%.1f-%.1f)", pm / 1024, plo / 1024, phi / 1024) }'
done
echo
awk -v bt="$(median bare map_ms)" -v rt="$(median real map_ms)" -v xt="$(median text map_ms)" \
  -v br="$(median bare vmrss_kb)" -v rr="$(median real vmrss_kb)" \
  -v xr="$(median text vmrss_kb)" 'BEGIN {
  printf "time real/bare: %.2fx (goal <= 1.3x: %s)\n", rt / bt, rt / bt <= 1.3 ? "met" : "missed"
  printf "memory real - bare: %.1f MB (goal <= 10 MB: %s)\n", (rr - br) / 1024,
         (rr - br) / 1024 <= 10 ? "met" : "missed"
  printf "of which a line of Chinese text: %+.1f ms, %+.1f MB\n", xt - bt, (xr - br) / 1024
  printf "time real/text: %.2fx\n", rt / xt }'

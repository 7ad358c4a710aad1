#!/usr/bin/env bash
# Runs bench_wakeups under `perf record -e sched:sched_wakeup` and counts, per scenario, how
# often a thread of the benchmark was woken: from outside the process (a timer expiring, an
# interrupt) or by another of its own threads (a call handed to the GUI thread and its answer).
# Needs perf with access to the sched tracepoints (root, or kernel.perf_event_paranoid <= -1).
#
#   bench/perf-wakeups.sh <build dir> [seconds per scenario]
set -euo pipefail
build=${1:?build directory}
seconds=${2:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

perf record -q -k CLOCK_MONOTONIC -e sched:sched_wakeup -a -o "$work/perf.data" -- \
    "$build/bin/bench_wakeups" "$seconds" >"$work/bench.out" 2>/dev/null
grep -v '^span \|^task \|^pid ' "$work/bench.out"
echo
perf script -i "$work/perf.data" -F pid,time,trace 2>/dev/null >"$work/events"

awk -v bench="$work/bench.out" '
BEGIN {
    while ((getline line < bench) > 0) {
        n = split(line, f, " ")
        if (f[1] == "span") {
            w++; from[w] = f[2]; to[w] = f[3]
            name[w] = f[4]; for (i = 5; i <= n; i++) name[w] = name[w] " " f[i]
        } else if (f[1] == "task") {
            ours[f[2]] = 1
        } else if (f[1] == "pid") {
            mainPid = f[2]
        }
    }
}
{
    wakerPid = $1; time = $2 + 0; sub(":", "", $2)
    wakee = ""
    for (i = 3; i <= NF; i++) if ($i ~ /^pid=/) { wakee = substr($i, 5) }
    if (!(wakee in ours)) next
    for (k = 1; k <= w; k++) {
        if (time >= from[k] && time < to[k]) {
            if (wakerPid == mainPid) inside[k]++; else outside[k]++
        }
    }
}
END {
    printf "%-44s %18s %18s\n", "scenario", "from outside /s", "by own threads /s"
    for (k = 1; k <= w; k++) {
        span = to[k] - from[k]
        printf "%-44s %18.2f %18.2f\n", name[k], outside[k] / span, inside[k] / span
    }
}' "$work/events"

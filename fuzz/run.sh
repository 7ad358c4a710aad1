#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ and runs each for a bounded time, starting from
# its seeds in fuzz/corpus/<target>/ (never changed; what the run finds goes to
# build-fuzz/corpus/<target>/, crashes to build-fuzz/artifacts/<target>/). Then measures, in a
# second build (build-fuzz-cov/), which source lines the grown corpus reaches. Prints a table
# of the figures and exits with 1 when a target crashed.
#
#   fuzz/run.sh [seconds per target] [target ...]
#
# Targets: ini text_to_int lists midi_length sound_play (all by default); 60 seconds each by
# default. FUZZ_COVERAGE=0 skips the coverage build, JOBS sets the build's parallelism (2),
# FUZZ_BUILD the build directory (build-fuzz; the coverage build goes beside it, with "-cov").
# FUZZ_SOUND_SKIP lists the signatures of inputs sound_play passes over, comma-separated (none
# by default): a way to look past a known crash of the audio library for others.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(ini text_to_int lists midi_length sound_play)
fi
jobs=${JOBS:-2}
fuzz=${FUZZ_BUILD:-build-fuzz}
cov_build=$fuzz-cov

build() { # build directory, extra CMake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DVORLANE_GUI=OFF -DVORLANE_FUZZ=ON "$@" >/dev/null
  cmake --build "$dir" --target fuzzers -j "$jobs" >/dev/null
}

# Options of each target beyond the time bound.
options() {
  case $1 in
    ini) echo "-max_len=32768" ;; # room for a value beyond the 10,239-byte cut
    midi_length) echo "-dict=fuzz/sound.dict" ;;
    # Decoding is slow (a MIDI file loads the sound font anew): inputs stay small, and one
    # that takes a minute counts as a hang.
    sound_play) echo "-dict=fuzz/sound.dict -max_len=4096 -timeout=60" ;;
    *) echo "" ;;
  esac
}

# Leaks are looked for everywhere but in sound playback: SDL2_mixer 2.6.2 leaks on rejected
# VOC and AIFF files (docs/fuzzing.md).
leaks() {
  if [ "$1" = sound_play ]; then echo 0; else echo 1; fi
}

build "$fuzz"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

status=0
declare -A runs secs cov ft corp crashed
for t in "${targets[@]}"; do
  work=$fuzz/corpus/$t
  artifacts=$fuzz/artifacts/$t
  log=$fuzz/logs/$t.log
  mkdir -p "$work" "$artifacts" "$fuzz/logs"
  echo "fuzzing $t for $seconds s (log: $log)"
  # shellcheck disable=SC2046
  if ASAN_OPTIONS=detect_leaks=$(leaks "$t") VORLANE_FUZZ_SKIP=${FUZZ_SOUND_SKIP-} \
    "$fuzz/bin/fuzz_$t" \
    -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" $(options "$t") "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    crashed[$t]=no
  else
    crashed[$t]="yes: $(ls "$artifacts" | head -n1)"
    status=1
  fi
  runs[$t]=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  secs[$t]=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n1)
  last=$(grep -E '^#[0-9]+[[:space:]].*cov: ' "$log" | tail -n1 || true)
  cov[$t]=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft[$t]=$(sed -n 's/.*ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp[$t]=$(sed -n 's/.*corp: \([0-9]*\)\/.*/\1/p' <<<"$last")
done

# Source lines and branches of our code that the grown corpus reaches.
declare -A lines
if [ "${FUZZ_COVERAGE:-1}" = 1 ]; then
  build "$cov_build" -DVORLANE_FUZZ_COVERAGE=ON
  for t in "${targets[@]}"; do
    profile=$cov_build/$t
    rm -f "$profile".profraw
    # shellcheck disable=SC2046
    LLVM_PROFILE_FILE="$profile.profraw" "$cov_build/bin/fuzz_$t" -runs=0 \
      $(options "$t") "$fuzz/corpus/$t" "fuzz/corpus/$t" >"$profile.log" 2>&1 || true
    llvm-profdata-14 merge -o "$profile.profdata" "$profile.profraw"
    case $t in
      ini) sources=(platform/profile/profile.cpp) ;;
      text_to_int) sources=(core/textRules.cpp) ;;
      lists) sources=(core/reminderLists.cpp) ;;
      midi_length) sources=(platform/sound/midiLength.cpp) ;;
      sound_play) sources=(platform/sound/sound.cpp platform/sound/flacCheck.cpp
        platform/sound/midiLength.cpp) ;;
    esac
    llvm-cov-14 report "$cov_build/bin/fuzz_$t" -instr-profile="$profile.profdata" \
      "${sources[@]}" >"$profile.report"
    # The report names the files by their shortest distinguishing path.
    lines[$t]=$(awk -v files="${sources[*]}" '
      function endsWith(s, end) { return length(s) >= length(end) && substr(s, length(s) - length(end) + 1) == end }
      BEGIN { n = split(files, f, " ") }
      $1 ~ /\.cpp$/ { for (i = 1; i <= n; i++) if (endsWith(f[i], $1) || endsWith($1, f[i]))
          printf "%s%s lines %s, branches %s", (out++ ? "; " : ""), f[i], $10, $13 }' \
      "$profile.report")
  done
fi

echo
printf '%-12s %10s %6s %6s %7s %7s  %-8s %s\n' target executions secs cov ft corpus crashed \
  "source coverage"
for t in "${targets[@]}"; do
  printf '%-12s %10s %6s %6s %7s %7s  %-8s %s\n' "$t" "${runs[$t]:-?}" "${secs[$t]:-?}" \
    "${cov[$t]:-?}" "${ft[$t]:-?}" "${corp[$t]:-?}" "${crashed[$t]}" "${lines[$t]:-}"
done
exit $status

#!/usr/bin/env bash
# Memory-safety check: builds everything with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (plus the fuzzer's coverage) into build-harden/, runs every test
# there (the integration suites too, with their own Icecast and PulseAudio), then runs every
# fuzz target for a short time from its corpus. Any sanitizer report, failed test or fuzz finding fails the script.
#   KESTREL_HARDEN_DIR    build folder (build-harden/)
#   KESTREL_FUZZ_SECONDS  time per fuzz target (20)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTREL_HARDEN_DIR:-$top/build-harden}
seconds=${KESTREL_FUZZ_SECONDS:-20}
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug \
    -DKESTREL_BUILD_TESTS=ON -DKESTREL_BUILD_BENCH=OFF -DKESTREL_BUILD_FUZZ=ON \
    -DCMAKE_C_FLAGS="$sanitize" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $sanitize" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" -DCMAKE_SHARED_LINKER_FLAGS="$sanitize" >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen
echo "== tests under the sanitizers"
(cd "$build" && ctest --output-on-failure -j"$(nproc)" -LE 'integration|packaging')
# The threaded paths (real Icecast, players, PulseAudio, the window) with leak checking on.
# No leak inside Qt, libpulse or fontconfig shows here, so nothing is suppressed.
echo "== integration suites under the sanitizers"
(cd "$build" && ctest --output-on-failure -L integration)

echo "== fuzz smoke, ${seconds} s per target"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dict_of() {
    case $1 in
    fuzz_listline | fuzz_listfile | fuzz_clipboard) echo listline ;;
    fuzz_probe | fuzz_pump) echo stream ;;
    fuzz_linkextract | fuzz_recordingname | fuzz_songs) echo "" ;;
    *) echo "${1#fuzz_}" ;;
    esac
}
failed=()
for target in "$build"/fuzz/fuzz_*; do
    [ -x "$target" ] && [ -f "$target" ] || continue
    name=$(basename "$target")
    args=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1
          -artifact_prefix="$scratch/$name-")
    dict=$(dict_of "$name")
    [ -n "$dict" ] && args+=(-dict="$top/fuzz/$dict.dict")
    [ "$name" = fuzz_pump ] && args+=(-max_len=16384)
    mkdir -p "$scratch/$name"
    if ! "$target" "${args[@]}" "$scratch/$name" "$top/fuzz/corpus/$name" \
        >"$scratch/$name.log" 2>&1; then
        failed+=("$name")
        # The report from its first line (the stack into our code), else the log's end.
        report='==ERROR|runtime error|property violated|deadly signal|timeout after|out-of-memory'
        first=$(grep -m1 -n -E "$report" "$scratch/$name.log" | cut -d: -f1 || true)
        if [ -n "$first" ]; then
            sed -n "${first},$((first + 40))p" "$scratch/$name.log"
        else
            tail -n 60 "$scratch/$name.log"
        fi
        for a in "$scratch/$name"-*; do
            [ -f "$a" ] && echo "input ($a):" && od -c "$a" | head -n 20
        done
    fi
    echo "$name: $(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$scratch/$name.log" | grep -Eo '[0-9]+$' || echo '?') runs, $(grep -Eo 'cov: [0-9]+' "$scratch/$name.log" | tail -n 1)"
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz findings in: ${failed[*]}"
    exit 1
fi

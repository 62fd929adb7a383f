#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds per target, default 60]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev
build fuzz
seconds="${1:-60}"
corpus="$ROOT/build/fuzz/corpus"
for target in fuzz_settings fuzz_words fuzz_numbers; do
    mkdir -p "$corpus/$target"
    seeds="$ROOT/tests/data/fuzz/$target"
    echo "== $target, $seconds s"
    "$ROOT/build/fuzz/fuzz/$target" -max_total_time="$seconds" -max_len=4096 \
        -artifact_prefix="$ROOT/build/fuzz/$target-" "$corpus/$target" ${seeds:+$( [ -d "$seeds" ] && echo "$seeds")}
done

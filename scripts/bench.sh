#!/usr/bin/env bash
# Builds the benchmarks and runs each under Wine, printing its figures.
# Usage: bench.sh [page-display rounds] [start-up runs]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
bash "$K2_ROOT/scripts/setup.sh" >/dev/null
k2_configure

benches=()
for src in "$K2_ROOT"/bench/*.cpp; do
    benches+=("$(basename "$src" .cpp)")
done
cmake --build "$K2_CROSS" -j"$(nproc)" --target K2 "${benches[@]}" >/dev/null

# The start-up benchmark starts a copy of K2.exe in a folder of its own, where
# its data folder is made, alternately with the floor program.
run_dir="$K2_BUILD/bench-run"
rm -rf "$run_dir" && mkdir -p "$run_dir"
cp "$K2_CROSS/app/K2.exe" "$run_dir/K2.exe"
cp "$K2_CROSS/bench/tray_floor.exe" "$run_dir/tray_floor.exe"
k2_exe="Z:$(printf '%s' "$run_dir/K2.exe" | tr '/' '\\')"
floor_exe="Z:$(printf '%s' "$run_dir/tray_floor.exe" | tr '/' '\\')"

commands=
for name in "${benches[@]}"; do
    case "$name" in
        page_display) args="${1:-}" ;;
        startup_time) args="'$k2_exe' '$floor_exe' ${2:-}" ;;
        *) args= ;;
    esac
    commands+="echo '== $name'; wine '$K2_CROSS/bench/$name.exe' $args; "
done
# Output of Windows programs is code page 932.
bash "$K2_ROOT/scripts/wine-session.sh" "$commands" | iconv -f CP932 -t UTF-8

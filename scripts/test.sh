#!/usr/bin/env bash
# Sets up, builds and runs every test under Wine.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
bash "$K2_ROOT/scripts/setup.sh"
k2_configure
cmake --build "$K2_CROSS" -j"$(nproc)"
bash "$K2_ROOT/scripts/wine-session.sh" \
    "cd '$K2_CROSS' && ctest --output-on-failure --timeout 300 ${K2_CTEST_ARGS:-}"

#!/usr/bin/env bash
# Runs a command inside one Xvfb display with one warmed-up, persistent
# wineserver, then stops the server. Usage: wine-session.sh COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
k2_wine_locale
export K2_SESSION_CMD="$*"
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c '
    wineserver -p
    wine wineboot >/dev/null 2>&1 || true
    status=0
    eval "$K2_SESSION_CMD" || status=$?
    wineserver -k >/dev/null 2>&1 || true
    exit $status
'

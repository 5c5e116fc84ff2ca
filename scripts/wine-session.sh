#!/usr/bin/env bash
# Runs a command inside one Xvfb display with a warmed-up, persistent
# wineserver for each test condition's prefix, then stops the servers.
# Usage: wine-session.sh COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
k2_wine_locale
export K2_SESSION_CMD="$*"
# The other conditions' prefixes get servers of their own, in their locales.
K2_CONDITION_PREFIXES=
while read -r name locale _; do
    prefix=$(k2_condition_prefix "$name")
    if [ "$prefix" != "$WINEPREFIX" ] && [ -f "$prefix/.k2-ready" ]; then
        K2_CONDITION_PREFIXES+="$prefix=$locale "
    fi
done < <(k2_conditions)
export K2_CONDITION_PREFIXES
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c '
    # A sound server on a null sink gives Wine mixer devices for the volume
    # tests. Optional: without pulseaudio, or when it fails, the session runs
    # without mixers (K2_NO_PULSE=1 skips it).
    pulse_dir=
    stop_pulse() {
        [ -n "$pulse_dir" ] || return 0
        pid=$(cat "$pulse_dir/pulse/pid" 2>/dev/null) || pid=
        if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        fi
        rm -rf "$pulse_dir"
        pulse_dir=
    }
    trap stop_pulse EXIT
    if [ -z "${K2_NO_PULSE:-}" ] && command -v pulseaudio >/dev/null 2>&1; then
        pulse_dir=$(mktemp -d "${TMPDIR:-/tmp}/k2pulse.XXXXXX" 2>/dev/null) || pulse_dir=
        if [ -n "$pulse_dir" ] && XDG_RUNTIME_DIR="$pulse_dir" timeout 20 pulseaudio --daemonize \
                --exit-idle-time=-1 -n --load="module-null-sink sink_name=nullsink" \
                --load="module-native-protocol-unix" >/dev/null 2>&1; then
            export XDG_RUNTIME_DIR="$pulse_dir"
        else
            stop_pulse
        fi
    fi

    for_each_prefix() {
        "$@"
        for entry in $K2_CONDITION_PREFIXES; do
            WINEPREFIX=${entry%%=*} LANG=${entry#*=} LC_ALL=${entry#*=} "$@"
        done
    }
    start_server() { wineserver -p && { wine wineboot >/dev/null 2>&1 || true; }; }
    stop_server() { wineserver -k >/dev/null 2>&1 || true; }
    for_each_prefix start_server
    status=0
    eval "$K2_SESSION_CMD" || status=$?
    for_each_prefix stop_server
    exit $status
'

#!/usr/bin/env bash
# Sets up, builds and starts the launcher under Wine.
#
# With $DISPLAY set it appears on that display (its window starts hidden: the
# tray icon brings it up, as does Ctrl+0). Without a display it runs on a
# private Xvfb screen and writes a screenshot of it to $K2_BUILD/screenshot.png.
# Runs until the launcher ends or Ctrl+C; Ctrl+C ends it as at log-off, so it
# still saves its settings and data (in $K2_BUILD/run/data).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

bash "$K2_ROOT/scripts/setup.sh"
k2_configure
cmake --build "$K2_CROSS" -j"$(nproc)" --target K2

run_dir="$K2_BUILD/run"
screenshot="$K2_BUILD/screenshot.png"
mkdir -p "$run_dir"
cp "$K2_CROSS/app/K2.exe" "$run_dir/K2.exe"
k2_wine_locale

xvfb_pid=""
k2_pid=""
cleanup() {
    trap - INT TERM
    if [ -n "$k2_pid" ] && kill -0 "$k2_pid" 2>/dev/null; then
        echo "run: ending the launcher"
        # End the Wine session as a log-off would: the launcher closes without
        # asking and writes its files.
        timeout 20 wine wineboot --end-session >/dev/null 2>&1 || true
        for _ in $(seq 100); do kill -0 "$k2_pid" 2>/dev/null || break; sleep 0.1; done
    fi
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ]; then
    display=""
    for n in $(seq 90 199); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
    done
    [ -n "$display" ] || { echo "run: no free X display number" >&2; exit 1; }
    setsid Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$display" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || { echo "run: Xvfb did not start" >&2; exit 1; }
        sleep 0.1
    done
    [ -e "/tmp/.X11-unix/X$display" ] || { echo "run: Xvfb :$display is not answering" >&2; exit 1; }
    export DISPLAY=":$display"
    echo "run: no display set; running on Xvfb $DISPLAY"
fi

# Its own session: Ctrl+C in this terminal must not kill the launcher (nor the
# wineserver it starts, nor Xvfb) before cleanup() has ended it properly.
(cd "$run_dir" && exec setsid wine K2.exe) &
k2_pid=$!
echo "run: K2.exe started from $run_dir (Ctrl+C ends it)"

if [ -n "$xvfb_pid" ]; then
    # The window starts hidden: bring it up from the tray icon for the picture.
    sleep 5
    if bash "$K2_ROOT/scripts/screenshot.sh" --show "$screenshot"; then
        echo "run: screenshot of the Xvfb screen written to $screenshot"
        echo "run: look at it with any image viewer (e.g.  display '$screenshot'  or a browser);"
        echo "run: to use the launcher itself, run this script in a desktop session (DISPLAY set)"
    else
        echo "run: could not write a screenshot" >&2
    fi
fi

status=0
wait "$k2_pid" || status=$?
k2_pid=""
echo "run: the launcher ended (exit code $status)"
exit "$status"

#!/usr/bin/env bash
# Writes a screenshot of $DISPLAY to a PNG file. With --show it first
# double-clicks the launcher's icon in Wine's own tray window (the one Wine
# shows when the display has no tray of its own, as on Xvfb), which brings the
# hidden launcher window up. Usage: screenshot.sh [--show] OUTPUT.png
set -euo pipefail

show=0
if [ "${1:-}" = "--show" ]; then show=1; shift; fi
out="${1:?usage: screenshot.sh [--show] OUTPUT.png}"
[ -n "${DISPLAY:-}" ] || { echo "screenshot: DISPLAY is not set" >&2; exit 1; }

if [ "$show" = 1 ]; then
    # Plain X11 and the XTest extension through ctypes: nothing to install.
    python3 - <<'PY' || echo "screenshot: could not click the tray icon; the window may stay hidden" >&2
import ctypes, sys, time
from ctypes import POINTER, byref, c_char_p, c_int, c_uint, c_ulong, c_void_p

try:
    x11 = ctypes.CDLL("libX11.so.6")
    xtst = ctypes.CDLL("libXtst.so.6")
except OSError as error:
    sys.exit(f"screenshot: {error}")
x11.XOpenDisplay.restype = c_void_p
x11.XOpenDisplay.argtypes = [c_char_p]
x11.XDefaultRootWindow.restype = c_ulong
x11.XDefaultRootWindow.argtypes = [c_void_p]
x11.XQueryTree.argtypes = [c_void_p, c_ulong, POINTER(c_ulong), POINTER(c_ulong),
                           POINTER(POINTER(c_ulong)), POINTER(c_uint)]
x11.XFetchName.argtypes = [c_void_p, c_ulong, POINTER(c_char_p)]
x11.XGetGeometry.argtypes = [c_void_p, c_ulong, POINTER(c_ulong), POINTER(c_int), POINTER(c_int),
                             POINTER(c_uint), POINTER(c_uint), POINTER(c_uint), POINTER(c_uint)]
x11.XFlush.argtypes = [c_void_p]
x11.XCloseDisplay.argtypes = [c_void_p]
xtst.XTestFakeMotionEvent.argtypes = [c_void_p, c_int, c_int, c_int, c_ulong]
xtst.XTestFakeButtonEvent.argtypes = [c_void_p, c_uint, c_int, c_ulong]

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("screenshot: cannot open the display")

def tray_geometry():
    root, parent, count = c_ulong(), c_ulong(), c_uint()
    children = POINTER(c_ulong)()
    x11.XQueryTree(display, x11.XDefaultRootWindow(display), byref(root), byref(parent),
                   byref(children), byref(count))
    for i in range(count.value):
        name = c_char_p()
        if x11.XFetchName(display, children[i], byref(name)) and name.value == b"Wine System Tray":
            x, y = c_int(), c_int()
            width, height, border, depth = c_uint(), c_uint(), c_uint(), c_uint()
            x11.XGetGeometry(display, children[i], byref(root), byref(x), byref(y), byref(width),
                             byref(height), byref(border), byref(depth))
            return x.value, y.value, height.value
    return None

# The tray window appears a moment after the first icon is added.
for _ in range(50):
    tray = tray_geometry()
    if tray:
        break
    time.sleep(0.1)
else:
    sys.exit("screenshot: no Wine tray window on the display")
# The first icon sits at the left of the tray's client area, below its title bar.
x, y, height = tray
xtst.XTestFakeMotionEvent(display, -1, x + 13, y + height - 13, 0)
x11.XFlush(display)
time.sleep(0.2)
for _ in range(2):
    xtst.XTestFakeButtonEvent(display, 1, 1, 0)
    xtst.XTestFakeButtonEvent(display, 1, 0, 0)
    x11.XFlush(display)
    time.sleep(0.05)
x11.XCloseDisplay(display)
PY
    sleep 1
fi

import -window root "$out"

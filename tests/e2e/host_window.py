#!/usr/bin/env python3
"""Maps a plain X window with no children, as a screen saver daemon's
preview is, prints its id in hex and keeps it until killed.

  host_window.py X Y WIDTH HEIGHT
"""
import ctypes
import ctypes.util
import signal
import sys

X = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
X.XOpenDisplay.restype = ctypes.c_void_p
X.XOpenDisplay.argtypes = [ctypes.c_char_p]
X.XDefaultRootWindow.restype = ctypes.c_ulong
X.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
X.XCreateSimpleWindow.restype = ctypes.c_ulong
X.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
X.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
X.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]


def main(argv):
    if len(argv) != 5:
        raise SystemExit(__doc__)
    x, y, width, height = (int(v) for v in argv[1:])
    display = X.XOpenDisplay(None)
    if not display:
        raise SystemExit("cannot open the display")
    # Grey, so that a picture drawn here is told apart from an empty window.
    window = X.XCreateSimpleWindow(display, X.XDefaultRootWindow(display), x, y, width, height, 0, 0, 0x808080)
    X.XMapWindow(display, window)
    X.XSync(display, 0)
    print("0x%x" % window, flush=True)
    signal.sigwait({signal.SIGTERM, signal.SIGINT})


if __name__ == "__main__":
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM, signal.SIGINT})
    main(sys.argv)

#!/usr/bin/env python3
# Times the window path as a user sees it, under a running X server (Xvfb):
# from start to the first picture on screen, and from a key press in the
# terminal to the next picture.  Usage: DISPLAY=:N window_latency.py build/surfplot
# It watches the root window's pixels through Xlib, so the numbers include
# the polling, a fraction of a millisecond per look.
import ctypes, subprocess, time, os, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XGetImage.restype = ctypes.c_void_p
x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x.XGetPixel.restype = ctypes.c_ulong
x.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
x.XDestroyImage = None
d = x.XOpenDisplay(os.environ["DISPLAY"].encode())
root = x.XDefaultRootWindow(d)
def pixel(px, py):
    img = x.XGetImage(d, root, px, py, 1, 1, 0xFFFFFFFF, 2)
    return x.XGetPixel(img, 0, 0) if img else None
env = dict(os.environ, SDL_VIDEODRIVER="x11")
r, w = os.pipe()
t0 = time.perf_counter()
p = subprocess.Popen([sys.argv[1]], stdin=r, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
while pixel(0, 0) in (None, 0):
    if time.perf_counter() - t0 > 5: print("timeout"); break
first = time.perf_counter() - t0
print("first picture after %.1f ms" % (first * 1000))

time.sleep(0.3)

# The last glyph of the title changes from "1" to "2" with the next picture.
cx = 1919 // 2 + 2 + 8 * 12 // 2 - 8  # left of last glyph
def glyph_sig():
    return tuple(pixel(cx + i, 3 + j) for i in range(8) for j in range(8))
before = glyph_sig()
t1 = time.perf_counter()
os.write(w, b"k")
while glyph_sig() == before:
    if time.perf_counter() - t1 > 5: print("timeout2"); break
print("key to next picture %.1f ms (incl. polling cost)" % ((time.perf_counter() - t1) * 1000))
os.write(w, b"k" * 11)
os.close(w)
p.wait()
print("exit", p.returncode)

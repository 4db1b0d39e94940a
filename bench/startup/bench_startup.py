#!/usr/bin/env python3
"""Start-up time and idle memory of voice-player under Xvfb.

Start-up time runs from just before the process is spawned until the X
server maps its window (a MapNotify on the root, so no polling skews the
figure). Peak resident memory is the process's VmHWM after a second idle.
Each run gets fresh runtime and temp folders so the single-instance lock of
one run never meets another. Linux only: it reads /proc.

usage: bench_startup.py PATH/TO/voice-player [runs]
"""
import ctypes
import os
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


class X:
    """Just enough of Xlib to wait for a window to be mapped."""

    def __init__(self, display):
        self.lib = ctypes.CDLL("libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XDefaultRootWindow.restype = ctypes.c_ulong
        self.lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.lib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.lib.XPending.argtypes = [ctypes.c_void_p]
        self.lib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.lib.XConnectionNumber.argtypes = [ctypes.c_void_p]
        self.lib.XFlush.argtypes = [ctypes.c_void_p]
        self.dpy = self.lib.XOpenDisplay(display.encode())
        if not self.dpy:
            sys.exit(f"cannot open display {display}")
        root = self.lib.XDefaultRootWindow(self.dpy)
        self.lib.XSelectInput(self.dpy, root, SUBSTRUCTURE_NOTIFY_MASK)
        self.lib.XFlush(self.dpy)
        self.fd = self.lib.XConnectionNumber(self.dpy)
        self.event = (ctypes.c_long * 24)()

    def wait_for_map(self, timeout):
        """Seconds on the monotonic clock when the next top-level window maps."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while self.lib.XPending(self.dpy):
                self.lib.XNextEvent(self.dpy, self.event)
                if self.event[0] & 0xFFFFFFFF == MAP_NOTIFY:
                    return time.monotonic()
            select.select([self.fd], [], [], 0.05)
        return None


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        sys.exit("Xvfb did not start")
    return server, f":{number}"


def peak_rss_mb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def one_run(program, display, x):
    with tempfile.TemporaryDirectory() as runtime, tempfile.TemporaryDirectory() as temp:
        os.chmod(runtime, 0o700)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                   XDG_RUNTIME_DIR=runtime, TMPDIR=temp, SDL_AUDIODRIVER="dummy")
        started = time.monotonic()
        player = subprocess.Popen([program], env=env, stderr=subprocess.DEVNULL)
        mapped = x.wait_for_map(10)
        time.sleep(1)
        rss = peak_rss_mb(player.pid)
        player.send_signal(signal.SIGTERM)
        player.wait()
    if mapped is None:
        sys.exit("the window never appeared")
    return (mapped - started) * 1000, rss


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    server, display = start_xvfb()
    try:
        x = X(display)
        results = [one_run(program, display, x) for _ in range(runs)]
    finally:
        server.terminate()
        server.wait()
    times = [t for t, _ in results]
    rss = [r for _, r in results]
    print(f"start-up to window shown, {runs} runs under Xvfb: median {statistics.median(times):.1f} ms"
          f" (min {min(times):.1f}, max {max(times):.1f}; target <= 200 ms)")
    print(f"peak resident memory of the idle window: median {statistics.median(rss):.1f} MB"
          f" (max {max(rss):.1f}; target <= 60 MB)")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Start-up time and idle memory of voice-player against a bare Qt window.

All programs run under one Xvfb, taking turns, so a busy machine weighs on
each alike. Start-up time runs from just before the process is spawned until
the X server maps its window (a MapNotify on the root, so no polling skews
the figure); the CPU time the process used up to then is read from
/proc/PID/task/*/schedstat, which a busy machine skews less than the wall
clock. Peak resident memory is the process's VmHWM after a second idle.
The bare window also runs with one line of text, to show what the fonts
alone cost. Each run gets fresh runtime and temp folders so the
single-instance lock of one run never meets another. Linux only: it reads
/proc.

usage: bench_startup.py [--runs N] PATH/TO/bench_barewindow PATH/TO/voice-player...
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


def cpu_ms(pid):
    """CPU time of all the process's threads so far."""
    total = 0
    for thread in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{thread}/schedstat") as stat:
                total += int(stat.read().split()[0])
        except OSError:
            pass
    return total / 1e6


def one_run(command, display, x):
    with tempfile.TemporaryDirectory() as runtime, tempfile.TemporaryDirectory() as temp:
        os.chmod(runtime, 0o700)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                   XDG_RUNTIME_DIR=runtime, TMPDIR=temp, VOICE_PLAYER_LOCK_ROOT=temp,
                   SDL_AUDIODRIVER="dummy")
        started = time.monotonic()
        player = subprocess.Popen(command, env=env, stderr=subprocess.DEVNULL)
        mapped = x.wait_for_map(10)
        cpu = cpu_ms(player.pid)
        time.sleep(1)
        rss = peak_rss_mb(player.pid)
        player.send_signal(signal.SIGTERM)
        player.wait()
    if mapped is None:
        sys.exit("the window never appeared")
    return (mapped - started) * 1000, cpu, rss


def summary(name, results, floor=None):
    medians = [statistics.median(column) for column in zip(*results)]
    times = [t for t, _, _ in results]
    ratios = "".join(f" {value / base:5.2f}" for value, base in zip(medians, floor)) if floor else ""
    print(f"{name:<30} {medians[0]:7.1f} {min(times):6.1f} {max(times):6.1f}"
          f" {medians[1]:7.1f} {medians[2]:7.1f}   {ratios}")
    return medians


def main():
    args = sys.argv[1:]
    runs = 15
    if len(args) > 1 and args[0] == "--runs":
        runs, args = int(args[1]), args[2:]
    if len(args) < 2:
        sys.exit(__doc__)
    bare = os.path.abspath(args[0])
    commands = {"bare Qt window": [bare], "bare window, one line of text": [bare, "text"]}
    for path in args[1:]:
        commands[path] = [os.path.abspath(path)]
    server, display = start_xvfb()
    results = {name: [] for name in commands}
    try:
        x = X(display)
        for run in range(runs):
            # Alternate the order, so none always follows the same one.
            order = list(commands) if run % 2 == 0 else list(reversed(commands))
            for name in order:
                results[name].append(one_run(commands[name], display, x))
    finally:
        server.terminate()
        server.wait()
    print(f"{runs} runs each under Xvfb, interleaved; load average {os.getloadavg()[0]:.2f}")
    print(f"{'':<30} {'fork to mapped (ms)':>21} {'CPU ms':>7} {'RSS MB':>7}   {'ratio to bare':>17}")
    print(f"{'':<30} {'median':>7} {'min':>6} {'max':>6} {'median':>7} {'median':>7}"
          f"   {'time':>5} {'CPU':>5} {'RSS':>5}")
    floor = summary("bare Qt window", results["bare Qt window"])
    for name in list(commands)[1:]:
        summary(name, results[name], floor)
    print("goals: at most 1.5 times the bare window's time and 1.25 times its RSS")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Runs a command and writes how long it took: timed.py FILE COMMAND [ARGS...]

FILE receives one line "WALL USER SYS" in seconds; the exit status is the command's. USER and SYS
count every process the command started, also those that left their parent (wineserver, the
processes Wine starts): this process adopts them as a child subreaper and waits for them (at
most 10 s after the command ended). On a shared machine the wall time says how long a suite
waited, user + sys how much work it did.
"""
import ctypes
import os
import resource
import subprocess
import sys
import time

PR_SET_CHILD_SUBREAPER = 36


def main():
    if len(sys.argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    out, command = sys.argv[1], sys.argv[2:]
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    start = time.monotonic()
    try:
        rc = subprocess.call(command)
    except KeyboardInterrupt:
        rc = 130
    wall = time.monotonic() - start
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            break
        if pid == 0:
            time.sleep(0.1)
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    if os.path.dirname(out):
        os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, "w") as f:
        f.write(f"{wall:.1f} {usage.ru_utime:.1f} {usage.ru_stime:.1f}\n")
    return rc if rc >= 0 else 128 - rc


if __name__ == "__main__":
    sys.exit(main())

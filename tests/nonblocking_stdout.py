#!/usr/bin/env python3
"""Usage: nonblocking_stdout.py LEGGIPDF PDF

A parent that makes the pipe behind stdout non-blocking and reads it late:
the tool must wait for the reader instead of failing once the pipe is full,
and deliver exactly what it prints to an ordinary pipe."""
import fcntl
import os
import struct
import subprocess
import sys
import termios
import time

F_GETPIPE_SZ = 1032  # from <linux/fcntl.h>

tool, pdf = sys.argv[1], sys.argv[2]
expected = subprocess.run([tool, pdf], capture_output=True, check=True).stdout
assert len(expected) > 4 * 65536, "the document must print more than a pipe holds"
reader, writer = os.pipe()
fcntl.fcntl(writer, fcntl.F_SETFL, fcntl.fcntl(writer, fcntl.F_GETFL) | os.O_NONBLOCK)
child = subprocess.Popen([tool, pdf], stdout=writer, stderr=subprocess.PIPE)
os.close(writer)
# Read only once the pipe is full and the tool has met it full for a while,
# however long the tool takes to get there.
capacity = fcntl.fcntl(reader, F_GETPIPE_SZ)
deadline = time.monotonic() + 120
while child.poll() is None and time.monotonic() < deadline:
    if struct.unpack("i", fcntl.ioctl(reader, termios.FIONREAD, b"\0" * 4))[0] >= capacity:
        break
    time.sleep(0.05)
time.sleep(0.5)
received = b"".join(iter(lambda: os.read(reader, 65536), b""))
error = child.stderr.read()
child.wait()
if (child.returncode, error) != (0, b"") or received != expected:
    sys.exit(f"status {child.returncode}, stderr {error!r}, {len(received)} of {len(expected)} bytes")

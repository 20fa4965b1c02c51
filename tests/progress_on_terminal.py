#!/usr/bin/env python3
"""Usage: progress_on_terminal.py LEGGIPDF DATA

The tool on a pseudo-terminal of 30 columns: while pages are read by OCR a
progress line is shown, no wider than the terminal, and erased before the
result or the failure line, so the final screen holds exactly what the tool
prints without it. Nothing is shown for a text layer, for a background job,
on a dumb terminal, or when stderr is not the terminal (stdout being one)."""
import fcntl
import os
import pty
import struct
import subprocess
import sys
import termios

tool, data = sys.argv[1], sys.argv[2]
COLUMNS = 30


def on_terminal(argv, env, stderr_to_pipe):
    """What the terminal received, and what a pipe on stderr did, from argv
    run with the terminal as its controlling one."""
    reader, writer = os.pipe()
    pid, master = pty.fork()
    if pid == 0:
        try:
            fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 24, COLUMNS, 0, 0))
            if stderr_to_pipe:
                os.dup2(writer, 2)
            os.execve(argv[0], argv, dict(os.environ, **env))
        finally:
            os._exit(127)
    os.close(writer)
    received = b""
    while True:
        try:
            chunk = os.read(master, 65536)
        except OSError:  # EIO: the terminal's last writer is gone
            break
        if not chunk:
            break
        received += chunk
    os.waitpid(pid, 0)
    piped = b"".join(iter(lambda: os.read(reader, 65536), b""))
    return received, piped


def screen(received):
    """The lines a terminal shows after carriage returns, line feeds and
    erasures to the end of the line."""
    lines, row, col, at = [[]], 0, 0, 0
    while at < len(received):
        if received.startswith(b"\033[K", at):
            del lines[row][col:]
            at += 3
            continue
        byte = received[at : at + 1]
        at += 1
        if byte == b"\r":
            col = 0
        elif byte == b"\n":
            row, col = row + 1, 0
            lines.append([])
        else:
            lines[row][col : col + 1] = [byte]
            col += 1
    return b"\n".join(b"".join(line) for line in lines).rstrip(b"\n")


failures = []
for name, env, background, stderr_to_pipe, shown in [
    ("mixed.pdf", {}, False, False, True),
    ("mixed.pdf", {"LEGGIPDF_JOBS": "2"}, False, False, True),
    ("huge-mediabox.pdf", {}, False, False, True),  # the failure line after it
    ("text-three-pages.pdf", {}, False, False, False),
    ("mixed.pdf", {}, True, False, False),
    ("mixed.pdf", {"TERM": "dumb"}, False, False, False),
    ("huge-mediabox.pdf", {}, False, True, False),
]:
    pdf = os.path.join(data, name)
    env = {"TERM": "xterm", **env}  # whatever terminal runs the tests
    plain = subprocess.run([tool, pdf], capture_output=True, env=dict(os.environ, **env))
    argv = ["/bin/sh", "-c", 'set -m; "$0" "$1" & wait', tool, pdf] if background else [tool, pdf]
    received, piped = on_terminal(argv, env, stderr_to_pipe)
    lines = [part.split(b"\033")[0] for part in received.split(b"\r") if part.startswith(b"OCR:")]
    expected_screen = plain.stdout if stderr_to_pipe else plain.stdout + plain.stderr
    checks = {
        "line shown": bool(lines) == shown,
        "line within the width": all(len(line) < COLUMNS for line in lines),
        "final screen": screen(received) == expected_screen.rstrip(b"\n"),
        "stderr pipe": piped == (plain.stderr if stderr_to_pipe else b""),
        # Where nothing is shown, not one byte more reaches the terminal.
        "exact bytes": shown or received == expected_screen.replace(b"\n", b"\r\n"),
    }
    failures += [f"{name} {env} background={background}: {check} ({received!r})"
                 for check, passed in checks.items() if not passed]
sys.exit("\n".join(failures) or None)

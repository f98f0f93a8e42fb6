#!/usr/bin/env python3
"""Compares two daily log files byte for byte with their time stamps masked.

Usage: compare-daily-logs.py LOG_A LOG_B
Each entry starts with its time (HH:MM:SS); those, and any time or date inside an entry (the relay's own,
as in "26-12-10 09:05:07_123"), are masked. Exit 0 when the rest is identical, 1 with a diff (the GBK text
decoded) when not.
"""
import difflib
import re
import sys

TIME = re.compile(rb"\d{2}:\d{2}:\d{2}(?:[._]\d{3})?")
DATE = re.compile(rb"\d{4}-\d{2}-\d{2}|(?<!\d)\d{2}-\d{2}-\d{2}(?!\d)")


def masked(path):
    with open(path, "rb") as f:
        data = f.read()
    return DATE.sub(b"YYYY-MM-DD", TIME.sub(b"hh:mm:ss", data))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    a, b = masked(sys.argv[1]), masked(sys.argv[2])
    if a == b:
        lines = a.count(b"\n")
        print(f"identical apart from the time stamps: {len(a)} bytes, {lines} lines")
        return 0
    diff = difflib.unified_diff(a.decode("gbk", "replace").splitlines(True), b.decode("gbk", "replace").splitlines(True),
                                sys.argv[1], sys.argv[2])
    sys.stdout.writelines(diff)
    return 1


if __name__ == "__main__":
    sys.exit(main())

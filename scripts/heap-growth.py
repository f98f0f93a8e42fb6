#!/usr/bin/env python3
"""Shows what the program allocated between two moments of a heaptrack recording and still held at the second.

Usage: heap-growth.py RECORDING.zst FROM_S TO_S [COUNT]
RECORDING.zst comes from `tests/e2e/soak.py --heaptrack RECORDING.zst` (or the `heaptrack` command); FROM_S and
TO_S are seconds since the program started. Pick two moments at the same point of the operator's routine (for
the soak: just before a monitor save, 150 s apart or a multiple of it), so that what differs is what stayed.
The recording is cut at both moments and heaptrack_print compares what each cut still holds ("leaked" there
means: alive at that moment); the COUNT (default 10) largest growths are printed with their call stacks.
Needs the Debian packages heaptrack and zstd (`bash scripts/install-deps.sh profile`).
"""
import os
import subprocess
import sys
import tempfile


def cut(recording, seconds, target):
    """Copies the recording up to the first time stamp at or after `seconds` into `target` (zstd)."""
    limit = int(seconds * 1000)
    reader = subprocess.Popen(["zstd", "-q", "-d", "-c", recording], stdout=subprocess.PIPE)
    writer = subprocess.Popen(["zstd", "-q", "-c", "-o", target], stdin=subprocess.PIPE)
    for line in reader.stdout:
        # "c <hex>" lines carry the time in milliseconds since the start; everything before one happened earlier.
        if line.startswith(b"c ") and int(line[2:], 16) >= limit:
            break
        writer.stdin.write(line)
    reader.kill()
    reader.wait()
    writer.stdin.close()
    if writer.wait() != 0:
        sys.exit(f"zstd could not write {target}")


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    recording, start, end = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
    count = int(sys.argv[4]) if len(sys.argv) == 5 else 10
    if not os.path.isfile(recording):
        sys.exit(f"no recording at {recording}")
    if end <= start:
        sys.exit("the second moment must come after the first")
    with tempfile.TemporaryDirectory(prefix="heap-growth-") as folder:
        before, after = os.path.join(folder, "before.zst"), os.path.join(folder, "after.zst")
        cut(recording, start, before)
        cut(recording, end, after)
        result = subprocess.run(["heaptrack_print", "-f", after, "-d", before, "--print-peaks=0",
                                 "--print-allocators=0", "--print-temporary=0", "--print-leaks=1",
                                 "-n", str(count), "-s", "3"], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(result.stderr)
    print(f"held at {end:g} s and not at {start:g} s, largest first:")
    for line in result.stdout.splitlines():
        if line.strip().startswith("in /") or line.startswith(("reading ", "finished reading", "Debuggee")):
            continue
        print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())

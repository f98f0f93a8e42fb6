#!/usr/bin/env python3
"""The portable zip of the Windows program folder, with its names marked as UTF-8.

Windows' own extractor reads a name without the UTF-8 flag (general purpose bit 11) in the system's code page,
so on a Chinese system 配置文件 would come out as 閰嶇疆鏂囦欢 and the program would find no configuration.
Every entry, ASCII names included, carries the flag.

  portable-zip.py make ZIP FOLDER   the zip of FOLDER, its entries under FOLDER's own name
  portable-zip.py check ZIP         fails unless every entry's local and central header carry the flag and
                                    a name that is valid UTF-8
"""
import os
import struct
import sys
import zipfile

UTF8_NAMES = 0x800


class Utf8Name(zipfile.ZipInfo):
    """An entry whose name is written as UTF-8 with the flag, also where the name is plain ASCII (zipfile
    clears the flags while it writes an entry and sets this one only for names beyond ASCII)."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("utf-8"), self.flag_bits | UTF8_NAMES


def make(zip_path, folder):
    folder = os.path.normpath(folder)
    base = os.path.dirname(folder)
    with zipfile.ZipFile(zip_path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for root, dirs, files in os.walk(folder):
            dirs.sort()
            for name in [None] + sorted(files):
                path = root if name is None else os.path.join(root, name)
                info = Utf8Name.from_file(path, os.path.relpath(path, base))
                if name is None:
                    archive.writestr(info, b"")
                else:
                    info.compress_type = zipfile.ZIP_DEFLATED
                    with open(path, "rb") as f:
                        archive.writestr(info, f.read())


def check(zip_path):
    """Reads the headers from the archive's bytes; returns the problems found."""
    with open(zip_path, "rb") as f:
        data = f.read()
    end = data.rfind(b"PK\x05\x06")
    if end < 0:
        return ["no end of central directory"]
    count, size, offset = struct.unpack_from("<HII", data, end + 10)
    problems = []
    position = offset
    for _ in range(count):
        if data[position:position + 4] != b"PK\x01\x02":
            return problems + [f"central directory broken at {position}"]
        flags, = struct.unpack_from("<H", data, position + 8)
        name_length, extra_length, comment_length = struct.unpack_from("<HHH", data, position + 28)
        local, = struct.unpack_from("<I", data, position + 42)
        name = data[position + 46:position + 46 + name_length]
        position += 46 + name_length + extra_length + comment_length
        try:
            shown = name.decode("utf-8")
        except UnicodeDecodeError:
            problems.append(f"{name!r}: not UTF-8")
            continue
        if data[local:local + 4] != b"PK\x03\x04":
            problems.append(f"{shown}: no local header")
            continue
        local_flags, = struct.unpack_from("<H", data, local + 6)
        local_name_length, = struct.unpack_from("<H", data, local + 26)
        if not flags & UTF8_NAMES or not local_flags & UTF8_NAMES:
            problems.append(f"{shown}: UTF-8 flag missing")
        if data[local + 30:local + 30 + local_name_length] != name:
            problems.append(f"{shown}: local name differs")
    if count == 0:
        problems.append("no entries")
    return problems


def main(argv):
    if len(argv) == 4 and argv[1] == "make":
        make(argv[2], argv[3])
        problems = check(argv[2])
    elif len(argv) == 3 and argv[1] == "check":
        problems = check(argv[2])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for problem in problems:
        print(f"{argv[2]}: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

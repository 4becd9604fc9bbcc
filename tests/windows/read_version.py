#!/usr/bin/env python3
"""Prints the string values of a Windows program's version resource, one KEY=VALUE a line.

    read_version.py SawlineDLL.dll

The resource is found by its key, VS_VERSION_INFO, and walked as the tree of nodes it is:
each node a length, a value length, a type, a key, its value and its children, every part
aligned to 4 bytes from the resource's start."""
import struct
import sys


def read_key(data, at):
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def walk(data, start, at, strings, depth):
    def align(offset):
        return start + (offset - start + 3) // 4 * 4

    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    if length < 6:
        raise ValueError("a version node of length %d" % length)
    key, after = read_key(data, at + 6)
    value_at = align(after)
    value_bytes = value_length * 2 if kind == 1 else value_length
    if depth == 3:  # a String of a StringTable: its text, without the terminating NUL
        strings[key] = data[value_at:value_at + value_bytes].decode("utf-16-le").rstrip("\0")
    child = align(value_at + value_bytes)
    while child < at + length:
        child_length = walk(data, start, child, strings, depth + 1)
        child = align(child + child_length)
    return length


def main():
    data = open(sys.argv[1], "rb").read()
    key = "VS_VERSION_INFO\0".encode("utf-16-le")
    found = data.find(key)
    if found < 6:
        print("no version resource", file=sys.stderr)
        return 1
    strings = {}
    walk(data, found - 6, found - 6, strings, 0)
    for name in sorted(strings):
        print("%s=%s" % (name, strings[name]))
    return 0


if __name__ == "__main__":
    sys.exit(main())

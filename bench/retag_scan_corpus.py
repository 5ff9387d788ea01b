#!/usr/bin/env python3
"""Copies the scan benchmark's CBR tree with every file's ID3v2.3 tag (ISO-8859-1 text)
replaced by an ID3v2.4 tag with UTF-8 text: the same frames, TDRC for TYER, and Czech words
in artist and title so that the text really is multi-byte.

    bench/retag_scan_corpus.py SOURCE-CORPUS DEST-CORPUS

DEST-CORPUS/cbr gets the tree (an existing one is kept); then
    bench/run_scan_bench.py --cbr-only --corpus SOURCE-CORPUS
    bench/run_scan_bench.py --cbr-only --corpus DEST-CORPUS
compare the two.
"""
import os
import struct
import sys


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def read_v23(data):
    """The frames of the ID3v2.3 tag at the start of @p data and the bytes after it."""
    if data[:4] != b"ID3\x03":
        raise ValueError("no ID3v2.3 tag")
    end = 10 + ((data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9])
    frames, pos = [], 10
    while pos + 10 <= end and data[pos] != 0:
        fid = data[pos:pos + 4].decode("ascii")
        size = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        body = data[pos + 10:pos + 10 + size]
        if body[:1] != b"\x00":
            raise ValueError("%s is not ISO-8859-1" % fid)
        frames.append((fid, body[1:].decode("latin-1")))
        pos += 10 + size
    return frames, data[end:]


WORDS = {"TPE1": ("Artist", "Umělec"), "TIT2": ("song", "píseň")}


def v24_tag(frames):
    body = b""
    for fid, text in frames:
        if fid == "TYER":
            fid = "TDRC"
        old, new = WORDS.get(fid, ("", ""))
        if old:
            text = text.replace(old, new)
        data = b"\x03" + text.encode("utf-8")
        body += fid.encode() + syncsafe(len(data)) + b"\x00\x00" + data
    return b"ID3\x04\x00\x00" + syncsafe(len(body)) + body


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source = os.path.join(sys.argv[1], "cbr")
    dest = os.path.join(sys.argv[2], "cbr")
    if os.path.isdir(dest):
        return
    tmp = dest + ".partial"
    count = 0
    for dirpath, _, files in os.walk(source):
        target = os.path.join(tmp, os.path.relpath(dirpath, source))
        os.makedirs(target, exist_ok=True)
        for name in files:
            with open(os.path.join(dirpath, name), "rb") as f:
                frames, rest = read_v23(f.read())
            with open(os.path.join(target, name), "wb") as f:
                f.write(v24_tag(frames) + rest)
            count += 1
    os.rename(tmp, dest)
    print("%d files retagged into %s" % (count, dest))


if __name__ == "__main__":
    main()

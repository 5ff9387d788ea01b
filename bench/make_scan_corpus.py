#!/usr/bin/env python3
"""Builds the scan benchmark's corpus: album folders of about 12 MP3 files, copies of a few
lame-encoded sources, each copy with its own small ID3v2.3 tag.

    cbr/      N five-second CBR files (128 kbit/s)
    vbr/      M four-minute VBR files encoded without a Xing header (lame -t)
    cbr-x10/  ten hard-linked copies of cbr/, for the memory comparison

The true playing time of each VBR source (the sum of its frame durations) is written to
vbr-lengths.json. Existing parts are kept; delete the folder to rebuild.
"""
import argparse
import json
import os
import struct
import subprocess
import sys

FILES_PER_ALBUM = 12
ALBUMS_PER_ARTIST = 10


def encode(out, seconds, tone, lame_args, work):
    """Encodes a tone with some noise on top, so that VBR frames vary in size."""
    if os.path.exists(out):
        return
    wav = os.path.join(work, "source.wav")
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y",
                    "-f", "lavfi", "-i", "sine=frequency=%d:duration=%d" % (tone, seconds),
                    "-f", "lavfi", "-i", "anoisesrc=d=%d:a=0.05:c=pink" % seconds,
                    "-filter_complex", "amix=inputs=2,aformat=sample_rates=44100:channel_layouts=stereo",
                    wav], check=True)
    subprocess.run(["lame", "--quiet", *lame_args, wav, out], check=True)
    os.remove(wav)


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def id3v23(title, artist, album, track, year):
    frames = b""
    for fid, text in (("TIT2", title), ("TPE1", artist), ("TALB", album), ("TRCK", track),
                      ("TYER", year)):
        data = b"\x00" + text.encode("latin-1")
        frames += fid.encode() + struct.pack(">I", len(data)) + b"\x00\x00" + data
    return b"ID3\x03\x00\x00" + syncsafe(len(frames)) + frames


BITRATES = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0]
RATES = [44100, 48000, 32000, 0]


def true_length_ms(data):
    """Sum of the frame durations of an MPEG-1 Layer III stream (after any ID3v2 tag)."""
    pos = 0
    if data[:3] == b"ID3":
        pos = 10 + ((data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9])
    end = len(data) - (128 if data[-128:-125] == b"TAG" else 0)
    frames, rate = 0, 44100
    while pos + 4 <= end:
        h = struct.unpack(">I", data[pos:pos + 4])[0]
        if (h >> 21) != 0x7FF or ((h >> 19) & 3) != 3 or ((h >> 17) & 3) != 1:
            raise ValueError("lost frame sync at %d" % pos)
        bitrate = BITRATES[(h >> 12) & 15] * 1000
        rate = RATES[(h >> 10) & 3]
        pos += 144 * bitrate // rate + ((h >> 9) & 1)
        frames += 1
    return frames * 1152 * 1000 // rate


def build_tree(root, sources, count, prefix):
    if os.path.isdir(root):
        return
    tmp = root + ".partial"
    blobs = []
    for s in sources:
        with open(s, "rb") as f:
            blobs.append(f.read())
    for i in range(count):
        album = i // FILES_PER_ALBUM
        artist = album // ALBUMS_PER_ARTIST
        folder = os.path.join(tmp, "Artist %04d" % artist, "Album %05d" % album)
        os.makedirs(folder, exist_ok=True)
        track = i % FILES_PER_ALBUM + 1
        title = "%s song %06d" % (prefix, i)
        tag = id3v23(title, "Artist %04d" % artist, "Album %05d" % album, str(track), "2001")
        with open(os.path.join(folder, "%02d %s.mp3" % (track, title)), "wb") as f:
            f.write(tag + blobs[i % len(blobs)])
    os.rename(tmp, root)


def link_copies(source, root, copies):
    if os.path.isdir(root):
        return
    tmp = root + ".partial"
    for c in range(copies):
        for dirpath, _, files in os.walk(source):
            target = os.path.join(tmp, "Copy %02d" % c, os.path.relpath(dirpath, source))
            os.makedirs(target, exist_ok=True)
            for name in files:
                os.link(os.path.join(dirpath, name), os.path.join(target, name))
    os.rename(tmp, root)


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("folder")
    p.add_argument("--cbr", type=int, default=10000)
    p.add_argument("--vbr", type=int, default=300)
    p.add_argument("--copies", type=int, default=10)
    a = p.parse_args()
    src = os.path.join(a.folder, "sources")
    os.makedirs(src, exist_ok=True)
    cbr = [os.path.join(src, "cbr%d.mp3" % k) for k in range(4)]
    vbr = [os.path.join(src, "vbr%d.mp3" % k) for k in range(3)]
    for k, path in enumerate(cbr):
        encode(path, 5, 220 + 110 * k, ["-b", "128", "--cbr"], src)
    for k, path in enumerate(vbr):
        encode(path, 240, 330 + 97 * k, ["-V", "4", "-t"], src)
    lengths = {}
    for k, path in enumerate(vbr):
        with open(path, "rb") as f:
            data = f.read()
        if b"Xing" in data[:4096] or b"Info" in data[:4096]:
            sys.exit("%s has a Xing header" % path)
        lengths[k] = true_length_ms(data)
    build_tree(os.path.join(a.folder, "cbr"), cbr, a.cbr, "CBR")
    build_tree(os.path.join(a.folder, "vbr"), vbr, a.vbr, "VBR")
    link_copies(os.path.join(a.folder, "cbr"), os.path.join(a.folder, "cbr-x%d" % a.copies),
                a.copies)
    # File i of the VBR tree is a copy of source i % 3.
    with open(os.path.join(a.folder, "vbr-lengths.json"), "w") as f:
        json.dump({"sources": len(vbr), "lengthMs": lengths}, f)


if __name__ == "__main__":
    main()

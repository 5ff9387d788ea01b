#!/usr/bin/env python3
"""Memory and speed of `tunelister-cli digest`.

Generates two song databases (10,000 songs in 500 folders and 1,000,000 songs in 50,000
folders, 20 songs per album), digests each a few times with a warm page cache under
/usr/bin/time -v, and prints the best wall time and the peak resident set size.

Targets: the peak RSS on 1,000,000 songs is within 10% of that on 10,000 (the digest
streams the song database), and the 1,000,000-song digest takes under 5 seconds.

    bench/run_digest_bench.py --build build [--work DIR] [--runs 3]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SIZES = [(10_000, 500), (1_000_000, 50_000)]
RSS_TOLERANCE = 0.10
TIME_LIMIT = 5.0


def timed(cmd):
    """Runs cmd under /usr/bin/time -v; returns (wall seconds, peak RSS in KiB)."""
    proc = subprocess.run(["/usr/bin/time", "-v", *cmd], capture_output=True, text=True)
    if proc.returncode != 0:
        sys.exit(f"{' '.join(cmd)} failed ({proc.returncode}):\n{proc.stderr}")
    rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", proc.stderr).group(1))
    wall = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): ([\d:.]+)", proc.stderr).group(1)
    seconds = 0.0
    for part in wall.split(":"):
        seconds = seconds * 60 + float(part)
    return seconds, rss


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build", help="the build folder (with -DTL_BENCH=ON)")
    parser.add_argument("--work", help="folder for the generated files (default: a temporary one)")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()

    if not os.path.exists("/usr/bin/time"):
        sys.exit("/usr/bin/time is missing: apt-get install time")
    cli = os.path.join(args.build, "app", "tunelister-cli")
    generator = os.path.join(args.build, "bench", "bench_make_songdb")
    for program in (cli, generator):
        if not os.access(program, os.X_OK):
            sys.exit(f"{program} is missing: configure with -DTL_BENCH=ON and build")

    work = args.work or tempfile.mkdtemp(prefix="tl-digest-bench-")
    os.makedirs(work, exist_ok=True)
    results = {}
    try:
        for songs, folders in SIZES:
            db = os.path.join(work, f"songs-{songs}.sds")
            started = time.monotonic()
            subprocess.run([generator, db, str(songs), str(folders)], check=True)
            print(f"{songs:>9} songs, {folders:>6} folders: song database {os.path.getsize(db) / 2**20:.1f} MiB "
                  f"(made in {time.monotonic() - started:.1f} s)")
            with open(db, "rb") as f:  # warm the page cache
                while f.read(1 << 20):
                    pass
            runs = [timed([cli, "digest", db]) for _ in range(args.runs)]
            wall = min(r[0] for r in runs)
            rss = max(r[1] for r in runs)
            results[songs] = (wall, rss)
            digest = db[:-1] + "d"
            print(f"{'':>9}  digest: best wall {wall:.2f} s, peak RSS {rss} KiB, "
                  f"digest {os.path.getsize(digest) / 2**20:.1f} MiB")
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)

    small, large = results[SIZES[0][0]], results[SIZES[1][0]]
    growth = large[1] / small[1] - 1
    rss_ok = growth <= RSS_TOLERANCE
    time_ok = large[0] < TIME_LIMIT
    print(f"peak RSS 1M vs 10k: {growth * 100:+.1f}% (target within {RSS_TOLERANCE * 100:.0f}%): "
          f"{'ok' if rss_ok else 'MISSED'}")
    print(f"1M digest wall time: {large[0]:.2f} s (target under {TIME_LIMIT:.0f} s): "
          f"{'ok' if time_ok else 'MISSED'}")
    return 0 if rss_ok and time_ok else 1


if __name__ == "__main__":
    sys.exit(main())

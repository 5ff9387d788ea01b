#!/usr/bin/env python3
"""Scan benchmark: files per second of `tunelister-cli scan` against a TagLib scanner on
the same tree with a warm page cache, the full walk of the VBR tree against reading it
sequentially, the playing times reported for VBR files without a Xing header against the
true ones, and peak memory for the 10,000-file tree against ten times as many files.

    bench/run_scan_bench.py [--build build] [--corpus DIR] [--runs 3] [--cbr-only]

The corpus is made by make_scan_corpus.py on the first run (a few minutes, ~2 GB).
--cbr-only measures the CBR tree's files per second alone and builds nothing, so a corpus
that has only a cbr/ tree serves (retag_scan_corpus.py makes one with ID3v2.4 tags).
Targets: at least 2x the peer's files/s on the CBR tree; the VBR tree scanned in at most
1.5x its sequential read time; peak RSS for 100,000 files within 10% of 10,000 files.
"""
import argparse
import json
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def walk_files(root):
    """Every file of the tree in walk order (files first, then folders, A-Z folded)."""
    key = lambda n: (n.encode().lower(), n.encode())  # noqa: E731
    entries = sorted(os.listdir(root), key=key)
    dirs = [e for e in entries if os.path.isdir(os.path.join(root, e))]
    for e in entries:
        if e not in dirs:
            yield os.path.join(root, e)
    for d in dirs:
        yield from walk_files(os.path.join(root, d))


def read_all(root):
    """Reads every byte of the tree in walk order, 1 MiB at a time; seconds and bytes."""
    buffer = bytearray(1 << 20)
    start = time.perf_counter()
    total = 0
    for path in walk_files(root):
        with open(path, "rb", buffering=0) as f:
            while True:
                n = f.readinto(buffer)
                if not n:
                    break
                total += n
    return time.perf_counter() - start, total


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def best_time(cmd, runs):
    """Best wall time of @p runs and the processor time (user + system) of that run; on a
    shared machine the processor time is the steadier figure."""
    best = None
    for _ in range(runs):
        cpu = children_cpu()
        start = time.perf_counter()
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        cpu = children_cpu() - cpu
        if best is None or elapsed < best[0]:
            best = (elapsed, cpu)
    return best


def peak_rss_kib(cmd):
    proc = subprocess.run(["/usr/bin/time", "-v", *cmd], stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, check=True)
    m = re.search(rb"Maximum resident set size \(kbytes\): (\d+)", proc.stderr)
    return int(m.group(1))


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--build", default="build")
    p.add_argument("--corpus", default=os.environ.get("TL_BENCH_CORPUS", "bench-corpus"))
    p.add_argument("--runs", type=int, default=3)
    p.add_argument("--cbr-only", action="store_true",
                   help="only the CBR tree's files per second; the corpus is not built")
    a = p.parse_args()
    cli = os.path.join(a.build, "app", "tunelister-cli")
    peer = os.path.join(a.build, "bench", "peer_taglib")
    for tool in (cli, peer):
        if not os.access(tool, os.X_OK):
            sys.exit("%s is missing: build with -DTL_BENCH=ON first" % tool)
    if not os.path.exists(os.path.join(a.build, "app", "plugins", "mp3.so")):
        sys.exit("the mp3 plug-in is missing from %s/app/plugins" % a.build)
    if not a.cbr_only:
        subprocess.run([sys.executable, os.path.join(HERE, "make_scan_corpus.py"), a.corpus],
                       check=True)
    cbr, vbr = os.path.join(a.corpus, "cbr"), os.path.join(a.corpus, "vbr")
    if not os.path.isdir(cbr):
        sys.exit("%s is missing" % cbr)
    big = os.path.join(a.corpus, "cbr-x10")
    out = tempfile.mkdtemp(prefix="tl-scan-bench-")
    try:
        scan = lambda tree, name: [cli, "scan", tree, "--out", out, "--name", name]  # noqa
        cbr_files = sum(1 for _ in walk_files(cbr))
        read_all(cbr)  # warm the page cache

        print("== CBR tree: %d five-second files, warm cache, best of %d" % (cbr_files, a.runs))
        ours, ours_cpu = best_time(scan(cbr, "cbr"), a.runs)
        theirs, theirs_cpu = best_time([peer, cbr], a.runs)
        print("%-20s %7s %10s %9s %12s" % ("", "wall", "files/s", "cpu", "files/cpu-s"))
        for label, wall, cpu in (("tunelister-cli scan", ours, ours_cpu),
                                 ("peer (TagLib)", theirs, theirs_cpu)):
            print("%-20s %6.2fs %10.0f %8.2fs %12.0f"
                  % (label, wall, cbr_files / wall, cpu, cbr_files / cpu))
        print("ratio                %.2fx wall, %.2fx cpu   (target >= 2x)"
              % (theirs / ours, theirs_cpu / ours_cpu))
        if a.cbr_only:
            return

        vbr_files = sum(1 for _ in walk_files(vbr))
        read_all(vbr)

        print("\n== VBR tree: %d four-minute files without a Xing header" % vbr_files)
        read_time = min(read_all(vbr)[0] for _ in range(a.runs))
        total = read_all(vbr)[1]
        ours_vbr, ours_vbr_cpu = best_time(scan(vbr, "vbr"), a.runs)
        peer_vbr, _ = best_time([peer, vbr], a.runs)
        print("sequential read      %6.2fs  (%d MB)" % (read_time, total // 1000000))
        print("tunelister-cli scan  %6.2fs  (cpu %.2fs)  %.2fx the read (target <= 1.5x)"
              % (ours_vbr, ours_vbr_cpu, ours_vbr / read_time))
        print("peer (TagLib)        %6.2fs" % peer_vbr)
        # What every run costs before the first file (loading, locale, volume, digest):
        # the scan of an empty folder. Shown apart; the target above includes it.
        empty = os.path.join(out, "empty")
        os.makedirs(empty, exist_ok=True)
        fixed, _ = best_time(scan(empty, "empty"), a.runs)
        print("  of which a run's fixed cost (empty folder) %.3fs; without it %.2fx the read"
              % (fixed, (ours_vbr - fixed) / read_time))
        print("\n== Playing time of the VBR files (ms)")
        with open(os.path.join(a.corpus, "vbr-lengths.json")) as f:
            truth = json.load(f)
        dump = subprocess.run([cli, "dump", "--json", os.path.join(out, "vbr.sds")],
                              capture_output=True, check=True)
        ours_len = {r["FName"]: int(r["Length"]) for r in json.loads(dump.stdout)["records"]}
        peer_out = subprocess.run([peer, "--lengths", vbr], capture_output=True, check=True)
        peer_len = {}
        for line in peer_out.stdout.decode().splitlines():
            path, ms = line.rsplit("\t", 1)
            peer_len[os.path.basename(path)] = int(ms)
        worst_ours = worst_peer = 0
        shown = set()
        print("%-32s %9s %9s %9s" % ("file", "true", "ours", "TagLib"))
        for name in sorted(ours_len):
            index = int(re.search(r"song (\d+)", name).group(1))
            source = str(index % truth["sources"])
            true_ms = truth["lengthMs"][source]
            worst_ours = max(worst_ours, abs(ours_len[name] - true_ms))
            worst_peer = max(worst_peer, abs(peer_len.get(name, 0) - true_ms))
            if source not in shown:
                shown.add(source)
                print("%-32s %9d %9d %9d" % (name, true_ms, ours_len[name],
                                              peer_len.get(name, -1)))
        print("largest error: ours %d ms, TagLib %d ms" % (worst_ours, worst_peer))

        print("\n== Peak RSS (/usr/bin/time -v)")
        small = peak_rss_kib(scan(cbr, "rss-small"))
        large = peak_rss_kib(scan(big, "rss-large"))
        print("tunelister-cli scan  %d files: %d KiB;  %d files: %d KiB  (+%.1f%%, target <= 10%%)"
              % (cbr_files, small, sum(1 for _ in walk_files(big)), large,
                 100.0 * (large - small) / small))
        peer_small = peak_rss_kib([peer, cbr])
        print("peer (TagLib)        %d files: %d KiB" % (cbr_files, peer_small))
    finally:
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    main()

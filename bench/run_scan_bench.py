#!/usr/bin/env python3
"""Scan benchmark: `tunelister-cli scan` against a TagLib scanner and against reading every
byte of the tree (one file at a time, and 16 files in flight), from a cold and from a warm
page cache, on a tree of small tagged CBR files and on a tree of four-minute VBR files
walked frame by frame; then the playing times of the VBR files against the true ones, how
fast a cold scan stops on Ctrl-C, and peak memory for 10,000 files against 100,000.

    bench/run_scan_bench.py [--build build] [--corpus DIR] [--runs 5] [--evict auto]
                            [--only cbr,vbr,lengths,cancel,rss] [--cbr-only]

The corpus is made by make_scan_corpus.py on the first run (a few minutes, ~2 GB).
--cbr-only measures the CBR tree alone and builds nothing, so a corpus that has only a cbr/
tree serves (retag_scan_corpus.py makes one with ID3v2.4 tags).

Cold runs evict the tree from the page cache before each timed run: as root with
`echo 3 > /proc/sys/vm/drop_caches` (which drops file data, directories and inodes of the
whole machine), otherwise with posix_fadvise(POSIX_FADV_DONTNEED) on every file after a
sync (file data only: directories and inodes stay cached). --evict drop|fadvise chooses.
The eviction is checked with mincore on every file of the tree. Each figure is the median
of --runs runs; the tools take turns, so a burst of load elsewhere on the machine does not
fall on one of them alone.

Targets:
  cold CBR tree:  files/s at least 2x the TagLib peer's; time at most 1.25x reading every
                  byte with 16 files in flight
  cold VBR tree:  time at most 1.25x reading every byte with 16 files in flight
  warm CBR tree:  files/s at least 3x the TagLib peer's
  warm VBR tree:  at least 0.8 of the speed of reading every byte, one file at a time
                  (1 MiB reads, as the earlier reader; the same with 64 KiB reads, which
                  cost the kernel less on some machines, is shown beside it)
  peak RSS for 100,000 files within 10% of 10,000 files; Ctrl-C ends a scan within 100 ms
"""
import argparse
import ctypes
import json
import mmap
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = ("scan", "peer", "read1", "read16", "read1s")
LABELS = {"scan": "tunelister-cli scan", "peer": "peer (TagLib)",
          "read1": "read, 1 file at a time", "read16": "read, 16 files in flight",
          "read1s": "  the same, 64 KiB reads"}


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


class PageCache:
    """Evicts a tree's files from the page cache and counts their resident pages."""

    def __init__(self, method):
        if method == "auto":
            method = "drop" if os.geteuid() == 0 else "fadvise"
        if method == "drop" and os.geteuid() != 0:
            sys.exit("--evict drop needs root")
        self.method = method
        libc = ctypes.CDLL(None, use_errno=True)
        libc.mmap.restype = ctypes.c_void_p
        libc.mmap.argtypes = [ctypes.c_void_p, ctypes.c_size_t, ctypes.c_int, ctypes.c_int,
                              ctypes.c_int, ctypes.c_long]
        libc.munmap.argtypes = [ctypes.c_void_p, ctypes.c_size_t]
        libc.mincore.argtypes = [ctypes.c_void_p, ctypes.c_size_t, ctypes.c_char_p]
        self.libc = libc
        self.page = os.sysconf("SC_PAGE_SIZE")

    def describe(self):
        if self.method == "drop":
            return "drop_caches (file data, directories and inodes)"
        return "posix_fadvise DONTNEED on every file (file data only)"

    def evict(self, files):
        os.sync()
        if self.method == "drop":
            with open("/proc/sys/vm/drop_caches", "w") as f:
                f.write("3\n")
            return
        for path in files:
            fd = os.open(path, os.O_RDONLY)
            try:
                os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
            finally:
                os.close(fd)

    def resident(self, files):
        """Resident pages and all pages of @p files (mincore on a mapping of each)."""
        resident = total = 0
        for path in files:
            fd = os.open(path, os.O_RDONLY)
            try:
                size = os.fstat(fd).st_size
                if size == 0:
                    continue
                pages = (size + self.page - 1) // self.page
                addr = self.libc.mmap(None, size, mmap.PROT_READ, mmap.MAP_SHARED, fd, 0)
                if addr in (None, ctypes.c_void_p(-1).value):
                    continue
                vec = ctypes.create_string_buffer(pages)
                if self.libc.mincore(addr, size, vec) == 0:
                    resident += sum(b & 1 for b in vec.raw)
                self.libc.munmap(addr, size)
                total += pages
            finally:
                os.close(fd)
        return resident, total


def load():
    with open("/proc/loadavg") as f:
        return float(f.read().split()[0])


def timed(cmd):
    start = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def peak_rss_kib(cmd):
    proc = subprocess.run(["/usr/bin/time", "-v", *cmd], stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, check=True)
    m = re.search(rb"Maximum resident set size \(kbytes\): (\d+)", proc.stderr)
    return int(m.group(1))


class Bench:
    def __init__(self, a, out):
        self.cli = os.path.join(a.build, "app", "tunelister-cli")
        self.peer = os.path.join(a.build, "bench", "peer_taglib")
        self.reader = os.path.join(a.build, "bench", "read_tree")
        self.out = out
        self.runs = a.runs
        self.cache = PageCache(a.evict)
        self.empty = os.path.join(out, "empty")
        os.makedirs(self.empty, exist_ok=True)

    def command(self, tool, tree, name="bench"):
        return {"scan": [self.cli, "scan", tree, "--out", self.out, "--name", name],
                "peer": [self.peer, tree],
                "read1": [self.reader, tree],
                "read16": [self.reader, "--inflight", "16", tree],
                "read1s": [self.reader, "--buffer", "64", tree]}[tool]

    def cold(self, files):
        """Evicts the tree, then loads the programs again (drop_caches evicts them too), so
        that a cold run measures the tree and not the start of a program from disk."""
        self.cache.evict(files)
        for tool in TOOLS:
            timed(self.command(tool, self.empty, "empty"))
        return self.cache.resident(files)

    def measure(self, tree, files):
        """Median seconds of each tool, cold and warm, and the worst residency seen just
        before a cold run; the tools take turns within every run."""
        times = {(t, c): [] for t in TOOLS for c in ("cold", "warm")}
        worst = (0, 1)
        loads = [load()]
        for run in range(self.runs):
            order = TOOLS[run % len(TOOLS):] + TOOLS[:run % len(TOOLS)]
            for tool in order:
                resident = self.cold(files)
                if resident[0] * worst[1] >= worst[0] * resident[1]:
                    worst = resident
                times[(tool, "cold")].append(timed(self.command(tool, tree)))
            timed(self.command("read16", tree))  # warm the page cache
            for tool in order:
                times[(tool, "warm")].append(timed(self.command(tool, tree)))
            loads.append(load())
        return {k: statistics.median(v) for k, v in times.items()}, times, worst, loads

    def report(self, title, tree, targets, notes=lambda m: []):
        files = list(walk_files(tree))
        med, times, worst, loads = self.measure(tree, files)
        print("== %s: %d files; medians of %d runs; load %.1f-%.1f"
              % (title, len(files), self.runs, min(loads), max(loads)))
        print("   cold: %s; before each cold run at most %d of %d pages were resident"
              % (self.cache.describe(), worst[0], worst[1]))
        print("%-26s %8s %9s   %8s %9s" % ("", "cold s", "files/s", "warm s", "files/s"))
        for tool in TOOLS:
            c, w = med[(tool, "cold")], med[(tool, "warm")]
            print("%-26s %8.3f %9.0f   %8.3f %9.0f"
                  % (LABELS[tool], c, len(files) / c, w, len(files) / w))
        for cache in ("cold", "warm"):
            print("  %s runs, scan: %s" % (cache, " ".join(
                "%.3f" % t for t in times[("scan", cache)])))
        held = True
        for text, value, bound, at_least in targets(med):
            ok = value >= bound if at_least else value <= bound
            held &= ok
            print("  %-58s %5.2f  (target %s %.2f) %s"
                  % (text, value, ">=" if at_least else "<=", bound, "ok" if ok else "MISSED"))
        for text, value in notes(med):
            print("  %-58s %5.2f  (no target)" % (text, value))
        print()
        return held

    def cancel_latency(self, tree, delay=0.3):
        """Seconds from Ctrl-C (SIGINT) during a cold scan to the end of the program."""
        files = list(walk_files(tree))
        latencies = []
        for _ in range(self.runs):
            self.cold(files)
            proc = subprocess.Popen(self.command("scan", tree, "cancel"),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(delay)
            sent = time.perf_counter()
            proc.send_signal(signal.SIGINT)
            code = proc.wait()
            latencies.append(time.perf_counter() - sent)
            if code == 0:
                print("  (the scan had ended before the signal: use a larger tree)")
        return latencies


def lengths(bench, corpus, out):
    print("== Playing time of the VBR files (ms)")
    vbr = os.path.join(corpus, "vbr")
    with open(os.path.join(corpus, "vbr-lengths.json")) as f:
        truth = json.load(f)
    subprocess.run(bench.command("scan", vbr, "vbr"), check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    dump = subprocess.run([bench.cli, "dump", "--json", os.path.join(out, "vbr.sds")],
                          capture_output=True, check=True)
    ours_len = {r["FName"]: int(r["Length"]) for r in json.loads(dump.stdout)["records"]}
    peer_out = subprocess.run([bench.peer, "--lengths", vbr], capture_output=True, check=True)
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
            print("%-32s %9d %9d %9d" % (name, true_ms, ours_len[name], peer_len.get(name, -1)))
    print("largest error: ours %d ms, TagLib %d ms\n" % (worst_ours, worst_peer))


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--build", default="build")
    p.add_argument("--corpus", default=os.environ.get("TL_BENCH_CORPUS", "bench-corpus"))
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--evict", choices=("auto", "drop", "fadvise"), default="auto")
    p.add_argument("--only", default="cbr,vbr,lengths,cancel,rss",
                   help="comma-separated parts to run (default: all)")
    p.add_argument("--cbr-only", action="store_true",
                   help="only the CBR tree (as --only cbr); the corpus is not built, so a "
                        "corpus with a cbr/ tree alone serves")
    a = p.parse_args()
    parts = {"cbr"} if a.cbr_only else set(a.only.split(","))
    for tool in ("app/tunelister-cli", "bench/peer_taglib", "bench/read_tree"):
        if not os.access(os.path.join(a.build, tool), os.X_OK):
            sys.exit("%s/%s is missing: build with -DTL_BENCH=ON first" % (a.build, tool))
    if not os.path.exists(os.path.join(a.build, "app", "plugins", "mp3.so")):
        sys.exit("the mp3 plug-in is missing from %s/app/plugins" % a.build)
    if not a.cbr_only:
        subprocess.run([sys.executable, os.path.join(HERE, "make_scan_corpus.py"), a.corpus],
                       check=True)
    cbr, vbr = os.path.join(a.corpus, "cbr"), os.path.join(a.corpus, "vbr")
    if not os.path.isdir(cbr):
        sys.exit("%s is missing" % cbr)
    out = tempfile.mkdtemp(prefix="tl-scan-bench-")
    held = True
    try:
        bench = Bench(a, out)
        if "cbr" in parts:
            held &= bench.report("CBR tree, five-second tagged files", cbr, lambda m: [
                ("cold: scan files/s / peer files/s",
                 m[("peer", "cold")] / m[("scan", "cold")], 2.0, True),
                ("cold: scan time / time of reading with 16 in flight",
                 m[("scan", "cold")] / m[("read16", "cold")], 1.25, False),
                ("warm: scan files/s / peer files/s",
                 m[("peer", "warm")] / m[("scan", "warm")], 3.0, True)])
        if "vbr" in parts:
            held &= bench.report("VBR tree, four-minute files walked frame by frame", vbr,
                                 lambda m: [
                ("cold: scan time / time of reading with 16 in flight",
                 m[("scan", "cold")] / m[("read16", "cold")], 1.25, False),
                ("warm: scan speed / speed of reading one file at a time",
                 m[("read1", "warm")] / m[("scan", "warm")], 0.8, True)],
                                 lambda m: [
                ("warm: scan speed / the same with 64 KiB reads",
                 m[("read1s", "warm")] / m[("scan", "warm")])])
        if "lengths" in parts:
            lengths(bench, a.corpus, out)
        if "cancel" in parts:
            print("== Ctrl-C 0.3 s into a cold scan: seconds until tunelister-cli has ended")
            for title, tree in (("CBR tree", cbr), ("VBR tree", vbr)):
                lat = bench.cancel_latency(tree)
                ok = max(lat) <= 0.1
                held &= ok
                print("%-9s %s  (median %.3f, worst %.3f; target <= 0.100) %s"
                      % (title, " ".join("%.3f" % t for t in lat), statistics.median(lat),
                         max(lat), "ok" if ok else "MISSED"))
            print()
        if "rss" in parts:
            print("== Peak RSS (/usr/bin/time -v), warm")
            big = os.path.join(a.corpus, "cbr-x10")
            small = peak_rss_kib(bench.command("scan", cbr, "rss-small"))
            large = peak_rss_kib(bench.command("scan", big, "rss-large"))
            growth = 100.0 * (large - small) / small
            held &= growth <= 10.0
            print("tunelister-cli scan  %d files: %d KiB;  %d files: %d KiB  (%+.1f%%, target "
                  "<= 10%%)" % (sum(1 for _ in walk_files(cbr)), small,
                                sum(1 for _ in walk_files(big)), large, growth))
            print("peer (TagLib)        %d KiB" % peak_rss_kib([bench.peer, cbr]))
    finally:
        shutil.rmtree(out, ignore_errors=True)
    print("\nall targets held" if held else "\nsome targets were missed")


if __name__ == "__main__":
    main()

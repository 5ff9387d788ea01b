#!/usr/bin/env python3
"""Two builds side by side: the mp3 plug-in's analysis (bench_mp3), the TagLib plug-ins'
(bench_taglib, flac.so) and `tunelister-cli scan` of the scan benchmark's CBR and VBR trees,
warm and cold. The builds take turns in every run, so that load elsewhere on a shared
machine falls on both alike; each figure is the median of --runs runs.

    bench/compare_builds.py --before BUILD --after BUILD [--corpus DIR] [--runs 5]
                            [--only mp3,taglib,scan] [--evict fadvise|drop]

Both builds are configured with -DTL_BENCH=ON (bench_mp3, bench_taglib, the plug-ins and
tunelister-cli built). The corpus is the scan benchmark's (make_scan_corpus.py); cold runs
evict the tree as run_scan_bench.py does, by default with posix_fadvise, which leaves the
rest of the machine's page cache alone. A change that must not slow the analysis down
should show an after/before time of about 1.00 or less.
"""
import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from run_scan_bench import PageCache, load, timed, walk_files  # noqa: E402

FLAC_SOURCE = os.path.join(HERE, "..", "tests", "taglib", "fixtures", "flac-vorbiscomment.flac")


def mp3_benchmark(build, name):
    """Microseconds per analysis of the bench_mp3 benchmark @p name: the median of three
    repetitions in one run of the program."""
    out = subprocess.run([os.path.join(build, "bench", "bench_mp3"), "--benchmark_format=json",
                          "--benchmark_filter=^%s$" % re.escape(name),
                          "--benchmark_min_time=0.2", "--benchmark_repetitions=3",
                          "--benchmark_report_aggregates_only=true"],
                         check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    microseconds = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            return b["real_time"] * microseconds[b["time_unit"]]
    sys.exit("bench_mp3 gave no median for " + name)


def mp3_side_by_side(builds, runs):
    """Every bench_mp3 benchmark, run by the two builds in turn, so that the two
    measurements of a benchmark lie seconds apart."""
    names = subprocess.run([os.path.join(builds[0], "bench", "bench_mp3"),
                            "--benchmark_list_tests"], check=True, stdout=subprocess.PIPE,
                           text=True).stdout.split()
    seen = {b: {} for b in builds}
    loads = [load()]
    for run in range(runs):
        for i, name in enumerate(names):
            for build in (builds if (run + i) % 2 == 0 else builds[::-1]):
                seen[build].setdefault(name + ", \u00b5s", []).append(mp3_benchmark(build, name))
        loads.append(load())
    print_medians("bench_mp3 (time per analysis)", builds, runs, seen, loads)


def taglib_run(build):
    """Files per second of flac.so and of the bare TagLib loop, from one bench_taglib run."""
    out = subprocess.run([os.path.join(build, "bench", "bench_taglib"),
                          os.path.join(build, "app"), FLAC_SOURCE, "5000", "3"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    rates = re.findall(r"([\d.]+) files/s", out)
    if len(rates) != 2:
        sys.exit("bench_taglib said:\n" + out)
    return {"flac.so, files/s": float(rates[0]), "bare TagLib loop, files/s": float(rates[1])}


def print_medians(title, builds, runs, seen, loads):
    before, after = builds
    print("== %s: medians of %d runs; load %.1f-%.1f" % (title, runs, min(loads), max(loads)))
    print("%-36s %12s %12s %13s" % ("", "before", "after", "after/before"))
    for name in seen[before]:
        b, a = statistics.median(seen[before][name]), statistics.median(seen[after][name])
        print("%-36s %12.3f %12.3f %13.3f" % (name, b, a, a / b))
    print()


def side_by_side(title, builds, runs, one_run):
    """Runs one_run(build) for each build in turn, --runs times, and prints the medians."""
    seen = {b: {} for b in builds}
    loads = [load()]
    for run in range(runs):
        for build in (builds if run % 2 == 0 else builds[::-1]):
            for name, value in one_run(build).items():
                seen[build].setdefault(name, []).append(value)
        loads.append(load())
    print_medians(title, builds, runs, seen, loads)


def scan_runs(args, builds):
    cache = PageCache(args.evict)
    out = tempfile.mkdtemp(prefix="tl-compare-")
    trees = [(t, os.path.join(args.corpus, t)) for t in ("cbr", "vbr")]
    trees = [(t, p) for t, p in trees if os.path.isdir(p)]
    if not trees:
        sys.exit("%s has neither cbr/ nor vbr/: make it with make_scan_corpus.py" % args.corpus)
    files = {t: list(walk_files(p)) for t, p in trees}

    def one_run(build):
        cli = os.path.join(build, "app", "tunelister-cli")
        times = {}
        for tree, path in trees:
            command = [cli, "scan", path, "--out", out, "--name", "compare"]
            timed(command)  # warm
            times["%s tree, warm, s" % tree] = timed(command)
            cache.evict(files[tree])
            times["%s tree, cold, s" % tree] = timed(command)
        return times

    print("(cold: %s)" % cache.describe())
    try:
        side_by_side("tunelister-cli scan of %s" % ", ".join(
            "%s/ (%d files)" % (t, len(files[t])) for t, _ in trees), builds, args.runs, one_run)
    finally:
        shutil.rmtree(out, ignore_errors=True)


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--before", required=True)
    p.add_argument("--after", required=True)
    p.add_argument("--corpus", default=os.environ.get("TL_BENCH_CORPUS", "bench-corpus"))
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--only", default="mp3,taglib,scan")
    p.add_argument("--evict", choices=("fadvise", "drop"), default="fadvise")
    args = p.parse_args()
    builds = (args.before, args.after)
    parts = set(args.only.split(","))
    for build in builds:
        for tool in ("bench/bench_mp3", "bench/bench_taglib", "app/tunelister-cli"):
            if not os.access(os.path.join(build, tool), os.X_OK):
                sys.exit("%s/%s is missing: build with -DTL_BENCH=ON first" % (build, tool))
    if "mp3" in parts:
        mp3_side_by_side(builds, args.runs)
    if "taglib" in parts:
        side_by_side("bench_taglib, 5,000 small FLAC files (best of 3 rounds a run)", builds,
                     args.runs, taglib_run)
    if "scan" in parts:
        scan_runs(args, builds)


if __name__ == "__main__":
    main()

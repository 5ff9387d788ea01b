#!/usr/bin/env python3
"""Scan window benchmark: a scan through the program's scan window (Qt's offscreen
platform) against `tunelister-cli scan` of the same tree, with the window's event loop
watched by a 10 ms timer.

    bench/run_scanwindow_bench.py [--build build] [--corpus DIR] [--scratch DIR] [--runs 5]

Trees: the 10,000-file CBR tree of the scan corpus (`cbr/`, made by make_scan_corpus.py);
a copy of it in which every file's ID3v2 tag claims more bytes than the file has, so that
each of the 10,000 files gives a warning (a log line) and is still analysed in full; and
10,000 small files without an audio stream (a warning each, the scan itself almost free,
so that the log lines come as fast as they can). The copies are made under --scratch on
the first run; the corpus is only read.

An empty folder shows each program's fixed cost of a run (no target).

Targets: the window's wall time at most 1.3x the CLI's, and no gap between two ticks of
the window's timer longer than 100 ms. Runs alternate between the two programs after a
warm-up scan (warm page cache); the figures are medians, printed with the load average and
the processor time (user + system), the steadier figure on a shared machine. The window's
wall time is that of the whole process, the program's own start included; "the scan
alone" is from the scan's start to its last log line.
"""
import argparse
import json
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

FILES = 10000


def load():
    with open("/proc/loadavg") as f:
        return float(f.read().split()[0])


def files_of(root):
    for folder, dirs, files in os.walk(root):
        dirs.sort()
        for name in sorted(files):
            yield os.path.join(folder, name)


def make_tag_warning_tree(source, target):
    """Copies @p source with every file's ID3v2 size field set beyond the file's end."""
    done = target + ".done"
    if os.path.exists(done):
        return
    shutil.rmtree(target, ignore_errors=True)
    for path in files_of(source):
        copy = os.path.join(target, os.path.relpath(path, source))
        os.makedirs(os.path.dirname(copy), exist_ok=True)
        with open(path, "rb") as f:
            data = bytearray(f.read())
        if data[:3] != b"ID3":
            sys.exit("%s has no ID3v2 tag to spoil" % path)
        data[6:10] = b"\x7f\x7f\x7f\x7f"  # a synch-safe size of 256 MiB
        with open(copy, "wb") as f:
            f.write(data)
    open(done, "w").close()


def make_no_stream_tree(target):
    """10,000 files of 1 KiB without an MPEG frame, 100 to a folder."""
    done = target + ".done"
    if os.path.exists(done):
        return
    shutil.rmtree(target, ignore_errors=True)
    for i in range(FILES):
        folder = os.path.join(target, "Folder %03d" % (i // 100))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "%05d no stream.mp3" % i), "wb") as f:
            f.write(b"\x00" * 1024)
    open(done, "w").close()


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(cmd):
    """Wall time, processor time (user + system) and the finished process of @p cmd."""
    cpu = children_cpu()
    start = time.perf_counter()
    proc = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start, children_cpu() - cpu, proc


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--build", default="build")
    p.add_argument("--corpus", default=os.environ.get("TL_BENCH_CORPUS", "bench-corpus"))
    p.add_argument("--scratch", default=os.environ.get("TL_BENCH_SCRATCH", "bench-scanwin"))
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--trees", default="empty,cbr,tag-warnings,no-stream")
    a = p.parse_args()
    app = os.path.join(a.build, "app")
    cli = os.path.join(app, "tunelister-cli")
    window = os.path.join(a.build, "bench", "bench_scanwindow")
    for tool in (cli, window):
        if not os.access(tool, os.X_OK):
            sys.exit("%s is missing: build with -DTL_BENCH=ON first" % tool)
    cbr = os.path.join(a.corpus, "cbr")
    if not os.path.isdir(cbr):
        sys.exit("%s is missing: run bench/make_scan_corpus.py first" % cbr)
    os.makedirs(a.scratch, exist_ok=True)
    trees = {
        "empty": os.path.join(a.scratch, "empty"),
        "cbr": cbr,
        "tag-warnings": os.path.join(a.scratch, "tag-warnings"),
        "no-stream": os.path.join(a.scratch, "no-stream"),
    }
    chosen = a.trees.split(",")
    os.makedirs(trees["empty"], exist_ok=True)
    if "tag-warnings" in chosen:
        make_tag_warning_tree(cbr, trees["tag-warnings"])
    if "no-stream" in chosen:
        make_no_stream_tree(trees["no-stream"])

    out = tempfile.mkdtemp(prefix="tl-scanwin-bench-", dir=a.scratch)
    results = {}
    failed = False
    try:
        for name in chosen:
            tree = trees[name]
            cli_cmd = [cli, "scan", tree, "--out", out, "--name", "cli"]
            win_cmd = [window, app, tree, out, "win"]
            subprocess.run(cli_cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            cli_times, win_times, win_inside, gaps, loads = [], [], [], [], []
            cli_cpu, win_cpu = [], []
            lines = None
            for run in range(a.runs):
                loads.append(load())
                for order in ((0, 1) if run % 2 == 0 else (1, 0)):
                    if order == 0:
                        wall, cpu, proc = timed(cli_cmd)
                        if proc.returncode != 0:
                            sys.exit("tunelister-cli scan of %s failed" % tree)
                        cli_times.append(wall)
                        cli_cpu.append(cpu)
                    else:
                        wall, cpu, proc = timed(win_cmd)
                        if proc.returncode != 0:
                            sys.exit("bench_scanwindow on %s failed" % tree)
                        win_cpu.append(cpu)
                        r = json.loads(proc.stdout)
                        if not r["completed"]:
                            sys.exit("the window's scan of %s did not complete" % tree)
                        win_times.append(wall)
                        win_inside.append(r["seconds"])
                        gaps.append(r["maxGapMs"])
                        lines = r["lines"]
                loads.append(load())
            cli_med = statistics.median(cli_times)
            win_med = statistics.median(win_times)
            ratio = win_med / cli_med
            ok = ratio <= 1.3 and max(gaps) <= 100
            if name == "empty":
                ok = True  # no target: the fixed cost of each program's run
            failed |= not ok
            results[name] = {
                "cliSeconds": cli_times, "windowSeconds": win_times,
                "cliCpuSeconds": cli_cpu, "windowCpuSeconds": win_cpu,
                "windowScanSeconds": win_inside, "maxGapMs": gaps, "loadavg": loads,
                "logLines": lines, "cliMedian": cli_med, "windowMedian": win_med,
                "ratio": ratio, "scanAloneRatio": statistics.median(win_inside) / cli_med,
            }
            print("== %s: %s (%d log lines), %d runs each, load %.1f-%.1f"
                  % (name, tree, lines, a.runs, min(loads), max(loads)))
            print("   tunelister-cli scan   median %6.2fs  (%s), cpu %.2fs"
                  % (cli_med, " ".join("%.2f" % t for t in cli_times),
                     statistics.median(cli_cpu)))
            print("   scan window           median %6.2fs  (%s), cpu %.2fs; the scan alone %.2fs"
                  % (win_med, " ".join("%.2f" % t for t in win_times),
                     statistics.median(win_cpu), statistics.median(win_inside)))
            print("   ratio %.2fx, the scan alone %.2fx (target <= 1.3x); longest event-loop gap: "
                  "median %.1f ms, worst %.1f ms (target <= 100 ms)  %s"
                  % (ratio, statistics.median(win_inside) / cli_med, statistics.median(gaps),
                     max(gaps), "ok" if ok else "MISSED"))
    finally:
        shutil.rmtree(out, ignore_errors=True)
    with open(os.path.join(a.scratch, "results.json"), "w") as f:
        json.dump(results, f, indent=1)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Compares two builds of perf_bench step by step in one run.

    bench/perf_ab.py BEFORE_PERF_BENCH AFTER_PERF_BENCH [--rounds N] FILE...

For every file and round, each step runs in a fresh process of the "before" build, then of
the "after" build, with the pugixml references of the "after" build beside them, so that both
sides see the same moment of a shared machine. Prints a markdown table of the medians: every
ratio the performance goals name, before and after, for each file.
"""
import argparse
import os
import statistics
import subprocess

STEPS = ["pugi-load", "pugi-save-utf8", "pugi-save-utf16", "pugi-save-latin1", "scl-read",
         "scl-write-utf8", "scl-write-utf16", "scl-write-ansi", "scl-destroy"]
SIDES = ["before", "after"]


def run_step(binary, step, path):
    out = subprocess.run([binary, "--child", step, path], check=True, capture_output=True,
                         text=True).stdout.split()
    return float(out[0]), int(out[2]) / 1024.0  # seconds, peak MiB after the step


def measure(binaries, path, rounds):
    series = {}  # (side, step) -> list of (seconds, peak)
    for _ in range(rounds):
        for step in STEPS:
            sides = SIDES if step.startswith("scl-") else ["after"]
            for side in sides:
                series.setdefault((side, step), []).append(run_step(binaries[side], step, path))
    return {key: (statistics.median(v[0] for v in values),
                  statistics.median(v[1] for v in values)) for key, values in series.items()}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("before")
    parser.add_argument("after")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    binaries = {"before": args.before, "after": args.after}
    rows = [("Read / pugixml load + walk (<= 2.0)", "scl-read", "pugi-load"),
            ("Write UTF-8 / pugixml UTF-8 save (<= 1.5)", "scl-write-utf8", "pugi-save-utf8"),
            ("Write UTF-16 / pugixml UTF-16 save (<= 2)", "scl-write-utf16", "pugi-save-utf16"),
            ("Write ISO-8859-1 / pugixml ISO-8859-1 save (<= 2)", "scl-write-ansi",
             "pugi-save-latin1"),
            ("Destroying the loaded file / Read (<= 0.3)", "scl-destroy", "scl-read")]
    results = {path: measure(binaries, path, args.rounds) for path in args.files}
    header = "| Step (target) |" + "".join(f" {os.path.basename(p)} before | after |" for p in args.files)
    print(header)
    print("|---|" + "---|---|" * len(args.files))
    for title, step, reference in rows:
        cells = []
        for path in args.files:
            m = results[path]
            for side in SIDES:
                ref_side = side if reference.startswith("scl-") else "after"
                cells.append(f"{m[(side, step)][0] / m[(ref_side, reference)][0]:.2f}")
        print(f"| {title} | " + " | ".join(cells) + " |")
    cells = []
    for path in args.files:
        m = results[path]
        pugi_peak = m[("after", "pugi-load")][1]
        for side in SIDES:
            peak = m[(side, "scl-read")][1]
            cells.append(f"{peak:.1f} ({peak / pugi_peak:.2f})")
    print("| Read peak MiB / pugixml loaded (<= 1.4) | " + " | ".join(cells) + " |")
    print()
    for path in args.files:
        m = results[path]
        print(f"{path}: pugixml load + walk {m[('after', 'pugi-load')][0]:.3f} s, save UTF-8 "
              f"{m[('after', 'pugi-save-utf8')][0]:.3f} s; Read {m[('before', 'scl-read')][0]:.3f}"
              f" -> {m[('after', 'scl-read')][0]:.3f} s; Write UTF-8 "
              f"{m[('before', 'scl-write-utf8')][0]:.3f} -> {m[('after', 'scl-write-utf8')][0]:.3f} s")
    if len(args.files) > 1:
        for side in SIDES:
            base = results[args.files[0]]
            last = results[args.files[-1]]
            growth = ((last[(side, "scl-read")][0] / os.path.getsize(args.files[-1])) /
                      (base[(side, "scl-read")][0] / os.path.getsize(args.files[0])))
            print(f"Read per MiB, {args.files[0]} -> {args.files[-1]} ({side}): {growth:.2f}x")


if __name__ == "__main__":
    main()

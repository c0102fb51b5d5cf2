"""The one table of a benchmark run: every figure with its baseline from the same run, the ratio
and the target. Each part of the run adds its rows to the file ULKA_BENCH_TABLE names (one JSON
object a line); run.sh prints the table at the end.

  table.py row FIGURE VALUE BASELINE BASELINE_VALUE RATIO SENSE TARGET [KIND]
      SENSE is "at most" or "at least"; KIND says what the ratio compares (time, throughput,
      speed, memory, size); VALUE and BASELINE_VALUE are texts with their units.
  table.py print FILE
"""
import json
import os
import sys


def add_row(figure, value, baseline, baseline_value, ratio, sense, target, kind=""):
    """Appends a row to the run's table, or prints it as a line when no table is kept."""
    ratio, target = float(ratio), float(target)
    met = ratio <= target if sense == "at most" else ratio >= target
    row = {"figure": figure, "value": value, "baseline": baseline, "baseline_value": baseline_value,
           "ratio": ratio, "sense": sense, "target": target, "kind": kind, "met": met}
    path = os.environ.get("ULKA_BENCH_TABLE")
    if path:
        with open(path, "a") as f:
            f.write(json.dumps(row) + "\n")
    print(f"{figure}: {value}; {baseline} {baseline_value}; ratio {ratio:.2f} "
          f"(target {sense} {target:g}) {'ok' if met else 'MISSED'}", flush=True)


def add_failure(figure, why):
    """A figure that could not be measured: shown in the table as missed."""
    path = os.environ.get("ULKA_BENCH_TABLE")
    row = {"figure": figure, "value": why, "baseline": "", "baseline_value": "", "ratio": None,
           "sense": "", "target": None, "kind": "", "met": False}
    if path:
        with open(path, "a") as f:
            f.write(json.dumps(row) + "\n")
    print(f"{figure}: not measured ({why})", flush=True)


def print_table(path):
    rows = []
    if os.path.exists(path):
        with open(path) as f:
            rows = [json.loads(line) for line in f if line.strip()]
    header = ["figure", "value", "baseline (same run)", "ratio", "target", ""]
    lines = []
    for r in rows:
        ratio = "-" if r["ratio"] is None else f"{r['ratio']:.2f}"
        target = "-" if r["target"] is None else f"{r['sense']} {r['target']:g}"
        if r["kind"]:
            target += f" ({r['kind']})"
        baseline = f"{r['baseline']} {r['baseline_value']}".strip()
        lines.append([r["figure"], r["value"], baseline, ratio, target, "ok" if r["met"] else "MISSED"])
    widths = [max(len(str(x)) for x in column) for column in zip(header, *lines)] if lines else [len(h) for h in header]
    def show(cells):
        print("  ".join(str(c).ljust(w) for c, w in zip(cells, widths)).rstrip())
    print()
    show(header)
    show(["-" * w for w in widths])
    for line in lines:
        show(line)
    missed = sum(1 for r in rows if not r["met"])
    print(f"\n{len(rows)} figures, {len(rows) - missed} met, {missed} missed")


def main(argv):
    if len(argv) >= 2 and argv[1] == "print":
        print_table(argv[2])
    elif len(argv) >= 2 and argv[1] == "row" and len(argv) in (9, 10):
        add_row(*argv[2:])
    elif len(argv) == 4 and argv[1] == "failed":
        add_failure(argv[2], argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)

"""Adds bitmap_bench's figures (Google Benchmark JSON) to the run's table against Pillow's
(pillow_bench.py) as speed ratios: Pillow's time over ours, each the fastest over every round given.
Usage: ratios.py ULKA.json[,ULKA.json...] PILLOW.json[,PILLOW.json...]"""
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import table  # noqa: E402  (bench/table.py)

NAMES = {
    "Decode": "decode a 24-megapixel JPEG",
    "EncodePng": "encode it as PNG",
    "EncodeJpeg90": "encode it as JPEG quality 90",
    "LanczosQuarter": "Lanczos downscale to a quarter (Draw vs resize)",
}
TARGET = 1.0


def fastest(rounds):
    best = {}
    for figures in rounds:
        for key, value in figures.items():
            best[key] = min(value, best.get(key, value))
    return best


def ulka_figures(path):
    figures = {}
    for b in json.load(open(path))["benchmarks"]:
        if b.get("aggregate_name") == "min":  # the fastest repetition, milliseconds of CPU time
            figures[b["name"].split("/")[0].removeprefix("BM_")] = b["real_time"]
    return figures


def main(ulka_paths, pillow_paths):
    ours = fastest(ulka_figures(p) for p in ulka_paths.split(","))
    pillow = fastest(json.load(open(p)) for p in pillow_paths.split(","))
    for key, what in NAMES.items():
        if key not in ours or key not in pillow:
            table.add_failure(what, "no figure")
            continue
        table.add_row(what, f"{ours[key]:.1f} ms", "Pillow", f"{pillow[key]:.1f} ms", pillow[key] / ours[key],
                      "at least", TARGET, "speed")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

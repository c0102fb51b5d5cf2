"""Prints bitmap_bench's figures (Google Benchmark JSON) against Pillow's (pillow_bench.py) as
speed ratios: Pillow's time over ours, each the fastest over every round given.
Usage: ratios.py ULKA.json[,ULKA.json...] PILLOW.json[,PILLOW.json...]"""
import json
import sys

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
            print(f"{what}: not measured")
            continue
        ratio = pillow[key] / ours[key]
        verdict = "ok" if ratio >= TARGET else "MISSED"
        print(f"{what}: ulka {ours[key]:.1f} ms, Pillow {pillow[key]:.1f} ms, "
              f"{ratio:.2f} x Pillow's speed (target at least {TARGET}) {verdict}")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

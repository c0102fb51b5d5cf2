"""Prints bitmap_bench's figures (Google Benchmark JSON) against Pillow's (pillow_bench.py) as
speed ratios: Pillow's time over ours. Usage: ratios.py ULKA.json PILLOW.json"""
import json
import sys

NAMES = {
    "Decode": "decode a 24-megapixel JPEG",
    "EncodePng": "encode it as PNG",
    "EncodeJpeg90": "encode it as JPEG quality 90",
    "LanczosQuarter": "Lanczos downscale to a quarter (Draw vs resize)",
}
TARGET = 1.0


def main(ulka_path, pillow_path):
    ours = {}
    for b in json.load(open(ulka_path))["benchmarks"]:
        ours[b["name"].split("/")[0].removeprefix("BM_")] = b["real_time"]  # milliseconds of CPU time
    pillow = json.load(open(pillow_path))
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

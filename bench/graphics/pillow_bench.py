"""Pillow's figures for the operations bitmap_bench measures, as JSON: the CPU time of each in
milliseconds, the fastest of several runs (as bitmap_bench reports its own). Usage: pillow_bench.py PHOTO.jpg"""
import io
import json
import sys
import time

from PIL import Image


def fastest_cpu_ms(operation, runs):
    operation()  # warm up, as Google Benchmark does
    times = []
    for _ in range(runs):
        start = time.process_time()
        operation()
        times.append(time.process_time() - start)
    return min(times) * 1000


def main(path):
    data = open(path, "rb").read()
    photo = Image.open(io.BytesIO(data))
    photo.load()

    def decode():
        im = Image.open(io.BytesIO(data))
        im.load()

    def save(fmt, **options):
        return lambda: photo.save(io.BytesIO(), fmt, **options)

    quarter = (photo.width // 4, photo.height // 4)
    print(json.dumps({
        "Decode": fastest_cpu_ms(decode, 10),
        "EncodePng": fastest_cpu_ms(save("PNG"), 2),
        "EncodeJpeg90": fastest_cpu_ms(save("JPEG", quality=90), 10),
        "LanczosQuarter": fastest_cpu_ms(lambda: photo.resize(quarter, Image.Resampling.LANCZOS), 10),
    }))


if __name__ == "__main__":
    main(sys.argv[1])

"""Pillow's figures for the operations bitmap_bench measures, as JSON: the mean CPU time of each, in
milliseconds. Usage: pillow_bench.py PHOTO.jpg"""
import io
import json
import sys
import time

from PIL import Image


def mean_cpu_ms(operation, runs):
    operation()  # warm up, as Google Benchmark does
    start = time.process_time()
    for _ in range(runs):
        operation()
    return (time.process_time() - start) / runs * 1000


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
        "Decode": mean_cpu_ms(decode, 10),
        "EncodePng": mean_cpu_ms(save("PNG"), 2),
        "EncodeJpeg90": mean_cpu_ms(save("JPEG", quality=90), 10),
        "LanczosQuarter": mean_cpu_ms(lambda: photo.resize(quarter, Image.Resampling.LANCZOS), 10),
    }))


if __name__ == "__main__":
    main(sys.argv[1])

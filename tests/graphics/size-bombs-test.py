#!/usr/bin/env python3
"""Tiny pictures that declare a huge size are refused before anything is decoded: little memory,
no waiting. A picture of a size the loader may take still opens.
    size-bombs-test.py ULKA_SCRIPT"""
import os, resource, struct, subprocess, sys, tempfile

def gif(width, height):
    head = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80, 0, 0) + b"\x00\x00\x00\xff\xff\xff"
    return head + b"," + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02\x44\x01\x00;"

def svg(width, height):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d"><rect width="9" height="9"/></svg>'
            % (width, height)).encode()

CASES = [  # name, bytes, expected answer of Open
    ("bomb.gif", gif(16384, 16384), "false 0x0"),
    ("bomb.svg", svg(16384, 16384), "false 0x0"),
    ("wide.gif", gif(65535, 4096), "false 0x0"),
    ("fine.gif", gif(2048, 2048), "true 2048x2048"),
]
LIMIT_KB = 300 * 1024

def main():
    ulka_script = sys.argv[1]
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        script = os.path.join(folder, "open.js")
        with open(script, "w") as f:
            f.write('var b = rtl.Bitmap(); var ok = b.Open(rtl.Params(1));\n'
                    'console.log(ok + " " + b.Width + "x" + b.Height);\n')
        for name, data, expected in CASES:
            path = os.path.join(folder, name)
            with open(path, "wb") as f:
                f.write(data)
            before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
            run = subprocess.run([ulka_script, script, path], capture_output=True, text=True, timeout=60)
            peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
            got = run.stdout.strip()
            if got != expected:
                failures.append("%s: %r, expected %r (%s)" % (name, got, expected, run.stderr.strip()))
            if expected.startswith("false") and peak > max(before, LIMIT_KB):
                failures.append("%s: refusing it took %d MB" % (name, peak // 1024))
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0

if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Type-checks code against the generated ulka.d.ts with tsc.

    typecheck.py TSC DECLARATIONS SOURCE_DIR WORK_DIR

The sample application (its host scripts, and each page's scripts as a document of their own)
and right-calls.txt must pass; every case of wrong-calls.txt must fail on its own, with one of
the error codes the table gives and no other.
"""
import html.parser
import json
import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ERROR = re.compile(r"^(?P<file>.+?)\((?P<line>\d+),(?P<col>\d+)\): error (?P<code>TS\d+): (?P<text>.*)$")
LIBS = {"host": ["es2022"], "page": ["es2022", "dom", "dom.iterable"]}


class InlineScripts(html.parser.HTMLParser):
    """The text of a page's inline <script> elements."""

    def __init__(self):
        super().__init__()
        self.scripts, self._inside = [], False

    def handle_starttag(self, tag, attrs):
        self._inside = tag == "script" and "src" not in dict(attrs)
        if self._inside:
            self.scripts.append("")

    def handle_endtag(self, tag):
        if tag == "script":
            self._inside = False

    def handle_data(self, data):
        if self._inside:
            self.scripts[-1] += data


def page_scripts(page):
    """The files a page runs: its external scripts and its inline ones, in order."""
    parser = InlineScripts()
    with open(page, encoding="utf-8") as f:
        text = f.read()
    parser.feed(text)
    files = [os.path.join(os.path.dirname(page), src)
             for src in re.findall(r'<script[^>]*\bsrc="([^"]+)"', text)]
    return files, parser.scripts


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def program(work, name, context, declarations, files):
    """Writes a tsconfig for one program; answers its path."""
    config = {
        "compilerOptions": {
            "noEmit": True, "allowJs": True, "checkJs": True, "strict": False,
            "target": "es2022", "lib": LIBS[context], "types": [], "skipLibCheck": False,
        },
        "files": [declarations] + files,
    }
    path = os.path.join(work, name, "tsconfig.json")
    write(path, json.dumps(config, indent=2))
    return path


def run_programs(tsc, configs):
    """Runs tsc on every program at once; answers each file's errors (absolute path to list)."""
    runs = [subprocess.Popen([tsc, "-p", c, "--pretty", "false"], stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True, cwd=os.path.dirname(c)) for c in configs]
    errors = {}
    for config, run in zip(configs, runs):
        output, _ = run.communicate(timeout=120)
        for line in output.splitlines():
            m = ERROR.match(line)
            if m:
                path = os.path.normpath(os.path.join(os.path.dirname(config), m["file"]))
                errors.setdefault(path, []).append((m["code"], line))
            elif line.strip() and not line.startswith(" "):
                errors.setdefault(config, []).append(("tsc", line))
    return errors


def main():
    tsc, declarations, source, work = sys.argv[1:5]
    declarations = os.path.abspath(declarations)
    shutil.rmtree(work, ignore_errors=True)
    sampler = os.path.join(source, "examples", "sampler")
    configs, must_pass, cases = [], [], []

    # Host scripts: the sample's start-up script, the script example, the right calls.
    right = os.path.join(work, "host", "right-calls.ts")
    with open(os.path.join(HERE, "right-calls.txt"), encoding="utf-8") as f:
        write(right, "export {};\n" + f.read())
    host_files = [os.path.join(sampler, "start.js"), os.path.join(source, "examples", "hello.js"), right]
    must_pass += host_files

    # Each page of the sample is a document of its own.
    for page in sorted(p for p in os.listdir(sampler) if p.endswith(".html")):
        files, inline = page_scripts(os.path.join(sampler, page))
        for i, text in enumerate(inline):
            path = os.path.join(work, "page-" + page, "inline-%d.js" % i)
            write(path, text)
            files.append(path)
        if files:
            configs.append(program(work, "page-" + page, "page", declarations, files))
            must_pass += files

    # The wrong calls, each in a file of its own.
    page_cases = []
    with open(os.path.join(HERE, "wrong-calls.txt"), encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if not line.strip() or line.startswith("#"):
                continue
            context, codes, code = line.rstrip("\n").split("\t", 2)
            path = os.path.join(work, context, "wrong-%d.ts" % number)
            write(path, "export {};\n" + code + "\n")
            cases.append((path, set(codes.split("|")), code))
            (host_files if context == "host" else page_cases).append(path)
    configs.append(program(work, "host", "host", declarations, host_files))
    configs.append(program(work, "page", "page", declarations, page_cases))

    errors = run_programs(tsc, configs)
    passed = failed = 0
    for config in configs:
        for _, line in errors.get(config, []):
            print("FAIL tsc: " + line)
            failed += 1
    for path in must_pass:
        found = errors.get(os.path.normpath(path), [])
        if found:
            failed += 1
            print("FAIL %s must type-check:\n  %s" % (os.path.relpath(path, source) if path.startswith(source) else path,
                                                  "\n  ".join(l for _, l in found)))
        else:
            passed += 1
    for path, codes, code in cases:
        found = [c for c, _ in errors.get(os.path.normpath(path), [])]
        if found and set(found) <= codes:
            passed += 1
        else:
            failed += 1
            print("FAIL %s must fail with %s, gave %s" % (code, "|".join(sorted(codes)), found or "no error"))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

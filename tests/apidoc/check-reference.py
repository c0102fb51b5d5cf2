#!/usr/bin/env python3
"""Checks the generated reference against the generated declarations.

    check-reference.py DECLARATIONS REFERENCE_DIR

Every interface declared has its page, listed on the index; every page is well-formed HTML whose
internal links resolve; and the pages carry what an author looks for: help strings, defaults, the
default member, indexed puts.
"""
import html.parser
import os
import re
import sys

VOID = {"meta", "link", "br", "img", "input", "hr"}
# The interfaces of the type library that every build has (more may come).
EXPECTED = ["IRtl", "IBytes", "IXml", "IXmlElement", "IXmlElementList", "IZip", "ISigner", "IDictionary",
            "IProtocol", "IStrings", "IScript", "IThread", "IRectangle", "IBitmap", "IBrowser", "ICryptor",
            "IFileList", "IFileInfo", "ICriticalSection", "IHTTP", "IPop3", "IWhoIs", "IObject", "IScreen",
            "IStorage", "IHTMLView"]


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.open, self.problems, self.links, self.ids, self.text = [], [], [], set(), ""

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.add(attrs["id"])
        if tag == "a" and "href" in attrs:
            self.links.append(attrs["href"])
        if tag not in VOID:
            self.open.append(tag)

    def handle_endtag(self, tag):
        if not self.open or self.open[-1] != tag:
            self.problems.append("</%s> closes <%s>" % (tag, self.open[-1] if self.open else "nothing"))
        else:
            self.open.pop()

    def handle_data(self, data):
        self.text += data


def parse(path):
    page = Page()
    with open(path, encoding="utf-8") as f:
        page.feed(f.read())
    if page.open:
        page.problems.append("unclosed " + ", ".join(page.open))
    return page


def main():
    declarations, folder = sys.argv[1:3]
    with open(declarations, encoding="utf-8") as f:
        declared = [n for n in re.findall(r"^  interface (\w+) ", f.read(), re.M) if n != "HostObject"]
    failures, passed = [], [0]

    def check(condition, what):
        if condition:
            passed[0] += 1
        else:
            failures.append(what)

    for name in EXPECTED:
        check(name in declared, "%s is not declared" % name)
    pages = {name: parse(os.path.join(folder, name)) for name in os.listdir(folder) if name.endswith(".html")}
    check(sorted(pages) == sorted(["index.html"] + [n + ".html" for n in declared]),
          "pages %s do not match the declared interfaces" % sorted(pages))
    for name, page in pages.items():
        check(not page.problems, "%s: %s" % (name, "; ".join(page.problems)))
        for link in page.links:
            target, _, anchor = link.partition("#")
            target = target or name
            check(target in pages, "%s links to missing %s" % (name, target))
            if anchor and target in pages:
                check(anchor in pages[target].ids, "%s links to missing anchor %s" % (name, link))
    index = pages.get("index.html")
    if index:
        for name in declared:
            check(name + ".html" in index.links, "index.html does not list " + name)
        check("window.external" in index.text, "index.html does not describe window.external")
    zip_page = pages.get("IZip.html")
    if zip_page:
        check("Dispatch interface for ZIP Object" in zip_page.text, "IZip.html lacks the help string")
        check("default member Extract" in zip_page.text, "IZip.html does not name its default member")
        check("zip.Names(Index, Value)" in zip_page.text, "IZip.html does not show the indexed put")
        check("zip(Name)" in zip_page.text, "IZip.html does not show the call of the object")
    rtl_page = pages.get("IRtl.html")
    if rtl_page:
        check('default "xor"' in rtl_page.text, "IRtl.html does not give Cryptor's default")
        check("IZip.html" in rtl_page.links, "IRtl.html does not link Zip's result")
    for failure in failures:
        print("FAIL " + failure)
    print("%d passed, %d failed" % (passed[0], len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

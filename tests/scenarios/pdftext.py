#!/usr/bin/env python3
"""Prints the text of a printout (a PDF) as a scenario compares it: one page after the
other, its lines with the layout's runs of blanks reduced to one, blank lines left out.

Qt's PDF writer files some CJK glyphs under compatibility code points (金 as ⾦); NFKC
folds them back, so the text reads as it was printed.
"""
import re
import subprocess
import sys
import unicodedata


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: pdftext.py FILE.pdf\n")
        return 2
    run = subprocess.run(["pdftotext", "-layout", "-enc", "UTF-8", sys.argv[1], "-"],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if run.returncode != 0:
        sys.stderr.write(run.stderr.decode("utf-8", "replace"))
        return 1
    text = unicodedata.normalize("NFKC", run.stdout.decode("utf-8"))
    for page, content in enumerate(text.split("\f")):
        lines = [re.sub(r"[ \t]+", " ", line).strip() for line in content.split("\n")]
        lines = [line for line in lines if line]
        if lines:
            print(f"[page {page + 1}]")
            print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())

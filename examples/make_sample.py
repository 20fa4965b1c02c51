#!/usr/bin/env python3
"""Write examples/sample.pdf: page 1 has a text layer, page 2 is a scan.

Run from anywhere:  python3 examples/make_sample.py   (needs pdftoppm)
The PDF helpers live in tests/data/pdfwriter.py.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.join(HERE, "..", "tests", "data"))

from pdfwriter import A4, Page, scan_pages, text_block, write_pdf  # noqa: E402

BORN_DIGITAL = [
    "Benvenuti a leggipdf.",
    "Questa prima pagina è nata digitale: il suo testo si legge direttamente.",
    "La città è già sveglia, perché il mercato apre presto.",
]

SCANNED = [
    "Questa seconda pagina è una scansione.",
    "Non ha un livello di testo: serve il riconoscimento ottico.",
    "Il fiume scorre lento sotto il vecchio ponte di pietra.",
]


def page_of(lines):
    return Page(*A4, content=text_block(lines, 72, 770, 12, 16, "F1"))


def main():
    scan = scan_pages([page_of(SCANNED)])[0]
    write_pdf(os.path.join(HERE, "sample.pdf"), [page_of(BORN_DIGITAL), scan])


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Write examples/sample.pdf: page 1 has a text layer, page 2 is a scan.

Run from anywhere:  python3 examples/make_sample.py
(needs pdftoppm and DejaVu Serif from Debian's fonts-dejavu-core).
The PDF helpers live in tests/data/pdfwriter.py.

The scanned page is DejaVu Serif 15 pt, embedded while rendering, so the scan
does not depend on which face fontconfig picks for "Times-Roman" (DejaVu on a
bare Debian, Nimbus where the URW fonts are installed). Scanned at 300 dpi,
1 bit per pixel, leggipdf reads every word of it exactly; it does so at 300 dpi
for any size from 13.5 pt to 17.5 pt, and at 15 pt from 200 to 400 dpi, so the
chosen setting sits in the middle of a safe range.
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

SCAN_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"


def page_of(lines, size=12, font="F1"):
    return Page(*A4, content=text_block(lines, 72, 770, size, size * 4 / 3, font))


def main():
    if not os.path.exists(SCAN_FONT):
        sys.exit(f"missing {SCAN_FONT}: install fonts-dejavu-core")
    scan = scan_pages([page_of(SCANNED, 15, "F9")], dpi=300, mono=True,
                      embedded={"F9": SCAN_FONT})[0]
    write_pdf(os.path.join(HERE, "sample.pdf"), [page_of(BORN_DIGITAL), scan])


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Real pages as a scanner hands them over, made at test time by CTest.

    /usr/bin/python3 tests/data/make_scanner_pages.py OUT_DIR

Each page is rendered by pdftoppm at 300 dpi in grey, turned or skewed with
Pillow (or laid on dark glass), and wrapped by img2pdf into a one-page PDF of the image's size at
300 dpi (a turned page has the turned size). Beside each NAME.pdf goes
NAME.txt, pdftotext's reading of the original page, NFKC-normalised so that
ligatures read as their letters (fi, fl, ff, ffi, ffl). Needs poppler-utils,
img2pdf, python3-pil, the shared corpus and Debian's c++-annotations-pdf.
"""

import concurrent.futures
import io
import pathlib
import subprocess
import sys
import unicodedata

from PIL import Image

HERE = pathlib.Path(__file__).resolve().parent
PAPER = HERE.parent.parent.parent / "shared/corpus/pdf/multicolumn-acm-paper-14p.pdf"
MANUAL = pathlib.Path("/usr/share/doc/c++-annotations/cplusplus.pdf")


def upright(image):
    return image


def turned(degrees):
    """Turned clockwise by quarter turns, the canvas turned with it."""
    return lambda image: image.rotate(-degrees, expand=True)


def skewed(degrees):
    """Tilted clockwise on the same canvas, the corners filled with paper white."""
    return lambda image: image.rotate(-degrees, fillcolor=255, resample=Image.BICUBIC)


def on_dark_glass(degrees, margin):
    """Tilted on a scanner whose lid stayed open: the glass around the sheet,
    `margin` of its width on each side, comes out nearly black."""
    def scan(image):
        tilted = image.rotate(-degrees, expand=True, fillcolor=255, resample=Image.BICUBIC)
        edge = round(margin * image.width)
        glass = Image.new("L", (tilted.width + 2 * edge, tilted.height + 2 * edge), 35)
        glass.paste(tilted, (edge, edge))
        return glass
    return scan


# name: (source, page number, what the scanner did to it)
PAGES = {
    "paper-two-columns": (PAPER, 2, upright),
    "paper-on-dark-glass": (PAPER, 2, on_dark_glass(1.2, 0.06)),
    "manual-upright": (MANUAL, 40, upright),
    "manual-turned-90": (MANUAL, 33, turned(90)),
    "manual-turned-180": (MANUAL, 33, turned(180)),
    "manual-turned-270": (MANUAL, 33, turned(270)),
    "manual-skewed-3": (MANUAL, 33, skewed(3)),
}


def rendered(source, number):
    """The page at 300 dpi in 8-bit grey."""
    png = subprocess.run(["pdftoppm", "-r", "300", "-gray", "-png", "-singlefile", "-f", str(number), "-l",
                          str(number), str(source)], capture_output=True, check=True).stdout
    return Image.open(io.BytesIO(png)).convert("L")  # pdftoppm writes grey PNGs as RGB


def reference(source, number):
    text = subprocess.run(["pdftotext", "-f", str(number), "-l", str(number), "-enc", "UTF-8", str(source), "-"],
                          capture_output=True, check=True).stdout.decode("utf-8")
    return unicodedata.normalize("NFKC", text)


def write(out, name, scanner, page, text):
    scanned = scanner(page)
    png = io.BytesIO()
    scanned.save(png, "PNG", compress_level=1)
    subprocess.run(["img2pdf", "--imgsize", "300dpi", "-o", str(out / f"{name}.pdf"), "-"], input=png.getvalue(),
                   check=True)
    (out / f"{name}.txt").write_text(text, encoding="utf-8")


def main():
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    sources = sorted({(source, number) for source, number, _ in PAGES.values()})
    # Rendering and wrapping run in other processes or in Pillow outside the GIL: threads share the cores.
    with concurrent.futures.ThreadPoolExecutor() as pool:
        images = dict(zip(sources, pool.map(lambda page: rendered(*page), sources)))
        texts = dict(zip(sources, pool.map(lambda page: reference(*page), sources)))
        done = [pool.submit(write, out, name, scanner, images[source, number], texts[source, number])
                for name, (source, number, scanner) in PAGES.items()]
        for future in done:
            future.result()


if __name__ == "__main__":
    main()

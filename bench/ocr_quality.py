#!/usr/bin/python3
"""OCR quality on real pages of running text from manuals that Debian packages
install under /usr/share/doc. Each page is rendered at 300 dpi grey and
wrapped, alone, into an image-only PDF of the original page size; then
  - leggipdf reads that PDF;
  - "engine order": pdftoppm -r 180 -gray of that PDF, then
    OMP_THREAD_LIMIT=1 tesseract IMAGE - -l Latin, whose plain text keeps the
    engine's own line order;
  - the reference is pdftotext -enc UTF-8 of the original page's text layer.
All three are normalised here (NFKC, so ligatures such as "fi" match, then
split on whitespace and joined with single spaces) and each OCR text gets its
character error rate against the reference: Levenshtein distance / reference
length. Prints one Markdown table, a line per page then the mean per layout;
the target is leggipdf's mean on one-column pages within 1.1x of the
engine's. Pages whose document is not installed are skipped with a note.
About a minute and a half on 2 cores.

  bench/ocr_quality.py [--row FILE]   (leggipdf from $LEGGIPDF, else build/leggipdf)
  --row FILE   append the summary row for bench/run_all.sh's table to FILE
"""
import argparse
import concurrent.futures
import gzip
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import unicodedata

ROOT = pathlib.Path(__file__).resolve().parent.parent
DOC = pathlib.Path("/usr/share/doc")
# document (under /usr/share/doc), Debian package, page, body type size, layout.
# The valgrind page is plain running text, but the engine's own layout
# analysis finds false columns in it (about 55% CER in its own order against
# under 1% for leggipdf), so it has a group of its own: in the one-column
# mean it would hide any fault in leggipdf's order on the other pages.
PAGES = [
    ("c++-annotations/cplusplus.pdf", "c++-annotations-pdf", 33, "10 pt", "one column"),
    ("c++-annotations/cplusplus.pdf", "c++-annotations-pdf", 52, "10 pt", "one column"),
    ("c++-annotations/cplusplusus.pdf", "c++-annotations-pdf", 213, "10 pt", "one column"),
    ("c++-annotations/cplusplusus.pdf", "c++-annotations-pdf", 221, "10 pt", "one column"),
    ("bzip2/manual.pdf.gz", "bzip2-doc", 6, "10 pt", "one column"),
    ("valgrind/valgrind_manual.pdf.gz", "valgrind", 16, "10 pt", "one column, engine sees columns"),
    ("nettle-dev/nettle.pdf.gz", "nettle-dev", 12, "11 pt", "one column"),
    ("nettle-dev/nettle.pdf.gz", "nettle-dev", 26, "11 pt", "one column"),
    ("libtasn1-doc/libtasn1.pdf", "libtasn1-doc", 29, "11 pt", "one column"),
    ("c++-annotations/cplusplus.pdf", "c++-annotations-pdf", 125, "10 pt", "table"),
    # Two columns are read line by line across them, as the order is defined.
    (str(ROOT.parent / "shared/corpus/pdf/multicolumn-acm-paper-14p.pdf"), "the shared corpus", 2, "9 pt", "two columns"),
    (str(ROOT.parent / "shared/corpus/pdf/multicolumn-acm-paper-14p.pdf"), "the shared corpus", 3, "9 pt", "two columns"),
]
TARGET = 1.1


def run(*command, env=None):
    return subprocess.run(command, check=True, capture_output=True, text=True, env=env).stdout


def normalised(text):
    return " ".join(unicodedata.normalize("NFKC", text).split())


def distance(a, b):
    """Levenshtein distance, bit-parallel (Myers 1999, Hyyrö 2001): one
    big-integer bit per character of a, one step per character of b."""
    if not a:
        return len(b)
    mask, high = (1 << len(a)) - 1, 1 << (len(a) - 1)
    peq = {}
    for i, c in enumerate(a):
        peq[c] = peq.get(c, 0) | 1 << i
    pv, mv, score = mask, 0, len(a)
    for c in b:
        eq = peq.get(c, 0)
        xv = eq | mv
        xh = ((((eq & pv) + pv) & mask) ^ pv) | eq
        ph = mv | (~(xh | pv) & mask)
        mh = pv & xh
        score += 1 if ph & high else -1 if mh & high else 0
        ph = ((ph << 1) | 1) & mask
        mh = (mh << 1) & mask
        pv = mh | (~(xv | ph) & mask)
        mv = ph & xv
    return score


def cer(text, reference):
    return distance(reference, text) / max(len(reference), 1)


def paper(width, height):
    for name, (w, h) in {"A4": (595.3, 841.9), "US letter": (612, 792)}.items():
        if abs(width - w) < 2 and abs(height - h) < 2:
            return name
    return f"{width:g} x {height:g} pt"


def measure(leggipdf, source, page, work):
    """(size in pt, CER of leggipdf, CER in the engine's order) for one page."""
    info = run("pdfinfo", "-f", str(page), "-l", str(page), source)
    width, height = map(float, re.search(rf"Page +{page} size: +([\d.]+) x ([\d.]+)", info).groups())
    scan, image_pdf, low = work / "scan", work / "page.pdf", work / "low"
    run("pdftoppm", "-r", "300", "-f", str(page), "-l", str(page), "-gray", "-png", "-singlefile",
        source, str(scan))
    run("img2pdf", "--pagesize", f"{width}x{height}", "-o", str(image_pdf), f"{scan}.png")
    result = json.loads(run(leggipdf, str(image_pdf)))
    if not result["usedOCR"]:
        sys.exit(f"leggipdf did not use OCR on {image_pdf}")
    run("pdftoppm", "-r", "180", "-gray", "-singlefile", str(image_pdf), str(low))
    engine = run("tesseract", f"{low}.pgm", "-", "-l", "Latin", env={**os.environ, "OMP_THREAD_LIMIT": "1"})
    reference = normalised(run("pdftotext", "-f", str(page), "-l", str(page), "-enc", "UTF-8", source, "-"))
    return (width, height), cer(normalised(result["pages"][0]["text"]), reference), cer(normalised(engine), reference)


def main():
    parser = argparse.ArgumentParser(description="OCR quality of leggipdf on real pages")
    parser.add_argument("--row", help="append the summary row of the benchmark table to this file")
    args = parser.parse_args()
    leggipdf = os.path.realpath(os.environ.get("LEGGIPDF", ROOT / "build" / "leggipdf"))
    with tempfile.TemporaryDirectory() as temporary:
        work = pathlib.Path(temporary)
        sources, jobs, missing = {}, [], []
        for document, package, page, points, layout in PAGES:
            path = DOC / document
            if not path.exists():
                missing.append(f"{document} (Debian package {package})")
                continue
            if document not in sources and path.suffix == ".gz":
                sources[document] = work / path.stem
                with gzip.open(path) as packed, open(sources[document], "wb") as unpacked:
                    shutil.copyfileobj(packed, unpacked)
            source = str(sources.get(document, path))
            (work / str(len(jobs))).mkdir()
            jobs.append((document, page, points, layout, source, work / str(len(jobs))))
        with concurrent.futures.ThreadPoolExecutor(2) as pool:
            results = list(pool.map(lambda j: measure(leggipdf, j[4], j[1], j[5]), jobs))

    print("| document | page | size, type, layout | CER leggipdf | CER engine order |")
    print("| --- | --- | --- | --- | --- |")
    groups = {}
    for (document, page, points, layout, _, _), (size, ours, engine) in zip(jobs, results):
        print(f"| {pathlib.Path(document).name.removesuffix('.gz')} | {page} | {paper(*size)}, {points}, {layout} "
              f"| {ours:.2%} | {engine:.2%} |")
        groups.setdefault(layout, []).append((ours, engine))
    for layout, values in groups.items():
        ours, engine = (sum(v) / len(values) for v in zip(*values))
        print(f"| mean of {len(values)} page{'s' * (len(values) > 1)} | | {layout} | {ours:.2%} | {engine:.2%} |")
    worse = [f"{pathlib.Path(j[0]).name.removesuffix('.gz')} p. {j[1]}"
             for j, (_, ours, engine) in zip(jobs, results) if ours > engine + 0.001]
    print(f"\nPages where leggipdf's error rate exceeds the engine order's by over 0.1 point: "
          f"{', '.join(worse) or 'none'}.")
    for note in missing:
        print(f"\nSkipped, not installed: {note}.")
    if "one column" not in groups:
        sys.exit("no one-column page was measured")
    ours, engine = (sum(v) / len(groups["one column"]) for v in zip(*groups["one column"]))
    ratio = ours / engine if engine else float("inf")
    print(f"\nOne-column pages: leggipdf {ours:.2%} / engine order {engine:.2%} = {ratio:.2f}x (target ≤ {TARGET:.2f}x)")
    if args.row:
        with open(args.row, "a") as row:
            row.write(f"| OCR quality, {len(groups['one column'])} one-column pages of manuals at 10-11 pt: "
                      f"mean character error rate | {ours:.2%} | {engine:.2%} (tesseract in its own line order) "
                      f"| {ratio:.2f}x | ≤ {TARGET:.2f}x | {'yes' if ratio <= TARGET else 'no'} |\n")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""OCR quality on real pages of running text: manuals that Debian packages
install under /usr/share/doc, and two-column journal and conference pages
(the shared corpus, and guides for authors in texlive-publishers-doc), and
spreads of two consecutive manual pages. Each page (each spread, its two
pages side by side) is rendered at 300 dpi grey and, under each condition
below, wrapped alone into an image-only PDF; then
  - leggipdf reads that PDF;
  - "engine order": pdftoppm -r 180 -gray of that PDF, then
    OMP_THREAD_LIMIT=1 tesseract IMAGE - -l Latin, whose plain text keeps the
    engine's own line order (and reads a turned bitmap as it is);
  - the reference is pdftotext -enc UTF-8 of the original page's text layer
    (of a spread, the left page's then the right page's).
All three are normalised here (NFKC, so ligatures such as "fi" match, then
split on whitespace and joined with single spaces) and each OCR text gets its
character error rate against the reference: Levenshtein distance / reference
length.

Conditions, as scanners and people feeding them make pages:
  upright      the 300 dpi scan as it is, on a page of the original size;
  turned 90, turned 180, turned 270
               the scan turned that many degrees clockwise, on a page of the
               turned size (sideways pages have width and height swapped);
  skewed 3     the scan turned 3 degrees clockwise on the same canvas, the
               corners filled with white, as a sheet placed by hand;
  jpeg 30      the upright scan coded as JPEG at quality 30, as a scanner
               set to small files codes it;
  fax 200      the upright scan at 200 dpi cut to black and white at mid-grey
               and coded CCITT group 4, as a fax in its fine mode or a
               document scanner in black-and-white mode codes it;
  fax 200x100  the same at 200 dpi across and 100 down, a fax's standard mode;
  low 150, low 100
               the upright scan at that resolution (Lanczos), as a scanner
               set to draft quality makes it;
  jpeg 30 turned 90, fax 200 skewed 3, fax 200x100 turned 180,
  low 100 turned 270
               the two together, the page turned before it is coded.
Tables are measured upright only (see UPRIGHT_ONLY).

Everyday damage, drawn on the upright scan by bench/scan_noise.py (which
says how) with a generator seeded by the page and the condition, so every
run and every build reads the same bitmaps; each measured on the layouts
named (see NOISE_LAYOUTS), the one-column pages five of the eight:
  border       a flatbed scan with the lid open: the sheet turned 0.5-2
               degrees, near-black glass 3-8% of the page wide beyond it,
               its edge ragged and shaded; grey, 300 dpi (one column, two
               columns);
  stamp        a red rubber stamp turned 10-20 degrees across the gutter,
               or across a one-column page's text, and blue ballpoint marks
               (an underline, a tick, a signature); RGB, 300 dpi (one
               column, two columns);
  phone        a phone's photograph of the page on a desk: a 3-8%
               trapezoid, the desk around it, uneven light, a colour cast,
               slight blur, 150-200 dpi, JPEG quality 60-75, RGB (one
               column, table, two columns);
  spread       two facing pages of a book on the glass, lines bent and
               crowded toward the fold and shaded into it; grey, 300 dpi
               (the spreads alone, which take nothing else).

Prints a Markdown table with a line per page and condition, then the mean
per layout and condition, leggipdf's beside the engine order's, and the
targets: on one-column pages upright leggipdf within 1.1x of the engine
order, on two-column pages within 1.25x, and the same under each coding and
resolution (where the engine reads the same bitmap); and per layout, every
turned or skewed condition within 1.5x of the same pages upright under the
same coding and resolution, plus one point; and per layout, under each kind
of everyday damage, leggipdf within 1.25x of the engine order on the same
bitmap plus half a point. The summary gives the mean seconds each reader
took per page (for the engine, pdftoppm's included).
Pages whose document is not installed are skipped with a note.
All 16 pages under the first five conditions, 76 measurements, take about
6 minutes on 2 idle cores, 13 beside a build (each measurement reads the
page twice, once with leggipdf and once with tesseract, about 4 s each);
the other nine, 135 measurements, about 15 minutes more; --conditions
upright alone takes a minute and a half. The four kinds of everyday damage
(--conditions border,stamp,phone,spread), 37 measurements, take 12 to 17
minutes on 2 cores shared with builds (their bitmaps are larger: up to
two pages, or glass or desk around the page).

  bench/ocr_quality.py [--conditions LIST] [--row FILE] [--json FILE]
                       (leggipdf from $LEGGIPDF, else build/leggipdf)
  --conditions LIST  comma-separated conditions to measure, default all, e.g.
                     --conditions "upright,skewed 3" (a dash may stand for
                     the space: turned-90)
  --row FILE         append the one-column upright summary row for
                     bench/run_all.sh's table to FILE (needs upright)
  --json FILE        write every page's result, texts included, to FILE, to
                     compare two builds
"""
import argparse
import collections
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
import time
import unicodedata
import zlib

from PIL import Image

import scan_noise

ROOT = pathlib.Path(__file__).resolve().parent.parent
DOC = pathlib.Path("/usr/share/doc")
TEX = "texlive-doc/latex"
CORPUS = str(ROOT.parent / "shared/corpus/pdf")
Page = collections.namedtuple("Page", "document package page points layout noise", defaults=(True,))
# document (under /usr/share/doc, or an absolute path), Debian package, page
# (of a spread, the left one: the right one follows it), body type size,
# layout, and whether the page takes the noise conditions of its layout (see
# NOISE_LAYOUTS; three one-column pages do not, to keep the run short, the
# three whose documents give the spreads).
# The valgrind page is plain running text, but the engine's own layout
# analysis finds false columns in it (about 55% CER in its own order against
# under 1% for leggipdf), so it has a group of its own: in the one-column
# mean it would hide any fault in leggipdf's order on the other pages.
# The reference and the engine read two columns a column at a time. Besides
# the shared corpus's ACM paper, the two-column pages are running text from
# the guides for authors of REVTeX (APS), TUGboat and MNRAS, each typeset in
# its journal's class, chosen where pdftotext and the engine put the blocks in
# the same order (on the MNRAS page, all but one paragraph, which costs the
# engine about 9 points): on pages with footnotes, floats or a reference list,
# a block placed elsewhere costs up to twice its length and swamps the
# reading of the text.
PAGES = [
    Page("c++-annotations/cplusplus.pdf", "c++-annotations-pdf", 33, "10 pt", "one column", False),
    Page("c++-annotations/cplusplus.pdf", "c++-annotations-pdf", 52, "10 pt", "one column"),
    Page("c++-annotations/cplusplusus.pdf", "c++-annotations-pdf", 213, "10 pt", "one column"),
    Page("c++-annotations/cplusplusus.pdf", "c++-annotations-pdf", 221, "10 pt", "one column"),
    Page("bzip2/manual.pdf.gz", "bzip2-doc", 6, "10 pt", "one column", False),
    Page("valgrind/valgrind_manual.pdf.gz", "valgrind", 16, "10 pt", "one column, engine sees columns"),
    Page("nettle-dev/nettle.pdf.gz", "nettle-dev", 12, "11 pt", "one column", False),
    Page("nettle-dev/nettle.pdf.gz", "nettle-dev", 26, "11 pt", "one column"),
    Page("libtasn1-doc/libtasn1.pdf", "libtasn1-doc", 29, "11 pt", "one column"),
    Page("c++-annotations/cplusplus.pdf", "c++-annotations-pdf", 125, "10 pt", "table"),
    Page(f"{CORPUS}/multicolumn-acm-paper-14p.pdf", "the shared corpus", 2, "9 pt", "two columns"),
    Page(f"{CORPUS}/multicolumn-acm-paper-14p.pdf", "the shared corpus", 3, "9 pt", "two columns"),
    Page(f"{TEX}/revtex/auguide/auguide4-2.pdf", "texlive-publishers-doc", 9, "10 pt", "two columns"),
    Page(f"{TEX}/revtex/auguide/auguide4-2.pdf", "texlive-publishers-doc", 12, "10 pt", "two columns"),
    Page(f"{TEX}/tugboat/ltubguid.pdf", "texlive-publishers-doc", 2, "10 pt", "two columns"),
    Page(f"{TEX}/mnras/mnras_guide.pdf", "texlive-publishers-doc", 2, "9 pt", "two columns"),
    # Spreads of running text (flat, the engine reads them at 0.6-2.3% CER;
    # cplusplus.pdf p. 34 has a diagram whose labels are a bitmap, read by
    # both orders alike).
    Page("c++-annotations/cplusplus.pdf", "c++-annotations-pdf", 33, "10 pt", "spread"),
    Page("nettle-dev/nettle.pdf.gz", "nettle-dev", 12, "11 pt", "spread"),
    Page("bzip2/manual.pdf.gz", "bzip2-doc", 6, "10 pt", "spread"),
]
# Degrees clockwise per condition; a quarter turn swaps the page's sides.
# Tesseract alone reads a page turned 90 degrees as well as upright (it finds
# the vertical lines), but neither one upside down or turned 270 nor, on most
# of these pages, one skewed 3 degrees, where it drops whole blocks: so turned
# and skewed pages are judged against the same pages upright.
# dpi: across and down. noise: the damage of bench/scan_noise.py that the
# condition draws on the upright scan (which sets its own resolution and
# coding), or None.
Condition = collections.namedtuple("Condition", "degrees dpi coding noise", defaults=(0, (300, 300), "png", None))
CONDITIONS = {"upright": Condition(), "turned 90": Condition(90), "turned 180": Condition(180),
              "turned 270": Condition(270), "skewed 3": Condition(3), "jpeg 30": Condition(coding="jpeg"),
              "fax 200": Condition(dpi=(200, 200), coding="fax"),
              "fax 200x100": Condition(dpi=(200, 100), coding="fax"),
              "low 150": Condition(dpi=(150, 150)), "low 100": Condition(dpi=(100, 100)),
              "jpeg 30 turned 90": Condition(90, coding="jpeg"),
              "fax 200 skewed 3": Condition(3, (200, 200), "fax"),
              "fax 200x100 turned 180": Condition(180, (200, 100), "fax"),
              "low 100 turned 270": Condition(270, (100, 100)),
              "border": Condition(noise="border"), "stamp": Condition(noise="stamp"),
              "phone": Condition(noise="phone"), "spread": Condition(noise="spread")}
# Conditions that change how the page is coded, not where it lies: the engine
# reads them as well as the page upright, so they are judged against it.
CODINGS = {name for name, c in CONDITIONS.items() if not c.degrees and not c.noise and name != "upright"}
# The layouts each kind of everyday damage is measured on: a spread is a
# layout of its own (two pages side by side in one image), and takes nothing
# else.
NOISE_LAYOUTS = {"border": {"one column", "two columns"}, "stamp": {"one column", "two columns"},
                 "phone": {"one column", "table", "two columns"}, "spread": {"spread"}}
JPEG_QUALITY = 30
# Layouts measured upright only, to keep the run short.
UPRIGHT_ONLY = {"table"}
TARGET = 1.1            # one column upright, against the engine order
TARGET_COLUMNS = 1.25   # two columns upright, against the engine order
TARGET_TURNED = 1.5     # turned or skewed, against the same pages upright ...
TARGET_TURNED_SLACK = 0.01  # ... plus one point
TARGET_NOISE = 1.25     # everyday damage, against the engine order on the same bitmap ...
TARGET_NOISE_SLACK = 0.005  # ... plus half a point
WORKERS = 2


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


def mean(values):
    return sum(values) / len(values)


def ratio(ours, engine):
    """ours / engine, where no error against none counts as even."""
    return ours / engine if engine else 1.0 if not ours else float("inf")


def paper(width, height):
    for name, (w, h) in {"A4": (595.3, 841.9), "US letter": (612, 792)}.items():
        if abs(width - w) < 2 and abs(height - h) < 2:
            return name
    return f"{width:g} x {height:g} pt"


def pages(count):
    return f"{count} page{'s' * (count != 1)}"


def short_name(document):
    return pathlib.Path(document).name.removesuffix(".gz")


def condition_names(text):
    """The conditions named in a comma-separated list, in CONDITIONS' order."""
    asked = {re.sub(r"[\s_-]+", " ", name.strip().lower()) for name in text.split(",") if name.strip()}
    unknown = asked - CONDITIONS.keys()
    if unknown:
        raise argparse.ArgumentTypeError(f"unknown condition(s) {', '.join(sorted(unknown))}; "
                                         f"known: {', '.join(CONDITIONS)}")
    return [name for name in CONDITIONS if name in asked]


def takes(page, name):
    """Whether the page is measured under the condition."""
    if CONDITIONS[name].noise:
        return page.noise and page.layout in NOISE_LAYOUTS[CONDITIONS[name].noise]
    return page.layout != "spread" and (name == "upright" or page.layout not in UPRIGHT_ONLY)


def seed(page, name):
    """The noise's seed for a page under a condition: the same in every run
    and every build (unlike hash(), which Python salts per process)."""
    return zlib.crc32(f"{short_name(page.document)} {page.page} {page.layout} {name}".encode())


def sources(pages, work):
    """{document: readable path} for the installed documents of pages, a
    gzipped one unpacked into work; and a note per document missing."""
    found, missing = {}, []
    for document, package in dict.fromkeys((p.document, p.package) for p in pages):
        path = DOC / document
        if not path.exists():
            missing.append(f"{document} (Debian package {package})")
        elif path.suffix == ".gz":
            found[document] = work / f"{len(found)}-{path.stem}"
            with gzip.open(path) as packed, open(found[document], "wb") as unpacked:
                shutil.copyfileobj(packed, unpacked)
        else:
            found[document] = path
    return found, missing


def scan(source, page, work, spread=False):
    """Render one page at 300 dpi grey into work: (its size in pt, the scan's
    path, the reference text). A spread is the page and the next side by
    side, flat, its reference the left page's text then the right one's."""
    work.mkdir()
    numbers = [page, page + 1] if spread else [page]
    sizes, references = [], []
    for number in numbers:
        info = run("pdfinfo", "-f", str(number), "-l", str(number), str(source))
        sizes.append(tuple(map(float, re.search(rf"Page +{number} size: +([\d.]+) x ([\d.]+)", info).groups())))
        run("pdftoppm", "-r", "300", "-f", str(number), "-l", str(number), "-gray", "-png", "-singlefile",
            str(source), str(work / f"scan{number}"))
        references.append(normalised(run("pdftotext", "-f", str(number), "-l", str(number), "-enc", "UTF-8",
                                         str(source), "-")))
    if not spread:
        (work / f"scan{page}.png").rename(work / "scan.png")
        return sizes[0], work / "scan.png", references[0]
    left, right = (Image.open(work / f"scan{number}.png").convert("L") for number in numbers)
    pair = Image.new("L", (left.width + right.width, max(left.height, right.height)), 255)
    pair.paste(left, (0, 0))
    pair.paste(right, (left.width, 0))
    pair.save(work / "scan.png", dpi=(300, 300))
    return (sizes[0][0] + sizes[1][0], max(sizes[0][1], sizes[1][1])), work / "scan.png", " ".join(references)


def noisy(image_path, condition, work, noise_seed, columns):
    """The scan damaged as the condition draws it, written into work: (the
    size of its page, sized from the bitmap at its resolution, and its
    path)."""
    with Image.open(image_path) as image:
        drawn = scan_noise.apply(condition.noise, image, noise_seed, columns)
    if drawn.jpeg:
        out = work / "scan.jpg"
        drawn.image.save(out, quality=drawn.jpeg, dpi=(drawn.dpi, drawn.dpi))
    else:
        out = work / "scan.png"
        drawn.image.save(out, dpi=(drawn.dpi, drawn.dpi))
    return (drawn.image.width * 72 / drawn.dpi, drawn.image.height * 72 / drawn.dpi), out


def scanned_as(image_path, size, condition, work, noise_seed=0, columns=False):
    """The scan as the condition makes it, written into work: (the size of
    its page, its path). A quarter turn swaps the sides of both, any other
    angle keeps the canvas and fills the corners with white; a lower
    resolution shrinks the bitmap, not the page; the noise conditions draw
    with noise_seed (columns: the page has two)."""
    if condition.noise:
        return noisy(image_path, condition, work, noise_seed, columns)
    degrees, dpi, coding, _ = condition
    if not degrees and dpi == (300, 300) and coding == "png":
        return size, image_path
    quarter = degrees % 90 == 0
    with Image.open(image_path) as image:
        if degrees:
            image = image.rotate(-degrees, resample=Image.Resampling.BICUBIC, expand=quarter, fillcolor="white")
        if dpi != (300, 300):
            image = image.resize((round(image.width * dpi[0] / 300), round(image.height * dpi[1] / 300)),
                                 Image.Resampling.LANCZOS)
        if coding == "jpeg":
            out = work / "scan.jpg"
            image.save(out, quality=JPEG_QUALITY, dpi=dpi)
        elif coding == "fax":
            out = work / "scan.tif"
            image.point(lambda grey: 255 if grey >= 128 else 0).convert("1").save(
                out, compression="group4", dpi=dpi)
        else:
            out = work / "scan.png"
            image.save(out, dpi=dpi)
    width, height = size
    return ((height, width) if quarter and degrees % 180 == 90 else (width, height)), out


def measure(leggipdf, size, image_path, reference, condition, work, noise_seed=0, columns=False):
    """Feed one page to leggipdf and to the engine under one condition: a dict
    with the page size fed, both CERs, both normalised texts and the seconds
    each took (for the engine, pdftoppm's included)."""
    work.mkdir()
    (width, height), image_path = scanned_as(image_path, size, condition, work, noise_seed, columns)
    image_pdf, low = work / "page.pdf", work / "low"
    run("img2pdf", "--pagesize", f"{width}x{height}", "-o", str(image_pdf), str(image_path))
    start = time.monotonic()
    result = json.loads(run(leggipdf, str(image_pdf)))
    ours_seconds = time.monotonic() - start
    if not result["usedOCR"] or len(result["pages"]) != 1:
        sys.exit(f"leggipdf did not read {image_pdf} as one page by OCR")
    ours = normalised(result["pages"][0]["text"])
    start = time.monotonic()
    run("pdftoppm", "-r", "180", "-gray", "-singlefile", str(image_pdf), str(low))
    engine = normalised(run("tesseract", f"{low}.pgm", "-", "-l", "Latin",
                            env={**os.environ, "OMP_THREAD_LIMIT": "1"}))
    engine_seconds = time.monotonic() - start
    return {"fed_size": [width, height], "cer_leggipdf": cer(ours, reference), "cer_engine": cer(engine, reference),
            "seconds_leggipdf": round(ours_seconds, 2), "seconds_engine": round(engine_seconds, 2),
            "reference_chars": len(reference), "text_leggipdf": ours, "text_engine": engine}


def measure_all(leggipdf, conditions, work):
    """Every page under every condition it takes: (a result dict per page and
    condition, in PAGES' order, and the notes on documents missing)."""
    wanted = [p for p in PAGES if any(takes(p, name) for name in conditions)]
    paths, missing = sources(wanted, work)
    found = [p for p in wanted if p.document in paths]
    with concurrent.futures.ThreadPoolExecutor(WORKERS) as pool:
        scans = list(pool.map(lambda i: scan(paths[found[i].document], found[i].page, work / f"page{i}",
                                             found[i].layout == "spread"), range(len(found))))
        jobs = [(page, scanned, name) for page, scanned in zip(found, scans) for name in conditions
                if takes(page, name)]
        measured = list(pool.map(
            lambda i: measure(leggipdf, *jobs[i][1], CONDITIONS[jobs[i][2]], work / f"job{i}",
                              seed(jobs[i][0], jobs[i][2]), jobs[i][0].layout == "two columns"),
            range(len(jobs))))
    return [{"document": short_name(page.document),
             "page": f"{page.page}-{page.page + 1}" if page.layout == "spread" else page.page,
             "layout": page.layout, "points": page.points,
             "paper": (f"2 x {paper(scanned[0][0] / 2, scanned[0][1])}" if page.layout == "spread"
                       else paper(*scanned[0])), "condition": name, **m}
            for (page, scanned, name), m in zip(jobs, measured)], missing


def groups(results):
    """{(layout, condition): [results]}, in the order first met."""
    grouped = {}
    for r in results:
        grouped.setdefault((r["layout"], r["condition"]), []).append(r)
    return grouped


def print_pages(results):
    print("| document | page | size, type, layout | condition | CER leggipdf | CER engine order |")
    print("| --- | --- | --- | --- | --- | --- |")
    for r in results:
        print(f"| {r['document']} | {r['page']} | {r['paper']}, {r['points']}, {r['layout']} | {r['condition']} "
              f"| {r['cer_leggipdf']:.2%} | {r['cer_engine']:.2%} |")


def print_summary(grouped):
    print("\n| layout | condition | pages | mean CER leggipdf | mean CER engine order | ratio "
          "| mean s leggipdf | mean s engine |")
    print("| --- | --- | --- | --- | --- | --- | --- | --- |")
    for layout in dict.fromkeys(layout for layout, _ in grouped):
        for name in CONDITIONS:
            if (layout, name) in grouped:
                values = grouped[layout, name]
                ours, engine = mean([r["cer_leggipdf"] for r in values]), mean([r["cer_engine"] for r in values])
                print(f"| {layout} | {name} | {pages(len(values))} | {ours:.2%} | {engine:.2%} "
                      f"| {ratio(ours, engine):.2f}x | {mean([r['seconds_leggipdf'] for r in values]):.2f} "
                      f"| {mean([r['seconds_engine'] for r in values]):.2f} |")


def against_engine(grouped, layout, target, name="upright"):
    """The target line for a layout under a condition (upright unless told)
    against the engine order, and the means and ratio behind it (None when
    not measured)."""
    if (layout, name) not in grouped:
        return f"- {layout}, {name}: not measured", None
    values = grouped[layout, name]
    ours, engine = mean([r["cer_leggipdf"] for r in values]), mean([r["cer_engine"] for r in values])
    r = ratio(ours, engine)
    return (f"- {layout}, {name}, {pages(len(values))}: leggipdf {ours:.2%} / engine order {engine:.2%} = {r:.2f}x "
            f"(target ≤ {target:.2f}x): {'yes' if r <= target else 'no'}", (len(values), ours, engine, r))


def against_engine_slack(grouped, layout, name):
    """The target line for a layout under everyday damage: leggipdf against
    the engine order on the same bitmap, by a ratio plus a slack, since
    the damage leaves both with errors a fraction of a point apart that a
    ratio alone would magnify."""
    values = grouped[layout, name]
    ours, engine = mean([r["cer_leggipdf"] for r in values]), mean([r["cer_engine"] for r in values])
    limit = TARGET_NOISE * engine + TARGET_NOISE_SLACK
    return (f"- {layout}, {name}, {pages(len(values))}: leggipdf {ours:.2%} against engine order {engine:.2%} "
            f"(target ≤ {TARGET_NOISE:g} × {engine:.2%} + {TARGET_NOISE_SLACK * 100:g} point = {limit:.2%}): "
            f"{'yes' if ours <= limit else 'no'}")


def unturned(name):
    """The condition of the same coding and resolution with the page upright."""
    c = CONDITIONS[name]
    return next(n for n, other in CONDITIONS.items() if other == Condition(0, c.dpi, c.coding))


def against_upright(grouped, layout, name):
    """The target line for a layout turned or skewed against the same pages
    upright under the same coding and resolution, by leggipdf alone."""
    values, base_name = grouped[layout, name], unturned(name)
    upright = {(r["document"], r["page"]): r["cer_leggipdf"] for r in grouped.get((layout, base_name), [])}
    if not all((r["document"], r["page"]) in upright for r in values):
        return f"- {layout}, {name}: no run of the same pages {base_name} to compare with"
    ours = mean([r["cer_leggipdf"] for r in values])
    base = mean([upright[r["document"], r["page"]] for r in values])
    limit = TARGET_TURNED * base + TARGET_TURNED_SLACK
    return (f"- {layout}, {name}, {pages(len(values))}: leggipdf {ours:.2%} against {base:.2%} {base_name} "
            f"(target ≤ {TARGET_TURNED:g} × {base:.2%} + {TARGET_TURNED_SLACK * 100:g} point = {limit:.2%}): "
            f"{'yes' if ours <= limit else 'no'}")


def print_targets(grouped):
    """Print every target check; return the one-column upright figures."""
    print("\nTargets:")
    line, one_column = against_engine(grouped, "one column", TARGET)
    print(line)
    print(against_engine(grouped, "two columns", TARGET_COLUMNS)[0])
    for layout, name in grouped:
        if CONDITIONS[name].noise:
            print(against_engine_slack(grouped, layout, name))
        elif name in CODINGS and layout in ("one column", "two columns"):
            print(against_engine(grouped, layout, TARGET if layout == "one column" else TARGET_COLUMNS, name)[0])
        elif name != "upright" and name not in CODINGS:
            print(against_upright(grouped, layout, name))
    return one_column


def print_notes(results, missing):
    worse = {}
    for r in results:
        if r["cer_leggipdf"] > r["cer_engine"] + 0.001:
            worse.setdefault(r["condition"], []).append(f"{r['document']} p. {r['page']}")
    listed = [f"{name}: {', '.join(worse[name])}" for name in CONDITIONS if name in worse]
    print(f"\nPages where leggipdf's error rate exceeds the engine order's by over 0.1 point: "
          f"{'; '.join(listed) or 'none'}.")
    for note in missing:
        print(f"\nSkipped, not installed: {note}.")


def report(results, missing, seconds):
    """Print the tables, targets and notes; return the one-column upright
    figures."""
    grouped = groups(results)
    print_pages(results)
    print_summary(grouped)
    one_column = print_targets(grouped)
    print_notes(results, missing)
    print(f"\n{len(results)} measurements in {seconds / 60:.1f} minutes ({WORKERS} at a time).")
    return one_column


def write_row(path, one_column):
    count, ours, engine, r = one_column
    with open(path, "a") as row:
        row.write(f"| OCR quality, {count} one-column pages of manuals at 10-11 pt: "
                  f"mean character error rate | {ours:.2%} | {engine:.2%} (tesseract in its own line order) "
                  f"| {r:.2f}x | ≤ {TARGET:.2f}x | {'yes' if r <= TARGET else 'no'} |\n")


def main():
    parser = argparse.ArgumentParser(description="OCR quality of leggipdf on real pages")
    parser.add_argument("--conditions", type=condition_names, default=list(CONDITIONS), metavar="LIST",
                        help=f"comma-separated conditions to measure (default all: {', '.join(CONDITIONS)})")
    parser.add_argument("--row", metavar="FILE",
                        help="append the one-column upright summary row of the benchmark table to FILE")
    parser.add_argument("--json", metavar="FILE", help="write every page's result, texts included, to FILE")
    args = parser.parse_args()
    if args.row and "upright" not in args.conditions:
        parser.error("--row needs the upright condition")
    leggipdf = os.path.realpath(os.environ.get("LEGGIPDF", ROOT / "build" / "leggipdf"))
    start = time.monotonic()
    with tempfile.TemporaryDirectory() as temporary:
        results, missing = measure_all(leggipdf, args.conditions, pathlib.Path(temporary))
    seconds = time.monotonic() - start
    one_column = report(results, missing, seconds)
    if args.json:
        with open(args.json, "w") as out:
            json.dump({"leggipdf": leggipdf, "conditions": args.conditions, "seconds": round(seconds),
                       "skipped": missing, "results": results}, out, ensure_ascii=False, indent=1)
    if args.row:
        if one_column is None:
            sys.exit("no one-column page was measured")
        write_row(args.row, one_column)


if __name__ == "__main__":
    main()

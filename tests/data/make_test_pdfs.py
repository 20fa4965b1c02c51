#!/usr/bin/env python3
"""Generate the PDF fixtures in tests/data/ (Python standard library only).

Run from anywhere:  python3 tests/data/make_test_pdfs.py
Needs pdftoppm (poppler-utils) to rasterise the "scans" and qpdf to encrypt.
Scans are text pages rendered to 1-bit images and embedded as Flate images:
they carry no text operators at all.
"""

import os
import random
import subprocess
import sys
import textwrap
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, HERE)

from pdfwriter import A4, Page, scan_pages, text_block, write_pdf  # noqa: E402

LANDSCAPE = (A4[1], A4[0])

ITALIAN = [
    "La città di Verona sorge sulle rive dell'Adige, un fiume lungo e "
    "tranquillo che attraversa la pianura veneta. Perché i viaggiatori "
    "tornano sempre? Forse perché le sue piazze sono già piene di luce al "
    "mattino, e perché il mercato offre frutta, formaggi e fiori di ogni "
    "colore.",
    "Più a nord, le colline sono coperte di vigneti e di ulivi. D'estate "
    "l'Arena ospita l'opera lirica: migliaia di persone siedono sui gradini "
    "di pietra e ascoltano in silenzio.",
    "Il ponte di Castelvecchio, ricostruito dopo la guerra, unisce ancora le "
    "due sponde del fiume. La sera, quando le campane suonano, gli abitanti "
    "passeggiano lungo il fiume e parlano del tempo, del lavoro e della "
    "famiglia. Nessuno ha fretta: la vita qui scorre lenta come l'acqua, e "
    "ogni stagione porta con sé un profumo diverso.",
]

ENGLISH = [
    "The river Thames winds slowly through the old market town, where narrow "
    "streets lead down to the water. Every morning the baker opens his shop "
    "before sunrise, and the smell of fresh bread drifts across the square. "
    "By eight o'clock the first customers are already waiting outside.",
    "Children walk to school past the stone bridge, stopping to watch the "
    "swans glide beneath its arches. In spring the meadows along the bank "
    "are covered with yellow flowers, and boats appear again on the water. "
    "Fishermen sit patiently on the bank until the light begins to fade.",
    "The town library keeps a collection of maps that show how the river has "
    "changed its course over the centuries. Visitors often ask why the church "
    "tower leans slightly to the north; local legend blames a storm.",
]

MORE_ITALIAN = [
    "In autunno la nebbia sale dal fiume e avvolge i campanili. I contadini "
    "raccolgono l'uva e la portano alle cantine, dove il vino riposa nelle "
    "botti di rovere fino alla primavera successiva.",
    "La biblioteca comunale conserva manoscritti antichi, mappe e lettere di "
    "mercanti che viaggiavano fino a Venezia. Gli studenti vi passano intere "
    "giornate, e il silenzio è interrotto solo dal fruscio delle pagine.",
    "Quando arriva l'inverno, le montagne si coprono di neve e l'aria diventa "
    "limpida. Dalla collina si vede tutta la valle, con i suoi paesi, le "
    "strade e il nastro argentato del fiume che scorre verso il mare.",
]

MORE_ENGLISH = [
    "On market days farmers arrive early with carts full of apples, cheese "
    "and honey. The square fills with voices, and by noon most of the stalls "
    "have sold everything they brought from the hills.",
    "In the evening the lamps along the towpath are lit one by one. Anglers "
    "pack up their rods, and the last ferry crosses to the far bank carrying "
    "a handful of tired walkers and their dogs.",
    "Winter brings floods every few years. The water rises over the meadows "
    "and reaches the steps of the old mill, but the townspeople are used to "
    "it and simply wait for the river to return to its bed.",
]


def wrap(paragraphs, width=78):
    lines = []
    for paragraph in paragraphs:
        lines.extend(textwrap.wrap(paragraph, width))
    return lines


def text_page(lines, size=A4, font="F1", top=770, leading=16):
    return Page(*size, content=text_block(lines, 72, top, 12, leading, font))


def scan_of(lines, size=A4, **kwargs):
    return scan_pages([text_page(lines, size, **kwargs)])[0]


def dense_lines(pool, start, heading, count=45):
    """count lines: a heading then the pool's wrapped lines, cycled."""
    body = wrap(pool[start % len(pool):] + pool[:start % len(pool)])
    return [heading] + [body[i % len(body)] for i in range(count - 1)]


def dense_page(lines):
    return text_page(lines, top=790, leading=15.5)


def out(name):
    return os.path.join(HERE, name)


def write_text(name, lines):
    with open(out(name), "w", encoding="utf-8") as handle:
        handle.write("\n".join(lines) + "\n")


THREE_PAGES = [
    ["Perché la città è già più bella?",
     "Perché il caffè è più buono e la gente è già sveglia.",
     "Così finisce la prima pagina: università, virtù, però."],
    ['Il "codice" C:\\dati\\file  ha   spazi',
     "Tre  spazi,   poi  colonne  qui  sotto.",
     "Parentesi (tonde) e barra \\ rovesciata."],
    ["This is the third page, written in English.",
     "It has several lines of plain text.",
     "The quick brown fox jumps over the lazy dog."],
]


def make_text_three_pages():
    pages = [text_page(lines) for lines in THREE_PAGES]
    # A tabular row drawn as separate cells, like a tab-separated layout.
    cells = "".join(text_block([word], x, 706) for word, x in
                    (("Nome", 72), ("Valore", 200), ("Nota", 330)))
    pages[1].content += cells
    return write_pdf(out("text-three-pages.pdf"), pages)


def make_simple_text_files():
    write_pdf(out("gap-middle-empty.pdf"), [
        text_page(["Prima pagina con testo."]), Page(),
        text_page(["Terza pagina con testo."])])
    write_pdf(out("whitespace-layer.pdf"), [text_page(["          "])])
    write_pdf(out("single-punctuation.pdf"), [text_page(["."])])
    write_pdf(out("zero-pages.pdf"), [])
    two = [text_page(["Prima pagina."]), text_page(["Seconda pagina."])]
    write_pdf(out("count-negative.pdf"), two, count=-1)
    write_pdf(out("count-huge.pdf"), two, count=2147483648)
    write_pdf(out("blank.pdf"), [Page(content="")])
    write_pdf(out("huge-mediabox.pdf"), [Page(9000000, 9000000, content="")])
    left = [f"Colonna sinistra {n}" for n in ("uno", "due", "tre", "quattro")]
    right = [f"Colonna destra {n}" for n in ("uno", "due", "tre", "quattro")]
    write_pdf(out("two-column.pdf"), [Page(content=text_block(
        left, 72, 770, 12, 16, "F2") + text_block(right, 330, 770, 12, 16, "F2"))])


def make_encrypted():
    source = out("text-three-pages.pdf")
    common = ["qpdf", "--encrypt"]
    subprocess.run(common + ["utente", "padrone", "256", "--", source,
                             out("locked-user-password.pdf")], check=True)
    subprocess.run(common + ["", "padrone", "256", "--extract=n", "--modify=none",
                             "--", source, out("owner-password-only.pdf")],
                   check=True)


def make_broken(three_pages):
    with open(out("truncated.pdf"), "wb") as handle:
        handle.write(three_pages[:len(three_pages) * 6 // 10])
    noise = random.Random(20240607).randbytes(4096)
    with open(out("garbage-after-header.pdf"), "wb") as handle:
        handle.write(b"%PDF-1.7\n" + noise)
    with open(out("not-pdf.txt"), "w", encoding="utf-8") as handle:
        handle.write("Questo file è testo semplice, non un PDF.\n"
                     "This file is plain text, not a PDF.\n")


def make_scans():
    italian, english = wrap(ITALIAN), wrap(ENGLISH)
    write_pdf(out("scan-italian.pdf"), [scan_of(italian)])
    write_text("scan-italian.txt", italian)
    write_pdf(out("scan-english.pdf"), [scan_of(english)])
    write_text("scan-english.txt", english)
    write_pdf(out("mixed.pdf"), [
        text_page(["Pagina con testo.", "Questa pagina ha un livello di testo.",
                   "La seconda pagina è vuota, la terza è acquisita."]),
        Page(),
        scan_of(["Pagina acquisita dallo scanner.",
                 "Il fiume scorre tranquillo sotto il ponte.",
                 "Fine del documento."])])


def make_rotated_scan():
    """Landscape text drawn sideways on a portrait page, shown upright by /Rotate 90."""
    lines = wrap(["This landscape page was scanned sideways and must be turned "
                  "by ninety degrees before reading. The harbour was quiet that "
                  "morning, and the fishing boats rocked gently against the "
                  "wooden pier while gulls circled above the lighthouse."], 95)
    content = (f"q 0 1 -1 0 {A4[0]} 0 cm\n"
               + text_block(lines, 72, LANDSCAPE[1] - 100, 14, 20, "F1") + "Q\n")
    page = scan_pages([Page(*A4, content=content)])[0]
    page.rotate = 90
    write_pdf(out("rotated-scan.pdf"), [page])
    write_text("rotated-scan.txt", lines)


def make_large_scan():
    lines = ["GRANDE PAGINA LEGGIBILE", "TESTO DI PROVA", "FINE"]
    source = Page(2400, 2400, content=text_block(lines, 200, 2000, 96, 200, "F3"))
    write_pdf(out("large-2400pt-scan.pdf"), scan_pages([source], dpi=40))
    write_text("large-2400pt-scan.txt", lines)


def make_dense_scans():
    first = dense_lines(ITALIAN + MORE_ITALIAN, 0, "Pagina 1 di 2")
    second = dense_lines(ENGLISH + MORE_ENGLISH, 0, "Page 2 of 2")
    write_pdf(out("scan-two-pages.pdf"),
              scan_pages([dense_page(first), dense_page(second)]))


def raw_pdf(name, content, side, compress=False):
    """One page of side x side pt, written without an xref table as damaged
    files often are. Resources: Helvetica as /F1, and as /P1 a tiling
    pattern of 0.001-pt cells that no renderer finishes drawing."""
    data = zlib.compress(content, 9) if compress else content
    objects = [
        b"<</Type/Catalog/Pages 2 0 R>>", b"<</Type/Pages/Kids[3 0 R]/Count 1>>",
        b"<</Type/Page/Parent 2 0 R/MediaBox[0 0 %d %d]/Contents 4 0 R"
        b"/Resources<</Font<</F1 5 0 R>>/Pattern<</P1 6 0 R>>>>>>" % (side, side),
        b"<</Length %d%s>>stream\n" % (len(data), b"/Filter/FlateDecode" if compress else b"")
        + data + b"\nendstream",
        b"<</Type/Font/Subtype/Type1/BaseFont/Helvetica>>",
        b"<</PatternType 1/PaintType 1/TilingType 1/BBox[0 0 0.001 0.001]/XStep 0.001"
        b"/YStep 0.001/Resources<<>>/Length 31>>stream\n0 0 0 rg 0 0 0.0005 0.0005 re f\nendstream"]
    body = b"".join(b"%d 0 obj" % (i + 1) + x + b"endobj\n" for i, x in enumerate(objects))
    with open(out(name), "wb") as handle:
        handle.write(b"%PDF-1.4\n" + body + b"trailer<</Root 1 0 R>>\n%%EOF\n")


def edited(source, name, old, new):
    with open(out(source), "rb") as handle:
        data = handle.read()
    with open(out(name), "wb") as handle:
        handle.write(data.replace(old, new, 1))


def make_hostile():
    """Files that exhaust time or memory, or name what no reader knows."""
    raw_pdf("endless.pdf", b"/Pattern cs /P1 scn 0 0 612 792 re f", 612)
    raw_pdf("9000pt.pdf", b"0 0 0 RG 10 w 100 100 m 8000 8000 l S", 9000)
    raw_pdf("nested.pdf", b"q " * 3000000 + b"BT /F1 12 Tf 72 700 Td (ciao) Tj ET", 612, True)
    raw_pdf("long-path.pdf", b"0 0 m " + b"1 1 l " * 20000000 + b"S", 612, True)
    edited("scan-english.pdf", "scan-on-huge-page.pdf", b"/MediaBox [0 0 595.28 841.89]",
           b"/MediaBox [0 0 6000 6000]")
    subprocess.run(["qpdf", "--encrypt", "", "owner", "128", "--use-aes=y", "--",
                    out("text-three-pages.pdf"), out("aes-128.pdf")], check=True)
    edited("aes-128.pdf", "unknown-crypt-filter.pdf", b"/AESV2", b"/XYZV2")
    os.remove(out("aes-128.pdf"))


def main():
    three_pages = make_text_three_pages()
    make_simple_text_files()
    make_encrypted()
    make_broken(three_pages)
    make_scans()
    make_rotated_scan()
    make_large_scan()
    make_dense_scans()
    make_hostile()


if __name__ == "__main__":
    main()

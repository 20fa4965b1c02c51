#!/usr/bin/python3
"""Which writing system a scanned page is read in, and at what cost: real
text in eight scripts besides Latin, pure and mixed with Latin commands and
terms, scanned clean and skewed, and Latin pages fed sideways or upside down.

Pages in other scripts are typeset here, at 300 dpi on A4 in 1 bit with a
Debian font (Pillow, whose Raqm layout shapes Arabic and Devanagari), from
real text that Debian installs in those languages, as the man pages and the
message catalogues of the base system; the text drawn is the reference:
  - Russian, Japanese, Korean, Chinese and Greek: translated manual pages
    (man-db, passwd, xz-utils, apt, Debian's manpages-el), made plain with
    `man -E UTF-8 -l`, reflowed into the page's width;
  - Arabic, Hebrew and Hindi, for which no manual page is translated: the
    messages of translated catalogues (GTK, PackageKit, APT, GLib), one after
    another as running text.
"pure" pages keep only the paragraphs or messages with no Latin letter;
"mixed" ones the text as it stands, commands, options and names included.
Each is measured clean and turned 2.5 degrees clockwise (white corners), as
a sheet placed by hand.

Latin pages: three one-column and two two-column pages of
bench/ocr_quality.py, scanned at 300 dpi and turned 90, 180 and 270 degrees
(pages fed sideways or upside down), each against the same page upright.

Each page is wrapped alone into an image-only PDF (img2pdf) and read
  - by leggipdf;
  - by hand: pdftoppm -r 180 -gray of that PDF (the bitmap leggipdf reads),
    then OMP_THREAD_LIMIT=1 tesseract IMAGE - -l MODEL, and again with
    -l MODEL+Latin (a Latin page: -l Latin on the page upright).
Texts are normalised alike (NFKC, whitespace collapsed, no space beside a
Chinese or Japanese character, which the engine puts between every two) and
each gets its character error rate against the reference. Time is the CPU
time (user + system) of each reading's processes, pdftoppm's included by
hand, so a busy machine does not change it much.

Targets: every page in another script at most 1.25x the better of MODEL and
MODEL+Latin by hand plus half a point; every turned Latin page at most 1.5x
the same page upright plus one point; on clean pages in another script, the
median of leggipdf's time over the better by-hand reading's at most 1.5x
(skewed pages are left out of it: by hand, the engine drops many of their
lines and is done sooner).
52 pages, about 12 minutes on the shared 2-core machine (two at a time).

  bench/script_quality.py [--only WORDS] [--json FILE] [--compare FILE]
                          (leggipdf from $LEGGIPDF, else build/leggipdf)
  --only WORDS    comma-separated words; only pages whose name holds one
                  (e.g. --only arabic,turned)
  --json FILE     write every page's result, texts included, to FILE
  --compare FILE  a --json file of an earlier build: its CER and time
                  ratio beside this one's, per page
"""
import argparse
import collections
import concurrent.futures
import gettext
import itertools
import json
import os
import pathlib
import re
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageDraw, ImageFont

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import ocr_quality  # noqa: E402  (its Latin pages, scanning and distance)

ROOT = ocr_quality.ROOT
MAN = pathlib.Path("/usr/share/man")
LOCALE = pathlib.Path("/usr/share/locale")
DPI = 300
A4 = (2480, 3508)
MARGIN = 240
SIZE = 46  # 11 pt at 300 dpi
LEADING = 1.45
LINES = 28  # lines of text a page, fewer when the text runs out
SKEW = 2.5
WORKERS = 2
TARGET_SCRIPT, TARGET_SCRIPT_SLACK = 1.25, 0.005
TARGET_TURNED, TARGET_TURNED_SLACK = 1.5, 0.01
TARGET_TIME = 1.5

NOTO_CJK = "/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc"
FONTS = {  # (file, face index in a collection)
    "serif": ("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf", 0, "fonts-dejavu-core"),
    "sans": ("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0, "fonts-dejavu-core"),
    "japanese": (NOTO_CJK, 0, "fonts-noto-cjk"),
    "korean": (NOTO_CJK, 1, "fonts-noto-cjk"),
    "chinese": (NOTO_CJK, 2, "fonts-noto-cjk"),
    "arabic": ("/usr/share/fonts/opentype/fonts-hosny-amiri/Amiri-Regular.ttf", 0, "fonts-hosny-amiri"),
    "devanagari": ("/usr/share/fonts/truetype/lohit-devanagari/Lohit-Devanagari.ttf", 0, "fonts-lohit-deva"),
}

# name, model, font, right to left, source: ("man", pages under /usr/share/man
# for the pure text, pages for the mixed one) or ("catalogue", the same under
# /usr/share/locale).
Script = collections.namedtuple("Script", "name model font rtl source")
SCRIPTS = [
    Script("russian", "Cyrillic", "serif", False, ("man", ("ru/man1/man.1.gz",), ("ru/man1/man.1.gz",))),
    Script("greek", "Greek", "serif", False, ("man", ("el/man1/diff.1.gz", "el/man1/cmp.1.gz", "el/man1/diff3.1.gz"),
                                                        ("el/man1/diff.1.gz",))),
    Script("korean", "Hangul", "korean", False, ("man", ("ko/man1/xz.1.gz",), ("ko/man1/xz.1.gz",))),
    Script("japanese", "Japanese", "japanese", False, ("man", ("ja/man1/passwd.1.gz", "ja/man5/shadow.5.gz",
                                                                      "ja/man1/chage.1.gz"),
                                                                     ("ja/man5/sources.list.5.gz",))),
    Script("chinese", "HanS", "chinese", False, ("man", ("zh_CN/man1/man.1.gz",), ("zh_CN/man1/man.1.gz",))),
    Script("arabic", "Arabic", "arabic", True, ("catalogue", ("ar/LC_MESSAGES/gtk20-properties.mo",),
                                                 ("ar/LC_MESSAGES/apt.mo",))),
    Script("hebrew", "Hebrew", "sans", True, ("catalogue", ("he/LC_MESSAGES/PackageKit.mo",),
                                               ("he/LC_MESSAGES/PackageKit.mo",))),
    Script("hindi", "Devanagari", "devanagari", False, ("catalogue", ("hi/LC_MESSAGES/gtk20-properties.mo",),
                                                         ("hi/LC_MESSAGES/glib20.mo",))),
]
# Latin pages of bench/ocr_quality.py fed turned: three of one column, two of two.
LATIN_PAGES = {("cplusplus.pdf", 52), ("manual.pdf", 6), ("nettle.pdf", 12), ("auguide4-2.pdf", 9),
               ("ltubguid.pdf", 2)}
TURNS = (90, 180, 270)

LATIN_LETTER = re.compile(r"[A-Za-z]")
CJK = r"\u2e80-\u9fff\uf900-\ufaff\uff00-\uffef\u3000-\u303f"
SPACE_BESIDE_CJK = re.compile(rf"(?<=[{CJK}]) | (?=[{CJK}])")


def normalised(text):
    return SPACE_BESIDE_CJK.sub("", ocr_quality.normalised(text))


def run_timed(command, env=None):
    """Runs command; (stdout, its CPU seconds, user + system)."""
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    chunks = []
    while chunk := process.stdout.read(1 << 16):
        chunks.append(chunk)
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode:
        sys.exit(f"{' '.join(map(str, command))} failed with status {process.returncode}")
    return b"".join(chunks).decode(), usage.ru_utime + usage.ru_stime


# Text.

def man_paragraphs(path):
    """The paragraphs of a manual page as plain text, headings left out."""
    text = subprocess.run(["man", "-E", "UTF-8", "-l", str(MAN / path)], capture_output=True, text=True,
                          env={**os.environ, "MANWIDTH": "72"}, timeout=60).stdout
    paragraphs, current = [], []
    for line in text.splitlines()[1:-1]:
        if not line.strip() or not line.startswith(" "):
            if current:
                paragraphs.append(current)
            current = []
            continue
        current.append(" ".join(line.split()))
    if current:
        paragraphs.append(current)
    return [joined_lines(p) for p in paragraphs]


def joined_lines(lines):
    """Lines of one paragraph as one text: no space where a Chinese or
    Japanese character meets the break."""
    text = lines[0]
    for line in lines[1:]:
        glue = "" if re.match(rf"[{CJK}]", text[-1:]) or re.match(rf"[{CJK}]", line[:1]) else " "
        text += glue + line
    return text


def catalogue_messages(path):
    """The translated messages of a catalogue, in the order of their
    originals, mnemonic marks and line feeds taken out."""
    with open(LOCALE / path, "rb") as file:
        catalogue = gettext.GNUTranslations(file)._catalog
    messages = []
    for key in sorted(k for k in catalogue if isinstance(k, str) and k):
        text = " ".join(catalogue[key].replace("_", "").split())
        if len(text) > 20:
            messages.append(text)
    return messages


def latin_share(text):
    letters = [c for c in text if c.isalpha()]
    return sum(1 for c in letters if LATIN_LETTER.match(c)) / max(len(letters), 1)


def texts(script):
    """(pure text, mixed text) of a script's source, paragraphs apart."""
    kind, pure_paths, mixed_paths = script.source
    if kind == "man":
        pure = [p for path in pure_paths for p in man_paragraphs(path) if not LATIN_LETTER.search(p)]
        return pure, [p for path in mixed_paths for p in man_paragraphs(path)]
    paths = pure_paths + mixed_paths
    pure = [m for m in catalogue_messages(paths[0]) if not LATIN_LETTER.search(m)]
    mixed = [m for m in catalogue_messages(paths[1]) if LATIN_LETTER.search(m) and latin_share(m) < 0.5]
    # Mixed: messages with Latin commands among messages without, as a catalogue runs.
    plain = [m for m in catalogue_messages(paths[1]) if not LATIN_LETTER.search(m)]
    interleaved = [m for pair in itertools.zip_longest(mixed, plain) for m in pair if m]
    return [" ".join(pure)], [" ".join(interleaved)]


# Typesetting.

def tokens(text):
    """Pieces a line may break between: one Chinese or Japanese character,
    a run of other characters, or a run of spaces."""
    return re.findall(rf"[{CJK}]|[^\s{CJK}]+|\s+", text)


def wrapped(text, fits):
    lines, line = [], ""
    for token in tokens(text):
        if fits(line + token) or not line.strip():
            line += token
        else:
            lines.append(line.strip())
            line = token.lstrip()
    if line.strip():
        lines.append(line.strip())
    return lines


def typeset(paragraphs, script):
    """The page as a 1-bit image and the lines drawn on it."""
    path, index, _ = FONTS[script.font]
    font = ImageFont.truetype(path, SIZE, index=index)
    image = Image.new("L", A4, 255)
    draw = ImageDraw.Draw(image)
    direction = "rtl" if script.rtl else None
    width = A4[0] - 2 * MARGIN
    lines = []
    for paragraph in paragraphs:
        lines += wrapped(paragraph, lambda t: draw.textlength(t, font=font, direction=direction) <= width)
        lines.append("")
        if len(lines) >= LINES:
            break
    lines = lines[:LINES]
    y = MARGIN
    for line in lines:
        if line:
            x = A4[0] - MARGIN - draw.textlength(line, font=font, direction=direction) if script.rtl else MARGIN
            draw.text((x, y), line, font=font, fill=0, direction=direction)
        y += round(SIZE * LEADING)
    return image.point(lambda v: 255 if v > 128 else 0, mode="1"), [line for line in lines if line]


def written(image, degrees, work):
    """image turned `degrees` clockwise (white corners) as a one-page PDF."""
    work.mkdir(parents=True, exist_ok=True)
    if degrees:
        image = image.convert("L").rotate(-degrees, resample=Image.Resampling.BICUBIC, fillcolor=255)
    png, pdf = work / "scan.png", work / "page.pdf"
    image.save(png, dpi=(DPI, DPI))
    ocr_quality.run("img2pdf", "-o", str(pdf), str(png))
    return pdf


# Reading.

def read_by_leggipdf(leggipdf, pdf):
    out, seconds = run_timed([leggipdf, str(pdf)])
    result = json.loads(out)
    return normalised(" ".join(page["text"] for page in result["pages"])), seconds


def read_by_hand(pdf, models, work):
    """{model: (text, CPU seconds)}, each from the same 180 dpi bitmap."""
    work.mkdir(parents=True, exist_ok=True)
    low = work / "low"
    _, drawing = run_timed(["pdftoppm", "-r", "180", "-gray", "-singlefile", str(pdf), str(low)])
    env = {**os.environ, "OMP_THREAD_LIMIT": "1"}
    readings = {}
    for model in models:
        text, seconds = run_timed(["tesseract", f"{low}.pgm", "-", "-l", model], env=env)
        readings[model] = (normalised(text), drawing + seconds)
    return readings


Job = collections.namedtuple("Job", "name kind model reference pdf upright")


def script_jobs(work):
    jobs, missing = [], []
    for script in SCRIPTS:
        font = FONTS[script.font]
        root = MAN if script.source[0] == "man" else LOCALE
        absent = [str(root / path) for path in script.source[1] + script.source[2] if not (root / path).exists()]
        if not pathlib.Path(font[0]).exists() or absent:
            missing.append(f"{script.name}: {', '.join(absent) or font[0]} (Debian package {font[2]}, "
                           f"or the translation)")
            continue
        for mix, paragraphs in zip(("pure", "mixed"), texts(script)):
            image, lines = typeset(paragraphs, script)
            reference = normalised(" ".join(lines))
            for condition, degrees in (("clean", 0), (f"skewed {SKEW:g}", SKEW)):
                name = f"{script.name} {mix} {condition}"
                pdf = written(image, degrees, work / name.replace(" ", "-"))
                jobs.append(Job(name, "script", script.model, reference, pdf, None))
    return jobs, missing


def latin_jobs(work):
    wanted = [p for p in ocr_quality.PAGES
              if (ocr_quality.short_name(p.document), p.page) in LATIN_PAGES and p.layout != "spread"]
    paths, missing = ocr_quality.sources(wanted, work)
    jobs = []
    chosen = (p for p in wanted if p.document in paths)
    for i, page in enumerate(chosen):
        size, image_path, reference = ocr_quality.scan(paths[page.document], page.page, work / f"latin{i}")
        base = f"{ocr_quality.short_name(page.document)} p. {page.page}, {page.layout}"
        upright = None
        for degrees in (0,) + TURNS:
            folder = work / f"latin{i}-{degrees}"
            folder.mkdir()
            (width, height), turned = ocr_quality.scanned_as(image_path, size, ocr_quality.Condition(degrees),
                                                             folder)
            pdf = folder / "page.pdf"
            ocr_quality.run("img2pdf", "--pagesize", f"{width}x{height}", "-o", str(pdf), str(turned))
            name = f"{base}, {'upright' if not degrees else f'turned {degrees}'}"
            jobs.append(Job(name, "latin", "Latin", normalised(reference), pdf, upright))
            upright = upright or name
    return jobs, missing


def measure(leggipdf, job, work):
    text, seconds = read_by_leggipdf(leggipdf, job.pdf)
    result = {"page": job.name, "kind": job.kind, "model": job.model, "upright": job.upright,
              "reference_chars": len(job.reference), "cer_leggipdf": ocr_quality.cer(text, job.reference),
              "seconds_leggipdf": round(seconds, 2), "text_leggipdf": text}
    models = [job.model, f"{job.model}+Latin"] if job.kind == "script" else ([job.model] if not job.upright else [])
    for label, model in zip(("model", "model_latin"), models):
        by_hand, hand_seconds = read_by_hand(job.pdf, [model], work)[model]
        result.update({f"cer_{label}": ocr_quality.cer(by_hand, job.reference),
                       f"seconds_{label}": round(hand_seconds, 2), f"text_{label}": by_hand})
    return result


def measure_all(leggipdf, only, work):
    script, missing_scripts = script_jobs(work / "scripts")
    latin, missing_latin = latin_jobs(work)
    jobs = [j for j in script + latin if not only or any(word in j.name for word in only)]
    with concurrent.futures.ThreadPoolExecutor(WORKERS) as pool:
        results = list(pool.map(lambda i: measure(leggipdf, jobs[i], work / f"job{i}"), range(len(jobs))))
    return results, missing_scripts + missing_latin


# Report.

def best_by_hand(r):
    """(CER, seconds) of the better by-hand reading of a page in another script."""
    return min((r["cer_model"], r["seconds_model"]), (r["cer_model_latin"], r["seconds_model_latin"]))


def script_limit(r):
    return TARGET_SCRIPT * best_by_hand(r)[0] + TARGET_SCRIPT_SLACK


def upright_of(results):
    return {r["page"]: r for r in results if r["kind"] == "latin" and not r["upright"]}


def latin_limit(r, uprights):
    base = uprights.get(r["upright"])
    return None if base is None else TARGET_TURNED * base["cer_leggipdf"] + TARGET_TURNED_SLACK


def time_ratio(r):
    return r["seconds_leggipdf"] / max(best_by_hand(r)[1], 0.01)


def print_pages(results, before):
    earlier = {r["page"]: r for r in before} if before else {}
    head = "| page | CER leggipdf | CER MODEL by hand | CER MODEL+Latin by hand | CPU s leggipdf | CPU s by hand | ratio |"
    if earlier:
        head = "| page | CER before | CER after | MODEL by hand | MODEL+Latin by hand | time ratio before | after |"
    print(head)
    print("|" + " --- |" * (head.count("|") - 1))
    for r in (r for r in results if r["kind"] == "script"):
        model = f"{r['model']} {r['cer_model']:.2%}"
        latin = f"{r['cer_model_latin']:.2%}"
        mark = "" if r["cer_leggipdf"] <= script_limit(r) else " **over**"
        if earlier and r["page"] in earlier:
            b = earlier[r["page"]]
            print(f"| {r['page']} | {b['cer_leggipdf']:.2%} | {r['cer_leggipdf']:.2%}{mark} | {model} | {latin} "
                  f"| {time_ratio(b):.2f}x | {time_ratio(r):.2f}x |")
        else:
            print(f"| {r['page']} | {r['cer_leggipdf']:.2%}{mark} | {model} | {latin} | {r['seconds_leggipdf']:.2f} "
                  f"| {best_by_hand(r)[1]:.2f} | {time_ratio(r):.2f}x |")
    uprights = upright_of(results)
    print("\n| Latin page | CER leggipdf | upright, leggipdf | Latin by hand, upright | CPU s leggipdf |"
          + (" CER before |" if earlier else ""))
    print("| --- | --- | --- | --- | --- |" + (" --- |" if earlier else ""))
    for r in (r for r in results if r["kind"] == "latin"):
        base = uprights.get(r["upright"] or r["page"])
        limit = latin_limit(r, uprights)
        mark = " **over**" if limit is not None and r["cer_leggipdf"] > limit else ""
        by_hand = f"{base['cer_model']:.2%}" if base and "cer_model" in base else "-"
        line = (f"| {r['page']} | {r['cer_leggipdf']:.2%}{mark} | {base['cer_leggipdf']:.2%} | {by_hand} "
                if base else f"| {r['page']} | {r['cer_leggipdf']:.2%} | - | - ")
        line += f"| {r['seconds_leggipdf']:.2f} |"
        if earlier:
            line += f" {earlier[r['page']]['cer_leggipdf']:.2%} |" if r["page"] in earlier else " - |"
        print(line)


def print_targets(results):
    scripts = [r for r in results if r["kind"] == "script"]
    uprights = upright_of(results)
    turned = [r for r in results if r["kind"] == "latin" and r["upright"] and latin_limit(r, uprights) is not None]
    over = [r["page"] for r in scripts if r["cer_leggipdf"] > script_limit(r)]
    print("\nTargets:")
    print(f"- pages in another script within {TARGET_SCRIPT:g}x the better by-hand reading + "
          f"{TARGET_SCRIPT_SLACK * 100:g} point: {len(scripts) - len(over)} of {len(scripts)}"
          + (f" (over: {', '.join(over)})" if over else ""))
    over = [r["page"] for r in turned if r["cer_leggipdf"] > latin_limit(r, uprights)]
    print(f"- turned Latin pages within {TARGET_TURNED:g}x the same page upright + {TARGET_TURNED_SLACK * 100:g} "
          f"point: {len(turned) - len(over)} of {len(turned)}" + (f" (over: {', '.join(over)})" if over else ""))
    clean = [r for r in scripts if r["page"].endswith("clean")]
    if clean:
        ratios = [time_ratio(r) for r in clean]
        median = statistics.median(ratios)
        print(f"- time on clean pages in another script, leggipdf over the better by-hand reading: median "
              f"{median:.2f}x, from {min(ratios):.2f}x to {max(ratios):.2f}x (target median ≤ {TARGET_TIME:g}x): "
              f"{'yes' if median <= TARGET_TIME else 'no'}; all pages: median "
              f"{statistics.median(time_ratio(r) for r in scripts):.2f}x")


def main():
    parser = argparse.ArgumentParser(description="script choice of leggipdf on real pages")
    parser.add_argument("--only", type=lambda s: [w.strip() for w in s.split(",") if w.strip()], default=[])
    parser.add_argument("--json", metavar="FILE")
    parser.add_argument("--compare", metavar="FILE")
    args = parser.parse_args()
    leggipdf = os.path.realpath(os.environ.get("LEGGIPDF", ROOT / "build" / "leggipdf"))
    start = time.monotonic()
    with tempfile.TemporaryDirectory() as temporary:
        results, missing = measure_all(leggipdf, args.only, pathlib.Path(temporary))
    before = json.load(open(args.compare))["results"] if args.compare else None
    print_pages(results, before)
    print_targets(results)
    for note in missing:
        print(f"\nSkipped, not installed: {note}.")
    minutes = (time.monotonic() - start) / 60
    print(f"\n{len(results)} pages in {minutes:.1f} minutes ({WORKERS} at a time).")
    if args.json:
        with open(args.json, "w") as out:
            json.dump({"leggipdf": leggipdf, "minutes": round(minutes, 1), "results": results}, out,
                      ensure_ascii=False, indent=1)


if __name__ == "__main__":
    main()

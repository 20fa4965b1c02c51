#!/usr/bin/python3
"""Scans of short texts in several writing systems, for the script tests.

    /usr/bin/python3 tests/data/make_script_scans.py

Each page is drawn with Pillow (its Raqm layout shapes Arabic) at 300 dpi in
1 bit, then wrapped by img2pdf into a one-page PDF of the image's size; the
text drawn goes beside it, one printed line per line, as NAME.txt. Needs
Debian's python3-pil, img2pdf, fonts-dejavu-core, fonts-noto-cjk and
fonts-hosny-amiri (the fonts only here: the PDFs are kept in the tree).
"""

import io
import pathlib
import subprocess

from PIL import Image, ImageDraw, ImageFont

HERE = pathlib.Path(__file__).resolve().parent
DPI = 300
WIDTH = 2480  # A4 at 300 dpi
MARGIN = 200
SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"
SERIF_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"
CJK = "/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc"
ARABIC = "/usr/share/fonts/opentype/fonts-hosny-amiri/Amiri-Regular.ttf"

PAGES = {
    "script-russian": (SERIF, None, [
        "Москва — столица России, город федерального значения.",
        "Она расположена на реке Москве в центре Восточно-",
        "Европейской равнины. Летом в парках много людей,",
        "а зимой на прудах заливают катки. Старые улицы",
        "ведут к Кремлю и Красной площади, где всегда шумно.",
    ]),
    "script-greek": (SERIF, None, [
        "Η Αθήνα είναι η πρωτεύουσα της Ελλάδας και μία από",
        "τις αρχαιότερες πόλεις του κόσμου. Στην Ακρόπολη",
        "στέκεται ο Παρθενώνας, ναός της θεάς Αθηνάς. Το",
        "καλοκαίρι οι δρόμοι γεμίζουν με επισκέπτες από",
        "όλες τις χώρες, ενώ τα βράδια είναι ζεστά και ήσυχα.",
    ]),
    "script-chinese": (CJK, None, [
        "北京是中华人民共和国的首都，也是全国的政治中心",
        "和文化中心。这座城市有三千多年的历史，故宫和",
        "长城每年吸引很多游客。春天公园里开满了花，秋",
        "天的天气最好，很多人喜欢在湖边散步和喝茶。",
    ]),
    "script-japanese": (CJK, None, [
        "東京は日本の首都で、世界でも有数の大都市です。",
        "春には上野公園の桜を見に多くの人が集まります。",
        "古いお寺と新しいビルが並ぶ町を歩くのは楽しく、",
        "夜になると駅の周りはとてもにぎやかになります。",
    ]),
    "script-arabic": (ARABIC, "rtl", [
        "القاهرة هي عاصمة مصر وأكبر مدنها، وتقع على ضفاف",
        "نهر النيل. في المدينة القديمة أسواق كثيرة ومساجد",
        "جميلة، ويزورها الناس من كل مكان في العالم.",
    ]),
    "script-italian": (SERIF, None, [
        "Il fiume scorre lento sotto il vecchio ponte di pietra,",
        "mentre la città si sveglia e i primi negozi aprono le",
        "porte. Al mercato si vendono frutta, verdura e pane",
        "caldo; più tardi le strade si riempiono di gente.",
    ]),
    "script-two-words": (SERIF, None, ["Buongiorno Roma"]),
    # Japanese with APT's paths and commands, from Debian's sources.list(5).
    "script-japanese-commands": (CJK, None, [
        "取得元リスト /etc/apt/sources.list と /etc/apt/sources.list.d/ に",
        "含まれるファイルは、複数の取得元や様々なメディアをサポート",
        "するよう設計されています。設定した取得元から利用可能な情報",
        "は、apt-get update (や、ほかの APT フロントエンドの同等のコマ",
        "ンド) で取得します。ファイル名は、.list または .sources のい",
        "ずれかの拡張子を持っている必要があります。",
    ]),
}

# A Latin heading over a Cyrillic body.
MIXED = ("script-mixed", "Relazione annuale 2024", [
    "Отчёт подготовлен отделом продаж. В этом году",
    "компания открыла три новых магазина и увеличила",
    "число покупателей. Планы на следующий год включают",
    "новый склад и современную систему доставки товаров.",
])


def page(lines, heading=None):
    """The page as a 1-bit image; each entry of lines is (text, font, direction)."""
    size = 50  # 12 pt at 300 dpi
    leading = int(size * 1.6)
    height = 2 * MARGIN + leading * (len(lines) + (2 if heading else 0))
    image = Image.new("L", (WIDTH, height), 255)
    draw = ImageDraw.Draw(image)
    y = MARGIN
    if heading:
        draw.text((MARGIN, y), heading, font=ImageFont.truetype(SERIF_BOLD, int(size * 1.3)), fill=0)
        y += 2 * leading
    for text, font, direction in lines:
        face = ImageFont.truetype(font, size)
        x = MARGIN
        if direction == "rtl":
            x = WIDTH - MARGIN - draw.textlength(text, font=face, direction="rtl")
        draw.text((x, y), text, font=face, fill=0, direction=direction)
        y += leading
    return image.point(lambda v: 255 if v > 128 else 0, mode="1")


def write(name, image, text_lines):
    png = io.BytesIO()
    image.save(png, "PNG", dpi=(DPI, DPI))
    pdf = subprocess.run(["img2pdf", "--producer", "", "--nodate", "-"], input=png.getvalue(),
                         capture_output=True, check=True).stdout
    (HERE / f"{name}.pdf").write_bytes(pdf)
    (HERE / f"{name}.txt").write_text("\n".join(text_lines) + "\n", encoding="utf-8")


def main():
    for name, (font, direction, lines) in PAGES.items():
        write(name, page([(line, font, direction) for line in lines]), lines)
    name, heading, body = MIXED
    write(name, page([(line, SERIF, None) for line in body], heading), [heading] + body)


if __name__ == "__main__":
    main()

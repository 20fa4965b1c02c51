"""Minimal hand-written PDF writer (Python standard library only).

Pages hold either a text layer drawn with a standard 14 font (WinAnsiEncoding),
an image that fills the page (a "scan", no text operators at all), or nothing.
A TrueType file can also be embedded under an extra font name (see `embedded`),
so that a page rendered into a scan looks the same on every machine instead of
depending on which face fontconfig picks for a standard 14 name.
Output is deterministic: no dates, no random IDs.
"""

import os
import struct
import subprocess
import tempfile
import zlib
from dataclasses import dataclass

A4 = (595.28, 841.89)
FONTS = {"F1": "Times-Roman", "F2": "Helvetica", "F3": "Helvetica-Bold"}


def num(value):
    """Format a number the way PDF likes it (no exponent, few decimals)."""
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return text if text not in ("", "-0") else "0"


def pdf_string(text):
    """A literal string in WinAnsiEncoding; specials and non-ASCII as escapes."""
    out = []
    for byte in text.encode("cp1252"):
        char = chr(byte)
        if char in "()\\":
            out.append("\\" + char)
        elif char == "\t":
            out.append("\\t")
        elif 32 <= byte < 127:
            out.append(char)
        else:
            out.append(f"\\{byte:03o}")
    return "(" + "".join(out) + ")"


def text_block(lines, x, y, size=12, leading=None, font="F1"):
    """Content operators that draw lines top-down starting at baseline (x, y)."""
    leading = leading if leading is not None else size * 1.3
    ops = ["BT", f"/{font} {num(size)} Tf", f"{num(leading)} TL",
           f"{num(x)} {num(y)} Td"]
    for i, line in enumerate(lines):
        ops.append(("" if i == 0 else "T* ") + pdf_string(line) + " Tj")
    ops.append("ET")
    return "\n".join(ops) + "\n"


@dataclass
class Raster:
    """Pixels ready for an image XObject: 1 or 8 bits per pixel, 0 = black."""
    width: int
    height: int
    bits: int
    data: bytes


@dataclass
class Page:
    width: float = A4[0]
    height: float = A4[1]
    content: str | None = None      # text-layer operators, or None
    image: Raster | None = None     # image that fills the page
    rotate: int = 0


def read_netpbm(path):
    """Parse a binary PBM (P4) or PGM (P5) file written by pdftoppm."""
    with open(path, "rb") as handle:
        raw = handle.read()
    fields, pos = [], 0
    while len(fields) < (3 if raw[:2] == b"P4" else 4):
        while raw[pos:pos + 1].isspace():
            pos += 1
        if raw[pos:pos + 1] == b"#":
            pos = raw.index(b"\n", pos)
            continue
        start = pos
        while not raw[pos:pos + 1].isspace():
            pos += 1
        fields.append(raw[start:pos])
    pixels = raw[pos + 1:]
    magic, width, height = fields[0], int(fields[1]), int(fields[2])
    if magic == b"P4":  # PBM: 1 = black, so invert for DeviceGray.
        return Raster(width, height, 1, pixels.translate(_INVERT))
    if magic == b"P5" and int(fields[3]) == 255:
        return Raster(width, height, 8, pixels)
    raise ValueError(f"unsupported netpbm file {path}")


_INVERT = bytes(255 - i for i in range(256))


def rasterise(pdf_path, dpi, mono=True):
    """Render every page of pdf_path with pdftoppm; return a Raster per page."""
    with tempfile.TemporaryDirectory() as tmp:
        prefix = os.path.join(tmp, "page")
        mode = "-mono" if mono else "-gray"
        subprocess.run(["pdftoppm", "-r", str(dpi), mode, pdf_path, prefix],
                       check=True)
        names = sorted(os.listdir(tmp))
        return [read_netpbm(os.path.join(tmp, name)) for name in names]


class _Objects:
    def __init__(self):
        self.bodies = []

    def reserve(self):
        self.bodies.append(None)
        return len(self.bodies)

    def put(self, ref, body):
        self.bodies[ref - 1] = body if isinstance(body, bytes) else body.encode()

    def add(self, body):
        ref = self.reserve()
        self.put(ref, body)
        return ref

    def stream(self, entries, data, compress=False):
        if compress:
            data, entries = zlib.compress(data, 9), entries + " /Filter /FlateDecode"
        head = f"<< {entries} /Length {len(data)} >>\nstream\n".encode()
        return self.add(head + data + b"\nendstream")

    def serialise(self, root):
        out = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
        offsets = []
        for ref, body in enumerate(self.bodies, start=1):
            offsets.append(len(out))
            out += f"{ref} 0 obj\n".encode() + body + b"\nendobj\n"
        xref = len(out)
        out += f"xref\n0 {len(offsets) + 1}\n0000000000 65535 f \n".encode()
        for offset in offsets:
            out += f"{offset:010d} 00000 n \n".encode()
        out += (f"trailer\n<< /Size {len(offsets) + 1} /Root {root} 0 R >>\n"
                f"startxref\n{xref}\n%%EOF\n").encode()
        return bytes(out)


def _image_object(objs, raster):
    entries = (f"/Type /XObject /Subtype /Image /Width {raster.width} "
               f"/Height {raster.height} /ColorSpace /DeviceGray "
               f"/BitsPerComponent {raster.bits}")
    return objs.stream(entries, raster.data, compress=True)


def _truetype_tables(data):
    count = struct.unpack(">H", data[4:6])[0]
    tables = {}
    for i in range(count):
        tag, _, offset, length = struct.unpack(">4sIII", data[12 + 16 * i:28 + 16 * i])
        tables[tag.decode("latin-1")] = data[offset:offset + length]
    return tables


def _unicode_glyphs(cmap):
    """Code point -> glyph id from the (3, 1) format 4 subtable of a cmap."""
    count = struct.unpack(">H", cmap[2:4])[0]
    for i in range(count):
        platform, encoding, offset = struct.unpack(">HHI", cmap[4 + 8 * i:12 + 8 * i])
        if (platform, encoding) == (3, 1) and struct.unpack(">H", cmap[offset:offset + 2])[0] == 4:
            break
    else:
        raise ValueError("no Unicode BMP cmap subtable")
    segs = struct.unpack(">H", cmap[offset + 6:offset + 8])[0] // 2
    def array(start):
        return struct.unpack(f">{segs}H", cmap[start:start + 2 * segs])
    ends = array(offset + 14)
    starts = array(offset + 16 + 2 * segs)
    deltas = array(offset + 16 + 4 * segs)
    range_base = offset + 16 + 6 * segs
    ranges = array(range_base)
    glyphs = {}
    for seg in range(segs):
        for code in range(starts[seg], ends[seg] + 1):
            if code == 0xFFFF:
                continue
            if ranges[seg] == 0:
                glyph = (code + deltas[seg]) & 0xFFFF
            else:
                at = range_base + 2 * seg + ranges[seg] + 2 * (code - starts[seg])
                glyph = struct.unpack(">H", cmap[at:at + 2])[0]
                glyph = (glyph + deltas[seg]) & 0xFFFF if glyph else 0
            if glyph:
                glyphs[code] = glyph
    return glyphs


def _truetype_font(objs, path):
    """Embed a TrueType file as a simple WinAnsiEncoding font; return its ref."""
    with open(path, "rb") as handle:
        data = handle.read()
    tables = _truetype_tables(data)
    units = struct.unpack(">H", tables["head"][18:20])[0]
    bbox = struct.unpack(">4h", tables["head"][36:44])
    ascent, descent = struct.unpack(">2h", tables["hhea"][4:8])
    metrics = struct.unpack(">H", tables["hhea"][34:36])[0]
    advances = struct.unpack(f">{metrics}H", b"".join(
        tables["hmtx"][4 * i:4 * i + 2] for i in range(metrics)))
    glyphs = _unicode_glyphs(tables["cmap"])
    def scaled(value):
        return round(value * 1000 / units)
    widths = []
    for code in range(32, 256):
        try:
            char = bytes([code]).decode("cp1252")
        except UnicodeDecodeError:
            widths.append(0)
            continue
        glyph = glyphs.get(ord(char), 0)
        widths.append(scaled(advances[min(glyph, metrics - 1)]))
    name = os.path.splitext(os.path.basename(path))[0].replace(" ", "")
    file_ref = objs.stream(f"/Length1 {len(data)}", data, compress=True)
    descriptor = objs.add(
        f"<< /Type /FontDescriptor /FontName /{name} /Flags 32 "
        f"/FontBBox [{' '.join(str(scaled(v)) for v in bbox)}] /ItalicAngle 0 "
        f"/Ascent {scaled(ascent)} /Descent {scaled(descent)} "
        f"/CapHeight {scaled(ascent)} /StemV 80 /FontFile2 {file_ref} 0 R >>")
    return objs.add(
        f"<< /Type /Font /Subtype /TrueType /BaseFont /{name} /FirstChar 32 "
        f"/LastChar 255 /Widths [{' '.join(map(str, widths))}] "
        f"/Encoding /WinAnsiEncoding /FontDescriptor {descriptor} 0 R >>")


def pdf_bytes(pages, embedded=None, count=None):
    """Serialise a list of Page objects into a complete PDF file.

    `embedded` maps extra font names (say "F9") to TrueType files to embed
    next to the standard 14 fonts, for text layers that use those names.
    `count`, when given, is written as the page tree's /Count instead of the
    number of pages.
    """
    objs = _Objects()
    catalog, tree = objs.reserve(), objs.reserve()
    objs.put(catalog, f"<< /Type /Catalog /Pages {tree} 0 R >>")
    fonts = None
    if any(page.content for page in pages):
        fonts = " ".join(
            f"/{name} {objs.add(f'<< /Type /Font /Subtype /Type1 /BaseFont /{base} /Encoding /WinAnsiEncoding >>')} 0 R"
            for name, base in FONTS.items())
        for name, path in (embedded or {}).items():
            fonts += f" /{name} {_truetype_font(objs, path)} 0 R"
    kids = []
    for page in pages:
        entries = (f"/Type /Page /Parent {tree} 0 R /MediaBox [0 0 "
                   f"{num(page.width)} {num(page.height)}]")
        if page.rotate:
            entries += f" /Rotate {page.rotate}"
        if page.image is not None:
            image = _image_object(objs, page.image)
            draw = f"q {num(page.width)} 0 0 {num(page.height)} 0 0 cm /Im0 Do Q\n"
            contents = objs.stream("", draw.encode())
            entries += (f" /Resources << /XObject << /Im0 {image} 0 R >> >>"
                        f" /Contents {contents} 0 R")
        elif page.content is not None:
            contents = objs.stream("", page.content.encode("ascii"))
            resources = f"<< /Font << {fonts} >> >>" if page.content else "<< >>"
            entries += f" /Resources {resources} /Contents {contents} 0 R"
        else:
            entries += " /Resources << >>"
        kids.append(objs.add(f"<< {entries} >>"))
    refs = " ".join(f"{kid} 0 R" for kid in kids)
    objs.put(tree, f"<< /Type /Pages /Kids [{refs}] /Count {len(kids) if count is None else count} >>")
    return objs.serialise(catalog)


def write_pdf(path, pages, embedded=None, count=None):
    data = pdf_bytes(pages, embedded, count)
    with open(path, "wb") as handle:
        handle.write(data)
    return data


def scan_pages(text_pages, dpi=300, mono=True, embedded=None):
    """Render text-layer pages to images and return image-only pages."""
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "source.pdf")
        write_pdf(source, text_pages, embedded)
        rasters = rasterise(source, dpi, mono)
    return [Page(src.width, src.height, image=raster)
            for src, raster in zip(text_pages, rasters)]

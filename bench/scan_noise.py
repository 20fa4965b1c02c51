"""Everyday damage to a 300 dpi grey scan of a page, drawn the way the device
or the person makes it, for bench/ocr_quality.py. Pillow only (Debian's
python3-pil), so the bench needs nothing more than it did.

Every function takes the clean page (mode L, 300 dpi, white paper) and a
random.Random seeded by the page and the condition, and returns a Noisy
bitmap: the same seed gives the same bitmap, so two builds are measured on
the same pixels. Pillow's own noise generator (effect_noise) is not used: it
draws from the C library's rand(), whose sequence depends on what else the
process ran.

  border  a page on a flatbed scanner's glass with the lid open: turned
          0.5-2 degrees, dark glass all round (3-8% of the page per side
          beyond the paper's turned corners), the paper's edge uneven and
          shaded where it lifts off the glass; grey.
  stamp   an office's red rubber stamp (a ring or a framed rectangle of bold
          capitals) turned 10-20 degrees, across the gutter of a two-column
          page or across the text of a one-column one, ink partly
          transparent and patchy; a blue ballpoint underline, tick and
          signature; RGB.
  phone   a phone photograph of the page lying on a desk: one side nearer
          the camera (a 3-8% trapezoid), the desk around the paper, light
          falling off across the page and into the corners, a colour cast,
          slight blur, 150-200 dpi on the paper, JPEG quality 60-75; RGB.
  spread  two pages of a book open face down on the glass: the lines bend
          and crowd toward the fold, where the paper lifts off the glass and
          the shadow deepens; grey.
"""
import collections
import math
import pathlib
import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

# image: the bitmap; dpi: its resolution on the paper; jpeg: the JPEG quality
# it is coded at, or None for PNG.
Noisy = collections.namedtuple("Noisy", "image dpi jpeg", defaults=(None,))
SCAN_DPI = 300
BOLD_FONTS = ["/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
              "/usr/share/fonts/opentype/urw-base35/NimbusSans-Bold.otf"]


# --- noise and light -------------------------------------------------------

def grain(size, rng, amplitude):
    """Fine sensor noise around 128, each pixel its own draw: a triangular
    distribution of +-amplitude (two uniform draws averaged), as a CCD's
    noise is closer to a bell than to a flat spread."""
    count = size[0] * size[1]
    a = Image.frombytes("L", size, rng.randbytes(count))
    b = Image.frombytes("L", size, rng.randbytes(count))
    table = [round(128 + (v - 127.5) / 127.5 * amplitude) for v in range(256)]
    return ImageChops.add(a, b, scale=2).point(table)


def mottle(size, rng, amplitude, cells=(12, 16)):
    """Smooth unevenness around 128: a coarse grid of draws, bicubically
    stretched over the page (the tone of paper, the glass's dirt, wood)."""
    coarse = Image.frombytes("L", cells, rng.randbytes(cells[0] * cells[1]))
    table = [max(0, min(255, round(128 + (v - 127.5) / 127.5 * amplitude))) for v in range(256)]
    # Stretched in two steps with a blur between, since one bicubic step
    # from so few cells leaves a visible grid.
    small = (max(cells[0] * 8, size[0] // 8), max(cells[1] * 8, size[1] // 8))
    blur = min(small[0] / cells[0], small[1] / cells[1]) / 3
    return coarse.point(table).resize(small, Image.Resampling.BICUBIC).filter(
        ImageFilter.GaussianBlur(blur)).resize(size, Image.Resampling.BILINEAR)


def add(image, noise):
    """image + (noise - 128), per band, clipped."""
    if image.mode != noise.mode:
        noise = Image.merge(image.mode, [noise] * len(image.getbands()))
    return ImageChops.add(image, noise, offset=-128)


def scaled(image, low, high):
    """An L map 0..255 spread onto low..high (factors of full brightness,
    as 0..255), for a lighting map to multiply by."""
    return image.point([round(low + (high - low) * v / 255) for v in range(256)])


def gradient(size, degrees):
    """An L ramp from 0 to 255 across size, rising in the direction
    degrees (0: left to right, 90: top to bottom)."""
    ramp = Image.linear_gradient("L").rotate(90 - degrees, resample=Image.Resampling.BICUBIC)
    # The turned square's middle stays a clean ramp; its corners are cut.
    side = ramp.width
    inner = round(side / (abs(math.cos(math.radians(degrees))) + abs(math.sin(math.radians(degrees)))))
    box = ((side - inner) // 2, (side - inner) // 2, (side + inner) // 2, (side + inner) // 2)
    return ramp.crop(box).resize(size, Image.Resampling.BICUBIC)


def light(image, lighting):
    """image lit by an L map (255: full light), per band."""
    if image.mode != lighting.mode:
        lighting = Image.merge(image.mode, [lighting] * len(image.getbands()))
    return ImageChops.multiply(image, lighting)


def tinted(image, colour):
    """An L image turned RGB under light of that colour."""
    return Image.merge("RGB", [image.point([round(v * c / 255) for v in range(256)]) for c in colour])


# --- geometry ----------------------------------------------------------------

def affine_onto(image, canvas, degrees, centre, fill):
    """image turned degrees clockwise about its centre, its centre put at
    centre of a canvas of that size; and where its corners land."""
    t = math.radians(degrees)
    cos, sin = math.cos(t), math.sin(t)
    cx, cy = image.width / 2, image.height / 2
    ox, oy = centre
    # Pillow asks, for each canvas pixel, which source pixel it shows.
    data = (cos, sin, cx - cos * ox - sin * oy, -sin, cos, cy + sin * ox - cos * oy)
    placed = image.transform(canvas, Image.Transform.AFFINE, data, Image.Resampling.BICUBIC, fillcolor=fill)

    def forward(x, y):
        dx, dy = x - cx, y - cy
        return ox + cos * dx - sin * dy, oy + sin * dx + cos * dy
    corners = [forward(0, 0), forward(image.width, 0), forward(image.width, image.height),
               forward(0, image.height)]
    return placed, corners


def solve(matrix, values):
    """Gaussian elimination with partial pivoting, for the 8 x 8 system of a
    perspective transform."""
    n = len(values)
    rows = [list(map(float, row)) + [float(v)] for row, v in zip(matrix, values)]
    for col in range(n):
        pivot = max(range(col, n), key=lambda r: abs(rows[r][col]))
        rows[col], rows[pivot] = rows[pivot], rows[col]
        for r in range(n):
            if r != col:
                f = rows[r][col] / rows[col][col]
                rows[r] = [a - f * b for a, b in zip(rows[r], rows[col])]
    return [rows[i][n] / rows[i][i] for i in range(n)]


def perspective(destination, source):
    """Pillow's PERSPECTIVE coefficients that show the source quadrilateral
    at the destination one (corners in the same order)."""
    matrix, values = [], []
    for (x, y), (u, v) in zip(destination, source):
        matrix.append([x, y, 1, 0, 0, 0, -u * x, -u * y])
        matrix.append([0, 0, 0, x, y, 1, -v * x, -v * y])
        values += [u, v]
    return solve(matrix, values)


def ragged(corners, rng, step, amplitude):
    """The outline through corners with each side wavering: a smooth random
    walk of +-amplitude pixels across the side every step pixels, as a cut
    or torn sheet's edge and its slight curl look at 300 dpi."""
    outline = []
    for (x0, y0), (x1, y1) in zip(corners, corners[1:] + corners[:1]):
        length = math.hypot(x1 - x0, y1 - y0)
        nx, ny = (y1 - y0) / length, -(x1 - x0) / length
        count = max(2, round(length / step))
        offset = 0.0
        for i in range(count):
            offset = 0.8 * offset + rng.uniform(-amplitude, amplitude) * 0.6
            f = i / count
            taper = min(f, 1 - f) * 8 if i else 0.0  # the corners stay where they are
            outline.append((x0 + (x1 - x0) * f + nx * offset * min(1.0, taper),
                            y0 + (y1 - y0) * f + ny * offset * min(1.0, taper)))
    return outline


def text_lines(page):
    """(top, bottom) of each band of rows with ink, from the mean of each row:
    the lines of text a pen would underline."""
    rows = list(page.resize((1, page.height), Image.Resampling.BOX).getdata())
    lines, start = [], None
    for y, mean in enumerate(rows + [255]):
        if mean < 248 and start is None:
            start = y
        elif mean >= 248 and start is not None:
            if 20 <= y - start <= 70:
                lines.append((start, y))
            start = None
    return lines


def ink_extent(page, box):
    """The first and last columns with ink within box (left, top, right,
    bottom), or None."""
    band = page.crop(box)
    columns = list(band.resize((band.width, 1), Image.Resampling.BOX).getdata())
    inked = [x for x, mean in enumerate(columns) if mean < 245]
    return (box[0] + inked[0], box[0] + inked[-1]) if inked else None


# --- the conditions ------------------------------------------------------------

def border(page, rng):
    """A flatbed scan with the lid open: the glass beyond the paper reflects
    nothing back, so it scans near black; the paper sits turned by hand,
    its edge a little ragged and shaded where it curls off the glass."""
    page = page.convert("L")
    w, h = page.size
    degrees = rng.uniform(0.5, 2.0) * rng.choice((-1, 1))
    t = math.radians(abs(degrees))
    turned_w, turned_h = w * math.cos(t) + h * math.sin(t), w * math.sin(t) + h * math.cos(t)
    left, right = (rng.uniform(0.03, 0.08) * w for _ in range(2))
    top, bottom = (rng.uniform(0.03, 0.08) * h for _ in range(2))
    canvas = (round(turned_w + left + right), round(turned_h + top + bottom))
    centre = (left + turned_w / 2, top + turned_h / 2)

    # The paper: not quite white, its tone a little uneven.
    paper_tone = rng.uniform(232, 246)
    paper = add(scaled(page, 0, paper_tone), mottle(page.size, rng, 4))
    placed, corners = affine_onto(paper, canvas, degrees, centre, 255)

    mask = Image.new("L", canvas, 0)
    ImageDraw.Draw(mask).polygon(ragged(corners, rng, 12, 2.5), fill=255)
    mask = mask.filter(ImageFilter.GaussianBlur(0.8))

    # Where the sheet curls off the glass the lamp lights it less: a shade
    # along its edge, deeper on the side that lifts most.
    reach = rng.uniform(0.008, 0.016) * w
    edge = ImageChops.invert(mask.filter(ImageFilter.GaussianBlur(reach)))  # 0 inside, ~128 at the edge
    depth = rng.uniform(0.35, 0.6)
    side = scaled(gradient(canvas, rng.uniform(0, 360)), 110, 255)
    shade = ImageChops.multiply(edge, side).point([round(255 * (1 - min(1.0, depth * v / 127.5)))
                                                   for v in range(256)])
    placed = light(placed, shade)

    # The glass: near black, a little light leaking in from one side, dust.
    glass_level = rng.uniform(14, 40)
    glass = scaled(gradient(canvas, rng.uniform(0, 360)), glass_level, glass_level + rng.uniform(8, 30))
    glass = add(glass, mottle(canvas, rng, 6, (24, 32)))
    scan = Image.composite(placed, glass, mask)
    scan = add(scan, grain(canvas, rng, 5))
    return Noisy(scan, SCAN_DPI)


STAMP_WORDS = [("RICEVUTO", "UFFICIO PROTOCOLLO"), ("RECEIVED", "ACCOUNTS DEPARTMENT"),
               ("APPROVED", "QUALITY CONTROL"), ("COPIA CONFORME", "SEGRETERIA GENERALE"),
               ("PAID", "FINANCE OFFICE"), ("CONFIDENTIAL", "LEGAL DEPARTMENT")]
MONTHS = "JAN FEB MAR APR MAY JUN JUL AUG SEP OCT NOV DEC".split()


def font(size):
    for path in BOLD_FONTS:
        if pathlib.Path(path).exists():
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def fitted(draw, text, width, height):
    """The bold face at the largest size whose text fits width by height."""
    size = max(8, round(height))
    while size > 8:
        left, top, right, bottom = draw.textbbox((0, 0), text, font=font(size))
        if right - left <= width and bottom - top <= height:
            break
        size -= 2
    return font(size)


def centred_text(draw, centre, text, face):
    left, top, right, bottom = draw.textbbox((0, 0), text, font=face)
    draw.text((centre[0] - (left + right) / 2, centre[1] - (top + bottom) / 2), text, font=face, fill=255)


def stamp_ink(rng):
    """The stamp's ink as an L mask (255: full ink), upright: a double ring
    with its office's name around it and the word and date across, or a
    framed rectangle with the word, the date and the office. About 4-6 cm,
    lines 1 mm, capitals 4-7 mm high at 300 dpi."""
    word, office = rng.choice(STAMP_WORDS)
    date = f"{rng.randint(1, 28):02d} {rng.choice(MONTHS)} {rng.randint(2015, 2025)}"
    if rng.random() < 0.5:
        size = rng.randint(480, 620)
        ink = Image.new("L", (size, size), 0)
        draw = ImageDraw.Draw(ink)
        draw.ellipse((4, 4, size - 4, size - 4), outline=255, width=12)
        ring = round(size * 0.2)
        draw.ellipse((ring, ring, size - ring, size - ring), outline=255, width=6)
        # The office's name around the top of the ring, letter by letter.
        face = font(round(size * 0.085))
        radius = size / 2 - (4 + 12 + ring) / 2 + 2
        span = min(300.0, 14.0 * len(office))
        for i, letter in enumerate(office):
            angle = -90 - span / 2 + span * (i + 0.5) / len(office)
            glyph = Image.new("L", (face.size * 2, face.size * 2), 0)
            centred_text(ImageDraw.Draw(glyph), (face.size, face.size), letter, face)
            glyph = glyph.rotate(-(angle + 90), resample=Image.Resampling.BICUBIC)
            a = math.radians(angle)
            x, y = size / 2 + radius * math.cos(a), size / 2 + radius * math.sin(a)
            ink.paste(255, (round(x - face.size), round(y - face.size)), glyph)
        inner = size - 2 * ring
        centred_text(draw, (size / 2, size / 2 - inner * 0.08), word, fitted(draw, word, inner * 0.95, inner * 0.2))
        centred_text(draw, (size / 2, size / 2 + inner * 0.2), date, fitted(draw, date, inner * 0.7, inner * 0.11))
    else:
        width, height = rng.randint(620, 780), rng.randint(280, 360)
        ink = Image.new("L", (width, height), 0)
        draw = ImageDraw.Draw(ink)
        draw.rounded_rectangle((4, 4, width - 4, height - 4), radius=18, outline=255, width=12)
        draw.rectangle((26, 26, width - 26, height - 26), outline=255, width=5)
        centred_text(draw, (width / 2, height * 0.36), word, fitted(draw, word, width * 0.85, height * 0.28))
        centred_text(draw, (width / 2, height * 0.63), date, fitted(draw, date, width * 0.6, height * 0.13))
        centred_text(draw, (width / 2, height * 0.81), office, fitted(draw, office, width * 0.8, height * 0.09))
    # Rubber takes ink unevenly and leaves it in patches: fuller and fainter
    # areas, and specks where the paper took none.
    patches = mottle(ink.size, rng, 90, (6, 6)).point(lambda v: min(255, v + 110))
    specks = grain(ink.size, rng, 127).point(lambda v: 0 if v < 40 else 255)
    ink = ImageChops.multiply(ImageChops.multiply(ink, patches), specks)
    return ink.filter(ImageFilter.GaussianBlur(1.2))


def mean_of(page, box):
    """The mean grey of box within the page."""
    return page.crop(box).resize((1, 1), Image.Resampling.BOX).getpixel((0, 0))


def pen(draw, points, width):
    draw.line(points, fill=255, width=width, joint="curve")


def pen_marks(page, rng, columns):
    """A blue ballpoint's marks as an L mask: a line of text underlined, a
    tick beside another in the margin, a signature at the foot."""
    w, h = page.size
    ink = Image.new("L", page.size, 0)
    draw = ImageDraw.Draw(ink)
    lines = [line for line in text_lines(page) if 0.2 * h < line[0] < 0.8 * h]
    halves = [(0, w // 2), (w // 2, w)] if columns else [(0, w)]
    if lines:
        top, bottom = rng.choice(lines)
        x_from, x_to = rng.choice(halves)
        extent = ink_extent(page, (x_from, top, x_to, bottom))
        if extent:
            start = extent[0] + rng.uniform(0, 0.3) * (extent[1] - extent[0])
            end = start + rng.uniform(0.4, 0.7) * (extent[1] - start)
            y = bottom + rng.uniform(4, 10)
            slope = rng.uniform(-0.01, 0.01)
            points = [(start + (end - start) * i / 20,
                       y + slope * (end - start) * i / 20 + 2 * math.sin(i * rng.uniform(0.5, 1.1)))
                      for i in range(21)]
            pen(draw, points, 5)
        top, bottom = rng.choice(lines)
        extent = ink_extent(page, (0, top, halves[0][1], bottom))
        if extent:
            x, y, size = max(30, extent[0] - rng.uniform(70, 110)), (top + bottom) / 2, rng.uniform(40, 60)
            pen(draw, [(x - size * 0.5, y - size * 0.1), (x - size * 0.1, y + size * 0.4),
                       (x + size * 0.9, y - size * 0.9)], 5)
    # A signature: a few quick loops running right, then a flourish; in the
    # foot margin where there is room for it, else over the last lines.
    box = ImageChops.invert(page).point(lambda v: 255 if v > 55 else 0).getbbox()
    foot = box[3] if box else h
    x0 = rng.uniform(0.5, 0.65) * w
    y0 = (foot + h) / 2 if h - foot > 180 else rng.uniform(0.86, 0.92) * h
    length, height = rng.uniform(420, 620), rng.uniform(50, 90)
    loops, phase = rng.uniform(6, 10), rng.uniform(0, math.tau)
    # Loops of uneven size (two slow waves), a tall first letter, slanted.
    waves = [(rng.uniform(1, 3), rng.uniform(0, math.tau)) for _ in range(2)]
    slant = rng.uniform(0.2, 0.45)
    points = []
    for i in range(600):
        s = i / 599
        r = height * 0.5 * (0.6 + 0.5 * mean_sin(waves, s)) * (1 + 1.6 * math.exp(-s / 0.07))
        turn = math.tau * loops * (s + 0.04 * mean_sin(waves[::-1], s)) + phase
        y = y0 - r * math.sin(turn)
        points.append((x0 + length * s + 0.6 * r * math.cos(turn) - slant * (y - y0), y))
    pen(draw, points, 4)
    # The flourish: back under the name and off to the right.
    end_x, end_y = points[-1]
    below = y0 + height * rng.uniform(0.8, 1.1)
    flourish = [(end_x + (x0 - 30 - end_x) * f, end_y + (below - end_y) * math.sin(math.pi / 2 * f)
                 + 25 * math.sin(math.pi * f)) for f in (i / 40 for i in range(41))]
    flourish += [(x0 - 30 + (length + 120) * f, below - height * 0.4 * f * f)
                 for f in (i / 20 for i in range(1, 21))]
    pen(draw, flourish, 4)
    return ink.filter(ImageFilter.GaussianBlur(0.7))


def mean_sin(waves, s):
    return sum(math.sin(math.tau * f * s + p) for f, p in waves) / len(waves)


def ink_over(page, mask, colour, opacity):
    """Ink of that colour laid over an RGB page through an L mask, as ink
    does: it darkens what lies under it and hides none of it."""
    table = lambda c: [round(255 - opacity * v * (255 - c) / 255) for v in range(256)]
    return ImageChops.multiply(page, Image.merge("RGB", [mask.point(table(c)) for c in colour]))


def stamp(page, rng, columns):
    """A red rubber stamp across the gutter (or the text) and a blue pen's
    marks; RGB, since a colour scanner keeps both colours."""
    page = page.convert("L")
    w, h = page.size
    ink = stamp_ink(rng).rotate(rng.uniform(10, 20) * rng.choice((-1, 1)), resample=Image.Resampling.BICUBIC,
                                expand=True)
    # Stamped over text, as on a page with no room to spare: across the
    # gutter with lines on both sides of it, or across a one-column page's
    # lines. The first of a few places drawn that has text under both
    # halves of the stamp, else the one with the most.
    def coverage(cx, cy):
        halves = [(cx - ink.width / 2, cx), (cx, cx + ink.width / 2)]
        return min(255 - mean_of(page, (round(a), round(cy - ink.height / 3), round(b), round(cy + ink.height / 3)))
                   for a, b in halves)
    places = []
    for _ in range(12):
        cx = w / 2 + rng.uniform(-0.02, 0.02) * w if columns else rng.uniform(0.35, 0.65) * w
        places.append((cx, rng.uniform(0.25, 0.75) * h))
    covered = [place for place in places if coverage(*place) >= 12]
    centre_x, centre_y = covered[0] if covered else max(places, key=lambda place: coverage(*place))
    mask = Image.new("L", page.size, 0)
    mask.paste(ink, (round(centre_x - ink.width / 2), round(centre_y - ink.height / 2)))
    marks = pen_marks(page, rng, columns)
    scan = tinted(page, (252, 251, 247))
    # Fresh stamp-pad red: 70-105 grey where the ink is full, so
    # that, drawn grey, the stamp stays as dark as it looks.
    scan = ink_over(scan, mask, (rng.randint(180, 200), rng.randint(20, 40), rng.randint(35, 55)),
                    rng.uniform(0.9, 1.0))
    scan = ink_over(scan, marks, (25, 45, rng.randint(140, 170)), 0.9)
    return Noisy(add(scan, grain(page.size, rng, 3)), SCAN_DPI)


DESKS = [(110, 80, 52), (84, 84, 90), (60, 50, 44), (120, 110, 98)]


def phone(page, rng):
    """A phone's photograph of the page on a desk, taken from a little off
    the perpendicular: the side nearer the lens is longer, the paper fills
    most of the frame at 150-200 dpi, the room's light falls off across
    the page and into the corners, and the phone codes it as JPEG."""
    page = page.convert("L")
    dpi = rng.uniform(150, 200)
    scale = dpi / SCAN_DPI
    paper = page.resize((round(page.width * scale), round(page.height * scale)), Image.Resampling.LANCZOS)
    pw, ph = paper.size
    margins = [rng.uniform(0.05, 0.1) * (pw if i % 2 == 0 else ph) for i in range(4)]  # left, top, right, bottom
    canvas = (round(pw + margins[0] + margins[2]), round(ph + margins[1] + margins[3]))
    x0, y0 = margins[0], margins[1]
    corners = [[x0, y0], [x0 + pw, y0], [x0 + pw, y0 + ph], [x0, y0 + ph]]  # tl, tr, br, bl
    # Whoever photographs a page on a desk stands at its foot or, across
    # the desk, at its head: the foot or the head is the nearer side. The
    # far side is shorter by the trapezoid's share and drawn nearer to the
    # middle, as it is further from the lens.
    near = 3 if rng.random() < 0.7 else 1  # 0 left, 1 top, 2 right, 3 bottom
    share = rng.uniform(0.03, 0.08)
    far = (near + 2) % 4
    sides = {0: (3, 0), 1: (0, 1), 2: (1, 2), 3: (2, 3)}  # each side's corners, along it
    a, b = sides[far]
    inward = [(1, 0), (0, 1), (-1, 0), (0, -1)][far]
    along = (corners[b][0] - corners[a][0], corners[b][1] - corners[a][1])
    for corner, sign in ((a, 1), (b, -1)):
        corners[corner][0] += sign * along[0] * share / 2 + inward[0] * share / 2 * pw
        corners[corner][1] += sign * along[1] * share / 2 + inward[1] * share / 2 * ph
    # Held by hand: the frame a little turned about its middle.
    t = math.radians(rng.uniform(-1, 1))
    cx, cy = canvas[0] / 2, canvas[1] / 2
    corners = [(cx + (x - cx) * math.cos(t) - (y - cy) * math.sin(t),
                cy + (x - cx) * math.sin(t) + (y - cy) * math.cos(t)) for x, y in corners]
    coefficients = perspective(corners, [(0, 0), (pw, 0), (pw, ph), (0, ph)])
    tone = rng.uniform(236, 250)
    paper = tinted(scaled(paper, 0, tone), (255, 252, 244))
    placed = paper.transform(canvas, Image.Transform.PERSPECTIVE, coefficients, Image.Resampling.BICUBIC,
                             fillcolor=(255, 255, 255))
    mask = Image.new("L", canvas, 0)
    ImageDraw.Draw(mask).polygon(corners, fill=255)
    mask = mask.filter(ImageFilter.GaussianBlur(0.7))

    # The desk: a colour, its grain along one direction, and the paper's
    # soft shadow on it.
    desk_colour = rng.choice(DESKS)
    desk = Image.new("RGB", canvas, desk_colour)
    desk = add(desk, mottle(canvas, rng, 18, (4, 60) if rng.random() < 0.5 else (60, 4)))
    desk = add(desk, mottle(canvas, rng, 10, (30, 40)))
    shadow = mask.filter(ImageFilter.GaussianBlur(12)).transform(
        canvas, Image.Transform.AFFINE, (1, 0, -rng.uniform(4, 12), 0, 1, -rng.uniform(4, 12)))
    desk = light(desk, scaled(ImageChops.invert(shadow), 150, 255))
    photo = Image.composite(placed, desk, mask)

    # The room's light: falling off across the frame, and the lens's
    # vignette darkening the corners.
    fall = scaled(gradient(canvas, rng.uniform(0, 360)), rng.uniform(150, 190), 255)
    # radial_gradient is 0 in the middle and 255 on the inscribed circle
    # (more beyond it, clipped): full light in the middle, dimmer outward.
    vignette = Image.radial_gradient("L").resize(canvas, Image.Resampling.BICUBIC)
    dim = rng.uniform(0.25, 0.4)
    photo = light(light(photo, fall), vignette.point([round(255 * (1 - dim * (v / 255) ** 2)) for v in range(256)]))
    cast = rng.choice(((255, 244, 222), (238, 244, 255), (255, 250, 240)))
    photo = ImageChops.multiply(photo, Image.new("RGB", canvas, cast))
    photo = photo.filter(ImageFilter.GaussianBlur(rng.uniform(0.5, 1.0)))
    photo = add(photo, grain(canvas, rng, 6))
    return Noisy(photo, dpi, rng.randint(60, 75))


def spread(page, rng):
    """Two facing pages (page: the flat pair side by side, the fold in the
    middle) of a book pressed face down on a scanner's glass: near the fold
    the paper lifts away, so each page's lines bend (toward the middle of
    the page's height, more near the fold), crowd together across, and sink
    into the shadow of the fold."""
    page = page.convert("L")
    w, h = page.size
    fold = w / 2
    half = w / 2
    yc = h * rng.uniform(0.45, 0.55)
    params = []
    for _ in range(2):  # each page curves its own way
        params.append({"reach": rng.uniform(0.35, 0.55),       # share of the page width that curves
                       "bend": rng.uniform(0.02, 0.04) * h,    # vertical shift at the fold, at the page's top
                       "lift": rng.uniform(-0.4, 0.4),         # the same, not centred (the book tilted)
                       "crowd": rng.uniform(0.025, 0.05)})     # how far the outer part moves in

    def source(x, y):
        """Where the flat pair shows at (x, y) of the scan."""
        right = x >= fold
        p = params[right]
        u = abs(x - fold) / half
        r = p["reach"]
        if u < r:
            s = u / r
            profile = (1 - s) ** 2
            # Sloping away from the glass, the paper near the fold shows
            # narrower (up to 1.6 times) and the rest moves in toward it.
            u_source = u + p["crowd"] * (1 - (1 - s) ** 4)
            y_source = y + p["bend"] * profile * ((y - yc) / (h / 2) + p["lift"])
        else:
            u_source, y_source = u + p["crowd"], y
        return fold + (u_source if right else -u_source) * half, y_source

    columns, rows = 96, 48
    mesh = []
    xs = [round(w * i / columns) for i in range(columns + 1)]
    ys = [round(h * j / rows) for j in range(rows + 1)]
    for i in range(columns):
        for j in range(rows):
            box = (xs[i], ys[j], xs[i + 1], ys[j + 1])
            quad = source(xs[i], ys[j]) + source(xs[i], ys[j + 1]) + source(xs[i + 1], ys[j + 1]) + \
                source(xs[i + 1], ys[j])
            mesh.append((box, quad))
    tone = rng.uniform(232, 246)
    paper = add(scaled(page, 0, tone), mottle(page.size, rng, 4, (24, 16)))
    curved = paper.transform(page.size, Image.Transform.MESH, mesh, Image.Resampling.BICUBIC, fillcolor=round(tone))

    # The fold's shadow: deep at the fold, falling off fast, with a wider
    # dimming over the lifted part.
    depth, width = rng.uniform(0.55, 0.75), rng.uniform(0.03, 0.06)
    shade = []
    for x in range(w):
        p = params[x >= fold]
        u = abs(x + 0.5 - fold) / half
        wide = 0.25 * max(0.0, 1 - u / p["reach"]) ** 2
        shade.append(round(255 * max(0.0, 1 - depth * math.exp(-u / width) - wide * (1 - depth))))
    row = Image.new("L", (w, 1))
    row.putdata(shade)
    scan = light(curved, row.resize((w, h), Image.Resampling.NEAREST))
    scan = add(scan, grain(page.size, rng, 5))
    return Noisy(scan, SCAN_DPI)


def apply(name, page, seed, columns=False):
    """The condition named (border, stamp, phone, spread) made on page with
    a generator seeded by seed; columns: the page has two columns (a stamp
    goes across its gutter)."""
    rng = random.Random(seed)
    if name == "border":
        return border(page, rng)
    if name == "stamp":
        return stamp(page, rng, columns)
    if name == "phone":
        return phone(page, rng)
    if name == "spread":
        return spread(page, rng)
    raise ValueError(f"no such noise: {name}")

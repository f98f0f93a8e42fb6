"""Which of a few short texts a part of a picture shows, without character recognition.

The dark strokes (ink) of the part are gathered into words (connected pieces side by side), and each word is
compared with renderings of the candidate texts in the fonts the program draws with at its 9-point size (12
pixels): the Chinese font for Chinese characters and, for Latin letters, the Latin font the program puts in
front of it or the Chinese font itself. A button's frame and a focus rectangle are not ink: lines longer than any
stroke of a glyph that size, and dots without a neighbour, are dropped first. The rasterisers of Qt on Linux,
of Qt under Wine and the one here differ in their grey edges, so the shades are compared by their correlation
at the best place of the rendering over the word, and a word is taken for the likeliest candidate only when
the likeness is clear.
"""
import functools

from PIL import Image, ImageDraw, ImageFont

CHINESE_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
LATIN_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf"
PIXELS = 12
INK = 35  # how much darker than the background a pixel of ink is
LONGEST_STROKE = 15  # pixels; longer runs are frames and separators
WORD_GAP = 6  # columns without ink between two words
SLACK = 2  # pixels around a word where its rendering may lie
MIN_SCORE = 0.6


def ink(image):
    """The ink of a picture as a set of (x, y): the pixels clearly darker than its background (its most common
    shade)."""
    gray = image.convert("L")
    w, h = gray.size
    px = gray.load()
    histogram = gray.histogram()
    background = histogram.index(max(histogram))
    dots = {(x, y) for y in range(h) for x in range(w) if px[x, y] < background - INK}
    return _without_frames(dots)


def _without_frames(dots):
    long_runs = set()
    for along, across in ((0, 1), (1, 0)):
        lines = {}
        for p in dots:
            lines.setdefault(p[across], []).append(p[along])
        for fixed, values in lines.items():
            values.sort()
            run = [values[0]]
            for v in values[1:] + [None]:
                if v is not None and v == run[-1] + 1:
                    run.append(v)
                    continue
                if len(run) > LONGEST_STROKE:
                    long_runs.update((r, fixed) if along == 0 else (fixed, r) for r in run)
                if v is not None:
                    run = [v]
    kept = dots - long_runs
    return {(x, y) for x, y in kept
            if any((x + dx, y + dy) in kept for dx in (-1, 0, 1) for dy in (-1, 0, 1) if dx or dy)}


def _pieces(dots):
    """The boxes (left, top, right, bottom) of the ink's connected pieces."""
    left_over = set(dots)
    boxes = []
    while left_over:
        todo = [left_over.pop()]
        xs, ys = [], []
        while todo:
            x, y = todo.pop()
            xs.append(x)
            ys.append(y)
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    if (x + dx, y + dy) in left_over:
                        left_over.remove((x + dx, y + dy))
                        todo.append((x + dx, y + dy))
        boxes.append((min(xs), min(ys), max(xs), max(ys)))
    return boxes


def words(dots):
    """The ink gathered into words: pieces side by side on one line, less than WORD_GAP apart, make one word.
    The words' boxes (left, top, right, bottom, edges included), top to bottom and left to right."""
    out = []
    for box in sorted(_pieces(dots)):
        for i, word in enumerate(out):
            middle = (box[1] + box[3]) / 2
            if box[0] <= word[2] + WORD_GAP and word[1] - 3 <= middle <= word[3] + 3:
                out[i] = (min(word[0], box[0]), min(word[1], box[1]), max(word[2], box[2]), max(word[3], box[3]))
                break
        else:
            out.append(box)
    # The corners of a focus rectangle and what is left of frames are no words.
    out = [w for w in out if w[2] - w[0] >= 2 and w[3] - w[1] >= 4 and w[3] - w[1] < PIXELS + 4]
    return sorted(out, key=lambda w: (w[1] // PIXELS, w[0]))


@functools.lru_cache(maxsize=None)
def _font(path):
    return ImageFont.truetype(path, PIXELS)


@functools.lru_cache(maxsize=None)
def rendering(text, latin_font):
    """`text` drawn black on white (Chinese characters in the Chinese font, the rest in `latin_font`), as rows
    of darkness (0 white to 255 black) cut to its ink."""
    image = Image.new("L", (PIXELS * 2 * len(text) + 8, PIXELS * 3), 255)
    draw = ImageDraw.Draw(image)
    x = 4
    for ch in text:
        font = _font(CHINESE_FONT if ord(ch) > 0x2e80 else latin_font)
        draw.text((x, PIXELS), ch, font=font, fill=0)
        x += draw.textlength(ch, font=font)
    dots = ink(image)
    left, top = min(x for x, _ in dots), min(y for _, y in dots)
    right, bottom = max(x for x, _ in dots), max(y for _, y in dots)
    px = image.load()
    return tuple(tuple(255 - px[x, y] for x in range(left, right + 1)) for y in range(top, bottom + 1))


def _correlation(a, b):
    n = len(a)
    ma, mb = sum(a) / n, sum(b) / n
    num = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    den = (sum((x - ma) ** 2 for x in a) * sum((y - mb) ** 2 for y in b)) ** 0.5
    return num / den if den else 0.0


def likeness(darkness, template):
    """How much a patch of darkness (rows, a little larger than the word in it) looks like a rendering:
    the best correlation of the two at any place of the rendering within the patch; 0 where it does not fit."""
    h, w = len(darkness), len(darkness[0])
    th, tw = len(template), len(template[0])
    flat_t = [v for row in template for v in row]
    best = 0.0
    for dy in range(h - th + 1):
        for dx in range(w - tw + 1):
            patch = [v for row in darkness[dy:dy + th] for v in row[dx:dx + tw]]
            best = max(best, _correlation(patch, flat_t))
    return best


def read(image, candidates):
    """For each word of the picture, top to bottom and left to right, the candidate text it shows (None when
    no candidate is clearly it) and how alike they are (a correlation, 1 for the same picture)."""
    gray = image.convert("L")
    histogram = gray.histogram()
    background = histogram.index(max(histogram))
    px = gray.load()
    out = []
    for left, top, right, bottom in words(ink(image)):
        darkness = [[max(0, background - px[x, y]) if 0 <= x < gray.width and 0 <= y < gray.height else 0
                     for x in range(left - SLACK, right + SLACK + 1)]
                    for y in range(top - SLACK, bottom + SLACK + 1)]
        scores = sorted(((max(likeness(darkness, rendering(text, font)) for font in (LATIN_FONT, CHINESE_FONT)),
                          text) for text in candidates), reverse=True)
        score, text = scores[0]
        out.append((text if score >= MIN_SCORE else None, round(score, 2)))
    return out

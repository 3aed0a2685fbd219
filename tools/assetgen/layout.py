"""Text layout for the pictures: word wrapping, headings, and pages built from blocks."""

import common as c
import faces

BODY = c.INK
HEAD_GRAD = ((255, 236, 90, 255), (255, 130, 30, 255))


def wrap(text, width, scale=1):
    """Splits text into lines that fit width pixels."""
    lines, line = [], ""
    for word in text.split():
        trial = word if not line else line + " " + word
        if c.text_size(trial, scale)[0] <= width or not line:
            line = trial
        else:
            lines.append(line)
            line = word
    if line:
        lines.append(line)
    return lines


def paragraph(img, x, y, width, text, fill=BODY, outline=None, pitch=11, align="left"):
    """Draws wrapped text; returns the y below it."""
    for line in wrap(text, width):
        if align == "center":
            c.draw_text(img, x + width // 2, y, line, 1, fill, outline, align="center")
        else:
            c.draw_text(img, x, y, line, 1, fill, outline)
        y += pitch
    return y


def heading(img, cx, y, text, scale=2):
    c.draw_text(img, cx, y, text, scale, outline=c.INK, gradient=HEAD_GRAD, align="center", shadow=(30, 24, 64, 120), shadow_off=(1, 2))
    return y + 8 * scale + 6


FACE_KINDS = {"good", "bad", "bonus", "calm", "wow", "grin", "lost", "devil"}


def page(width, height, blocks, top=6):
    """A transparent page from a list of blocks:
    ("h", text) heading, ("p", text) paragraph, ("c", text) centred paragraph,
    ("f", kind, text) a face with text beside it, ("row", [kinds]) a row of faces,
    ("big", text) a 4x title, ("gap", pixels)."""
    img = c.new(width, height)
    y = top
    cx = width // 2
    for block in blocks:
        kind = block[0]
        if kind == "h":
            y = heading(img, cx, y, block[1])
        elif kind == "big":
            c.draw_text(img, cx, y, block[1], 4, outline=c.INK, outline_r=2, gradient=HEAD_GRAD, align="center", compact=True)
            y += 7 * 4 + 10
        elif kind == "p":
            y = paragraph(img, 4, y, width - 8, block[1]) + 5
        elif kind == "c":
            y = paragraph(img, 4, y, width - 8, block[1], align="center") + 5
        elif kind == "f":
            pic = faces.face(block[1]) if isinstance(block[1], str) else block[1]
            img.alpha_composite(pic, (4, y))
            end = paragraph(img, 28, y + 1, width - 32, block[2])
            y = max(end, y + pic.height + 2) + 5
        elif kind == "row":
            n = len(block[1])
            x = cx - (n * 24 - 6) // 2
            for k in block[1]:
                pic = faces.face(k) if isinstance(k, str) else k
                img.alpha_composite(pic, (x, y))
                x += 24
            y += 18 + 7
        elif kind == "gap":
            y += block[1]
        else:
            raise ValueError(kind)
    if y > height:
        raise SystemExit(f"page content needs {y} pixels, picture has {height}")
    return img, y

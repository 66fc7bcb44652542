#!/usr/bin/env python3
"""Draws the lozenge's artwork as 24-bit bitmap files beside this script.

The skin is 320 by 60: a graphite lozenge with rounded ends on teal
(0, 128, 128), the colour the window's outline is cut from, so no pixel of
the body may be teal. Glyph strips hold four 12 by 12 images (up, disabled,
down, and for the play button the stop face) on fuchsia, the buttons'
transparent colour. Run it again after changing a drawing:

    python3 resources/draw_artwork.py
"""
import math
import os
import struct

TEAL = (0, 128, 128)
FUCHSIA = (255, 0, 255)
LCD = (0xBC, 0xBC, 0xAC)       # the panes' background
LCD_INK = (0x46, 0x46, 0x3A)   # the panes' text
LCD_FAINT = (0xA0, 0xA0, 0x96)
HERE = os.path.dirname(os.path.abspath(__file__))


class Picture:
    def __init__(self, width, height, color):
        self.width, self.height = width, height
        self.rows = [[color] * width for _ in range(height)]

    def set(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = color

    def get(self, x, y):
        return self.rows[y][x]

    def fill(self, left, top, width, height, color):
        for y in range(top, top + height):
            for x in range(left, left + width):
                self.set(x, y, color)

    def save(self, name):
        pad = (4 - self.width * 3 % 4) % 4
        data = bytearray()
        for row in reversed(self.rows):
            for r, g, b in row:
                data += bytes((b, g, r))
            data += b"\0" * pad
        header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(header + info + data)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def not_teal(color):
    return (color[0], color[1], color[2] + 1) if color == TEAL else color


# ---- the skin -------------------------------------------------------------

W, H, RADIUS = 320, 60, 14


def inside(x, y, inset=0):
    """Whether pixel (x, y) lies in the rounded lozenge shrunk by inset."""
    r = RADIUS - inset
    left, right = inset, W - 1 - inset
    top, bottom = inset, H - 1 - inset
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + r), right - r)
    cy = min(max(y, top + r), bottom - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= (r + 0.3) ** 2


def body_color(x, y):
    top, bottom = (92, 106, 118), (36, 42, 50)
    base = mix(top, bottom, y / (H - 1))
    # A soft sheen across the upper third.
    sheen = max(0.0, 1.0 - abs(y - 12) / 10.0) * 0.18
    return mix(base, (200, 214, 224), sheen)


def recess(pic, left, top, width, height, face):
    """A sunken place: shadow above and left, light below and right."""
    shadow, light = (16, 20, 24), (128, 142, 154)
    pic.fill(left, top, width, height, face)
    for x in range(left, left + width):
        pic.set(x, top, shadow)
        pic.set(x, top + height - 1, light)
    for y in range(top, top + height):
        pic.set(left, y, shadow)
        pic.set(left + width - 1, y, light)
    pic.set(left + width - 1, top, mix(shadow, light, 0.5))
    pic.set(left, top + height - 1, mix(shadow, light, 0.5))


def draw_skin():
    pic = Picture(W, H, TEAL)
    for y in range(H):
        for x in range(W):
            if not inside(x, y):
                continue
            if not inside(x, y, 1):
                color = (14, 17, 20)          # the rim
            elif not inside(x, y, 2):
                color = (150, 164, 176) if y < H // 2 else (60, 70, 80)  # the bevel
            else:
                color = body_color(x, y)
            pic.set(x, y, color)
    # The display behind the panes (37, 11, 246 by 38), sunk two pixels.
    recess(pic, 35, 9, 250, 42, (24, 28, 34))
    pic.fill(37, 11, 246, 38, LCD)
    # Places of the six 12 by 12 buttons.
    for left in (19, 290):
        for top in (8, 25, 41):
            recess(pic, left - 1, top - 1, 14, 14, (30, 36, 44))
    # The grooves of the two volume sliders (6, 3 and 304, 3; 10 by 54).
    for left in (6, 304):
        recess(pic, left + 3, 6, 4, 48, (12, 14, 18))
        for tick in range(6, 55, 6):
            pic.set(left + 1, tick, (120, 134, 146))
            pic.set(left + 8, tick, (120, 134, 146))
    for y in range(H):
        for x in range(W):
            if inside(x, y):
                pic.set(x, y, not_teal(pic.get(x, y)))
    pic.save("skin.bmp")


# ---- glyphs ---------------------------------------------------------------

FACE = (222, 236, 244)
FACE_DOWN = (120, 220, 255)
FACE_OFF = (104, 112, 120)
STOP_RED = (255, 96, 84)


def glyph_strip(name, draw, faces=(FACE, FACE_OFF, FACE_DOWN, FACE_DOWN), shapes=None):
    pic = Picture(48, 12, FUCHSIA)
    for image in range(4):
        shape = shapes[image] if shapes else draw
        dx = 1 if image in (2, 3) else 0  # a pressed face sits one pixel lower right
        shape(lambda x, y, c=faces[image], o=image * 12: pic.set(o + x + dx, y + dx, c))
    pic.save(name)


def play_list(dot):
    for row in (2, 5, 8):
        dot(1, row), dot(2, row)
        for x in range(4, 10):
            dot(x, row)


def logo(dot):
    # A ring around a dot: the player itself.
    for y in range(11):
        for x in range(11):
            d = math.hypot(x - 5, y - 5)
            if 3.6 <= d <= 4.8 or d <= 1.5:
                dot(x, y)


def tool(dot):
    # A spanner: a ring with an open jaw and a handle to the lower left.
    for y in range(11):
        for x in range(11):
            d = math.hypot(x - 7, y - 3)
            if 1.6 <= d <= 3.2 and not (x > 7 and y < 3):
                dot(x, y)
    for i in range(5):
        dot(1 + i, 9 - i), dot(2 + i, 9 - i)


def up(dot):
    # Previous track: a bar and a triangle pointing left.
    for y in range(2, 9):
        dot(1, y), dot(2, y)
    for x in range(4, 10):
        half = (x - 4) // 2 + 1
        for y in range(5 - half + 1, 5 + half):
            dot(x, y)


def down(dot):
    # Next track: a triangle pointing right and a bar.
    for x in range(1, 7):
        half = (6 - x) // 2 + 1
        for y in range(5 - half + 1, 5 + half):
            dot(x, y)
    for y in range(2, 9):
        dot(8, y), dot(9, y)


def play(dot):
    for x in range(2, 10):
        half = (9 - x) // 2 + 1
        for y in range(5 - half + 1, 5 + half):
            dot(x, y)


def stop(dot):
    for y in range(2, 9):
        for x in range(2, 9):
            dot(x, y)


# ---- indicator marks and the slider thumb ----------------------------------

def indicators():
    """Six 12 by 10 marks on the display's colour: repeat, random and timer,
    each off then on."""
    pic = Picture(72, 10, LCD)

    def repeat(o, c):
        for x in range(2, 10):
            pic.set(o + x, 2, c), pic.set(o + x, 7, c)
        for y in range(2, 8):
            pic.set(o + 1, y, c), pic.set(o + 10, y, c)
        pic.set(o + 8, 1, c), pic.set(o + 8, 3, c), pic.set(o + 3, 6, c), pic.set(o + 3, 8, c)

    def random(o, c):
        for i in range(8):
            pic.set(o + 2 + i, 1 + i, c), pic.set(o + 2 + i, 8 - i, c)
        pic.set(o + 8, 1, c), pic.set(o + 8, 8, c)

    def timer(o, c):
        for y in range(10):
            for x in range(12):
                d = math.hypot(x - 5.5, y - 4.5)
                if 3.4 <= d <= 4.6:
                    pic.set(o + x, y, c)
        for y in range(2, 5):
            pic.set(o + 6, y, c)
        pic.set(o + 7, 5, c), pic.set(o + 8, 5, c)

    for index, (draw, on) in enumerate([(repeat, False), (repeat, True), (random, False), (random, True),
                                        (timer, False), (timer, True)]):
        draw(index * 12, LCD_INK if on else LCD_FAINT)
    pic.save("indicators.bmp")


def thumb():
    """The volume sliders' 10 by 8 thumb: a bevelled knob on fuchsia."""
    pic = Picture(10, 8, FUCHSIA)
    pic.fill(1, 1, 8, 6, (176, 190, 200))
    for x in range(1, 9):
        pic.set(x, 0, (236, 244, 250)), pic.set(x, 7, (40, 46, 54))
    for y in range(1, 7):
        pic.set(0, y, (236, 244, 250)), pic.set(9, y, (40, 46, 54))
    for x in range(2, 8):
        pic.set(x, 3, (90, 104, 116)), pic.set(x, 4, (240, 248, 252))
    pic.save("thumb.bmp")


if __name__ == "__main__":
    draw_skin()
    glyph_strip("btn_playlist.bmp", play_list)
    glyph_strip("btn_logo.bmp", logo)
    glyph_strip("btn_tool.bmp", tool)
    glyph_strip("btn_up.bmp", up)
    glyph_strip("btn_down.bmp", down)
    glyph_strip("btn_play.bmp", None, faces=(FACE, FACE_OFF, STOP_RED, FACE_DOWN), shapes=(play, play, stop, stop))
    indicators()
    thumb()

#!/usr/bin/env python3
"""Writes the sample logos, pictures and ringtones that ship in the data
folder (resources/samples/...). Everything here is drawn or written for
this program and is free to use, change and pass on (CC0).

    python3 tools/gen_samples.py            # rewrites resources/samples
"""
import math
import os
import struct
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "samples")

# A 5 x 7 capital font for the letters the samples use.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    " ": ["00000"] * 7,
    "!": ["00100", "00100", "00100", "00100", "00100", "00000", "00100"],
}


class Canvas:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [[False] * width for _ in range(height)]

    def set(self, x, y, ink=True):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = ink

    def text(self, x, y, s):
        for ch in s:
            for row, bits in enumerate(FONT[ch]):
                for col, b in enumerate(bits):
                    if b == "1":
                        self.set(x + col, y + row)
            x += 6
        return x

    def line(self, x0, y0, x1, y1):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, fill=True):
        for y in range(cy - r - 1, cy + r + 2):
            for x in range(cx - r - 1, cx + r + 2):
                d = math.hypot(x - cx, y - cy)
                if (fill and d <= r + 0.3) or (not fill and abs(d - r) < 0.55):
                    self.set(x, y)

    def bmp(self, path):
        """A 24-bit BMP: ink black, paper white."""
        row_bytes = (self.w * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.h - 1, -1, -1):
            row = bytearray()
            for x in range(self.w):
                row += b"\x00\x00\x00" if self.px[y][x] else b"\xff\xff\xff"
            row += b"\x00" * (row_bytes - len(row))
            data += row
        header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        with open(path, "wb") as f:
            f.write(header + info + data)


def logos(folder):
    c = Canvas(72, 14)
    c.text(9, 3, "VELQUARIN")
    for x in range(0, 72):
        c.set(x, 12 + (1 if (x // 3) % 2 else 0))
    c.bmp(os.path.join(folder, "Velquarin.bmp"))

    c = Canvas(72, 14)
    for x in range(72):
        for phase, amp in ((0.0, 4.5), (math.pi, 2.5)):
            y = 7 + amp * math.sin(x / 72 * 4 * math.pi + phase)
            c.set(x, int(round(y)))
    c.bmp(os.path.join(folder, "Waves.bmp"))

    c = Canvas(72, 14)
    for i, cx in enumerate((8, 26, 44, 62)):
        cy, r = 7, 5 - (i % 2)
        for k in range(5):
            a = -math.pi / 2 + k * 4 * math.pi / 5
            b = -math.pi / 2 + (k + 1) * 4 * math.pi / 5
            c.line(int(round(cx + r * math.cos(a))), int(round(cy + r * math.sin(a))),
                   int(round(cx + r * math.cos(b))), int(round(cy + r * math.sin(b))))
    c.bmp(os.path.join(folder, "Stars.bmp"))


def pictures(folder):
    c = Canvas(72, 28)
    for x in range(72):
        c.set(x, 20)
    for y in range(9, 21):
        for x in range(36 - 9, 36 + 10):
            if math.hypot(x - 36, y - 20) <= 9:
                c.set(x, y)
    for k in range(7):
        a = math.pi + k * math.pi / 6
        c.line(int(round(36 + 12 * math.cos(a))), int(round(20 + 12 * math.sin(a))),
               int(round(36 + 16 * math.cos(a))), int(round(20 + 16 * math.sin(a))))
    for x in range(4, 68, 6):
        c.set(x, 23)
        c.set(x + 2, 25)
    c.bmp(os.path.join(folder, "Sunrise.bmp"))

    c = Canvas(72, 28)
    c.disc(13, 13, 11, fill=False)
    c.disc(9, 10, 1)
    c.disc(17, 10, 1)
    for x in range(7, 20):
        y = 15 + int(round(3 * math.sin((x - 7) / 12 * math.pi)))
        c.set(x, y)
    c.text(30, 6, "HELLO")
    c.text(30, 16, "HI YOU")
    c.bmp(os.path.join(folder, "Smile.bmp"))

    c = Canvas(72, 28)
    c.line(36, 2, 36, 18)
    for y in range(3, 17):
        for x in range(37, 37 + (y - 2)):
            c.set(x, y)
    for y in range(6, 17):
        for x in range(36 - (y - 5) // 2, 36):
            c.set(x, y)
    c.line(20, 19, 54, 19)
    c.line(20, 19, 25, 23)
    c.line(54, 19, 49, 23)
    c.line(25, 23, 49, 23)
    for x in range(72):
        c.set(x, 25 + (1 if (x // 4) % 2 else 0))
    c.bmp(os.path.join(folder, "Boat.bmp"))


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return bytes(out)


def midi(path, notes, tempo_us, division=96):
    """A format-0 file of one voice: (key, length in ticks, rest before)."""
    track = bytearray()
    track += vlq(0) + b"\xff\x51\x03" + tempo_us.to_bytes(3, "big")
    for key, length, rest in notes:
        track += vlq(rest) + bytes([0x90, key, 100])
        track += vlq(length) + bytes([0x80, key, 64])
    track += vlq(0) + b"\xff\x2f\x00"
    head = b"MThd" + struct.pack(">IHHH", 6, 0, 1, division)
    with open(path, "wb") as f:
        f.write(head + b"MTrk" + struct.pack(">I", len(track)) + bytes(track))


def ringtones(folder):
    tunes = {
        "Morning.txt": "Morning:d=8,o=5,b=140:c,e,g,c6,4p,g,e,4c,p,d,f,a,d6,4p,a,f,4d",
        "Chime.rtx": "Chime:d=4,o=6,b=125:e,c,d,g5,2p,g5,d,e,2c",
        "Ripple.txt": "Ripple:d=16,o=6,b=180:c,e,g,e,d,f,a,f,e,g,b,g,8c7,8p,c7,b,a,g,f,e,d,4c",
        "Patrol.txt": "Patrol:d=8,o=5,b=112:a,a,16p,a,c6,4b,16p,g,g,16p,g,b,4a,p,e6,d6,c6,b,2a",
    }
    for name, text in tunes.items():
        with open(os.path.join(folder, name), "w", newline="\r\n") as f:
            f.write(text + "\n")
    # 120 beats a minute; quarter notes of 96 ticks, a rest before the last.
    q = 96
    notes = [(60, q // 2, 0), (64, q // 2, 0), (67, q // 2, 0), (72, q, 0),
             (71, q // 2, 0), (67, q // 2, 0), (69, q, 0), (65, q // 2, q // 2),
             (64, q // 2, 0), (62, q // 2, 0), (60, 2 * q, 0)]
    midi(os.path.join(folder, "Ascent.mid"), notes, 500000)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else ROOT
    for sub, fill in (("Logos", logos), ("Pictures", pictures), ("RingTones", ringtones)):
        folder = os.path.join(root, sub)
        os.makedirs(folder, exist_ok=True)
        fill(folder)


if __name__ == "__main__":
    main()

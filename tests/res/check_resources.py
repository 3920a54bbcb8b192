# The files the program carries, read here byte by byte: every skin bitmap
# with its number, size and format (bottom-up, uncompressed, 5-5-5 for 16 bits,
# a 256-colour palette for 8), the facts the painting relies on, the icon, the
# About picture, the background strip and the sounds.
#
#     check_resources.py SOURCE_DIR

import os
import struct
import sys
import wave
import zlib

RES = os.path.join(sys.argv[1], "src", "res")
# Number: width, height, bits.
BITMAPS = {101: (21, 20, 16), 102: (17, 19, 16), 109: (17, 19, 16), 104: (18, 19, 16), 105: (18, 19, 16),
           111: (380, 24, 8), 112: (380, 24, 8), 106: (380, 7, 8), 107: (380, 7, 8), 113: (13, 21, 16),
           114: (6, 21, 24), 115: (9, 21, 16), 116: (13, 21, 16), 117: (6, 21, 16), 118: (9, 21, 16)}
failures = []


def check(cond, msg):
    if not cond:
        failures.append(msg)


def bmp(path, size):
    # Checks a BMP file's headers; returns a function giving (r, g, b) at (x, y), top row 0.
    b = open(path, "rb").read()
    w, h, bits = size
    off, hsize, fw, fh, planes, fbits, comp, _, _, _, colours = struct.unpack_from("<I I i i H H I I i i I", b, 10)
    palette = colours or (256 if fbits == 8 else 0)
    stride = (w * bits + 31) // 32 * 4
    check(b[:2] == b"BM" and struct.unpack_from("<I", b, 2)[0] == len(b) and hsize == 40, "%s: headers" % path)
    check((fw, fh, planes, fbits, comp) == (w, h, 1, bits, 0), "%s: %r, want %dx%d %d-bit bottom-up uncompressed"
          % (path, (fw, fh, planes, fbits, comp), w, h, bits))
    check(palette == (256 if bits == 8 else 0) and off == 54 + 4 * palette and len(b) == off + stride * h,
          "%s: palette or pixel data" % path)

    def px(x, y):
        at = off + stride * (h - 1 - y) + x * bits // 8
        if bits == 8:
            bl, g, r = b[54 + 4 * b[at]:57 + 4 * b[at]]
            return (r, g, bl)
        if bits == 24:
            return tuple(reversed(b[at:at + 3]))
        v = struct.unpack_from("<H", b, at)[0]
        return tuple((c << 3) | (c >> 2) for c in (v >> 10 & 31, v >> 5 & 31, v & 31))
    return px


def png_size(path):
    return struct.unpack(">II", open(path, "rb").read()[16:24])


def png(path, size):
    # An 8-bit RGB PNG file of that size, read with Python's own zlib;
    # returns a function giving (r, g, b) at (x, y).
    b = open(path, "rb").read()
    w, h, depth, colour = struct.unpack_from(">IIBB", b, 16)
    check((w, h, depth, colour) == (size[0], size[1], 8, 2), "%s: %r, want %dx%d RGB" % (path, (w, h, depth, colour), *size))
    data, at = b"", 8
    while at < len(b):
        n, kind = struct.unpack_from(">I4s", b, at)
        if kind == b"IDAT":
            data += b[at + 8:at + 8 + n]
        at += 12 + n
    raw, rows, prior = zlib.decompress(data), [], bytearray(3 * w)
    for y in range(h):
        f, line = raw[y * (3 * w + 1)], bytearray(raw[y * (3 * w + 1) + 1:(y + 1) * (3 * w + 1)])
        for i in range(3 * w):
            a, up, c = line[i - 3] if i >= 3 else 0, prior[i], prior[i - 3] if i >= 3 else 0
            p = a + up - c
            pa, pb, pc = abs(p - a), abs(p - up), abs(p - c)
            line[i] = (line[i] + (0, a, up, (a + up) // 2, a if pa <= pb and pa <= pc else up if pb <= pc else c)[f]) & 255
        rows.append(line)
        prior = line
    return lambda x, y: tuple(rows[y][3 * x:3 * x + 3])


def near(c, want, tol):
    return all(abs(p - q) <= tol for p, q in zip(c, want))


present = sorted(os.listdir(os.path.join(RES, "bmp")))
check(present == sorted(["%d.bmp" % n for n in BITMAPS] + ["%d@2x.png" % n for n in BITMAPS]),
      "bitmap files: %r" % present)
px = {}
for n, size in BITMAPS.items():
    px[n] = bmp(os.path.join(RES, "bmp", "%d.bmp" % n), size)
    check(png_size(os.path.join(RES, "bmp", "%d@2x.png" % n)) == (2 * size[0], 2 * size[1]), "%d@2x size" % n)
# The capsule caps' outer corners: light grey, about 230, to blend with the back colour.
for left, right in ((113, 115), (116, 118)):
    for n, x in ((left, 0), (right, 8)):
        for y in (0, 20):
            check(near(px[n](x, y), (230, 230, 230), 8), "%d corner (%d, %d) is %r" % (n, x, y, px[n](x, y)))
# The title bars' inert square at x 336-353, y 4-21: grey, unlike the stripes around it.
for n in (111, 112):
    grey = [px[n](x, y) for x in range(338, 352) for y in range(6, 20)]
    check(all(max(c) - min(c) <= 24 for c in grey), "%d: the square is not grey" % n)
    check(px[n](0, 0) != px[n](3, 0), "%d: the top corners are not cut" % n)
# The icon: one 32 x 32 image, 8 bits, 256 colours, with its mask: 2216 bytes.
ico = open(os.path.join(RES, "icon", "lunivar.ico"), "rb").read()
check(struct.unpack_from("<HHH", ico, 0) == (0, 1, 1), "icon: not one image")
check(struct.unpack_from("<BBBBHHII", ico, 6) == (32, 32, 0, 0, 1, 8, 2216, 22), "icon entry %r"
      % (struct.unpack_from("<BBBBHHII", ico, 6),))
# The About picture: 306 x 177, 24-bit colour, magenta only outside its rounded corners.
about = png(os.path.join(RES, "layout", "about.png"), (306, 177))
magenta = [(x, y) for y in range(177) for x in range(306) if about(x, y) == (255, 0, 255)]
check(len(magenta) >= 6 and all(min(x, 305 - x) + min(y, 176 - y) <= 2 for x, y in magenta),
      "About picture magenta at %r" % magenta[:8])
check(png_size(os.path.join(RES, "layout", "about@2x.png")) == (612, 354), "about@2x size")
back = png(os.path.join(RES, "layout", "back.png"), (6, 24))
check(all(min(back(x, y)) >= 180 for x in range(6) for y in range(24)), "the background strip is not light grey")
# The sounds: short PCM waves.
for name in ("min.wav", "close.wav"):
    with wave.open(os.path.join(RES, "wav", name), "rb") as f:
        check(0 < f.getnframes() / f.getframerate() < 1.0, "%s: %d frames" % (name, f.getnframes()))

for f in failures:
    print("FAIL: " + f)
print("%d failures" % len(failures))
sys.exit(1 if failures else 0)

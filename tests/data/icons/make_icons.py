#!/usr/bin/env python3
"""Writes the icon themes the icon lookup tests search. Run from this folder; the output is committed.

Every PNG is a square of one colour whose side tells the tests which file was chosen."""
import os
import struct
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(side, rgba=(40, 120, 200, 255), width=None, height=None, pixels=True):
    width = width or side
    height = height or side
    head = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    if not pixels:
        return head + chunk(b"IEND", b"")
    row = b"\x00" + bytes(rgba) * width
    return head + chunk(b"IDAT", zlib.compress(row * height)) + chunk(b"IEND", b"")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def index(name, inherits, dirs):
    text = "[Icon Theme]\nName=%s\nName[fr]=%s en français\n" % (name, name)
    if inherits:
        text += "Inherits=%s\n" % inherits
    plain = [d for d, _ in dirs if "@" not in d]
    scaled = [d for d, _ in dirs if "@" in d]
    text += "Directories=%s\n" % ",".join(plain)
    if scaled:
        text += "ScaledDirectories=%s\n" % ",".join(scaled)
    for d, keys in dirs:
        text += "\n[%s]\n%s\n" % (d, "\n".join("%s=%s" % kv for kv in keys.items()))
    return text


SVG = """<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
<rect width="16" height="16" fill="#ff0000"/></svg>
"""

# Child inherits Parent, which inherits Child again: the cycle must end the search, not loop.
write("base/Child/index.theme", index("Child", "Parent", [
    ("16x16/apps", {"Size": 16, "Type": "Fixed"}),
    ("32x32/apps", {"Size": 32, "Type": "Fixed"}),
    ("16x16@2/apps", {"Size": 16, "Scale": 2, "Type": "Fixed"}),
    ("bad/size", {"Size": "huge"}),
    ("../outside", {"Size": 16}),
]))
write("base/Child/16x16/apps/sized.png", png(16))
write("base/Child/32x32/apps/sized.png", png(32))
write("base/Child/16x16@2/apps/sized.png", png(33))
write("base/Child/32x32/apps/broken.png", b"\x89PNG\r\n\x1a\nthis is no image")
write("base/Child/32x32/apps/enormous.png", png(0, width=100000, height=100000, pixels=False))
write("base/Child/32x32/apps/broken-svg.svg", "<svg xmlns='http://www.w3.org/2000/svg'><rect")

write("base/Parent/index.theme", index("Parent", "Child,Loop", [
    ("48x48/apps", {"Size": 48, "Threshold": 4}),
    ("scalable/apps", {"Size": 16, "MinSize": 8, "MaxSize": 512, "Type": "Scalable"}),
]))
write("base/Parent/48x48/apps/from-parent.png", png(48))
write("base/Parent/scalable/apps/vector.svg", SVG)

write("base/Loop/index.theme", index("Loop", "Loop", [("8x8/apps", {"Size": 8})]))

write("base/hicolor/index.theme", index("Hicolor", "", [
    ("48x48/apps", {"Size": 48, "Type": "Fixed"}),
    ("48x48/mimetypes", {"Size": 48, "Type": "Fixed"}),
]))
write("base/hicolor/48x48/apps/only-hicolor.png", png(47))
write("base/hicolor/48x48/mimetypes/image-x-generic.png", png(46))
write("base/hicolor/48x48/mimetypes/text-x-generic.png", png(45))

# GTK's own default theme, which draws the icons of files where the desktop names no theme.
write("base/Adwaita/index.theme", index("Adwaita", "hicolor", [
    ("48x48/mimetypes", {"Size": 48, "Type": "Fixed"}),
]))
write("base/Adwaita/48x48/mimetypes/text-x-generic.png", png(44))

write("pixmaps/fallback.png", png(12))

#!/usr/bin/env python3
"""Renders a tessivar-svg picture in headless Chromium and checks that the
screenshot shows a drawing: the right size, many colours, much of it not
background, and the route and trap colours present.

usage: browser_render_test.py TESSIVAR_SVG WPTGEN WORKDIR

Exits 77 (CTest's skip code here) when Chromium is not installed, unless
TESSIVAR_REQUIRE_BROWSER=1, where a missing browser is a failure.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

SKIP = 77
WIDTH, HEIGHT = 1280, 900
ROUTE = (0xFF, 0x7A, 0x00)
TRAP = (0xE0, 0x11, 0x5F)


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def find_chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


def decode_png(data):
    """Returns (width, height, rows of RGB tuples) of an 8-bit RGB/RGBA PNG."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("not a PNG file")
    pos, idat, header = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
    if header is None:
        fail("PNG without a header")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        fail("unexpected PNG format depth=%d colour=%d interlace=%d"
             % (depth, colour, interlace))
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(idat))
    stride = width * bpp
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            up = prev[i]
            upleft = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - upleft
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upleft)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else upleft)
                line[i] = (line[i] + pred) & 255
            elif kind != 0:
                fail("bad PNG filter %d" % kind)
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, bpp)])
        prev = line
    return width, height, rows


def near(a, b, tolerance=40):
    return sum(abs(x - y) for x, y in zip(a, b)) <= tolerance


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    svg_tool, wptgen, work = sys.argv[1:]
    chromium = find_chromium()
    if not chromium:
        if os.environ.get("TESSIVAR_REQUIRE_BROWSER") == "1":
            fail("chromium is not installed")
        print("chromium not installed: skipped")
        return SKIP
    os.makedirs(work, exist_ok=True)
    wpt = os.path.join(work, "map.wpt")
    svg = os.path.join(work, "map.svg")
    png = os.path.join(work, "map.png")
    for path in (svg, png):
        if os.path.exists(path):
            os.remove(path)
    subprocess.run([wptgen, "realistic", "200", "3", wpt], check=True,
                   stdout=subprocess.DEVNULL)
    done = subprocess.run([svg_tool, wpt, svg], capture_output=True, text=True)
    if done.returncode != 0:
        fail("tessivar-svg exited %d: %s" % (done.returncode, done.stdout))
    document = open(svg, encoding="utf-8").read()

    profile = tempfile.mkdtemp(prefix="tessivar-chromium-")
    try:
        subprocess.run(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu",
             "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--user-data-dir=" + profile,
             "--screenshot=" + png, "--window-size=%d,%d" % (WIDTH, HEIGHT),
             "file://" + os.path.abspath(svg)],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=150)
    except subprocess.TimeoutExpired:
        fail("chromium did not finish within 150 s")
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    if not os.path.exists(png):
        fail("chromium wrote no screenshot")

    width, height, rows = decode_png(open(png, "rb").read())
    if (width, height) != (WIDTH, HEIGHT):
        fail("screenshot is %dx%d, not %dx%d" % (width, height, WIDTH, HEIGHT))
    counts = {}
    for row in rows:
        for pixel in row:
            counts[pixel] = counts.get(pixel, 0) + 1
    total = width * height
    background = max(counts.values())
    colours = len(counts)
    drawn = total - background
    route = sum(n for c, n in counts.items() if near(c, ROUTE))
    trap = sum(n for c, n in counts.items() if near(c, TRAP))
    print("%d colours, %.1f%% not the commonest colour, %d route pixels, "
          "%d trap pixels" % (colours, 100.0 * drawn / total, route, trap))
    if colours < 50:
        fail("only %d colours: the picture looks blank" % colours)
    if drawn < total * 0.2:
        fail("almost everything is one colour")
    if 'id="route"' in document and route < 100:
        fail("the route is not visible")
    if 'class="trap"' in document and trap < 20:
        fail("the trap rings are not visible")
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())

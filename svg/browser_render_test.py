#!/usr/bin/env python3
"""Renders tessivar-svg pictures in headless Chromium and checks that each
screenshot shows a drawing: the right size, many colours, much of it not
background, and the route and trap colours present; on a map with islands of
every kind, each kind's colour and the suggested paths' colours too.

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
# Island discs by kind and suggested paths (svg/island_marks.h).
ISLAND_COLOURS = {
    "trap-region": (0xFF, 0x6F, 0x61),
    "unreachable-region": (0xFF, 0xC4, 0x00),
    "detached": (0x00, 0xE5, 0xFF),
}
WALKABLE = (0x2E, 0x7D, 0x32)
NOT_WALKABLE = (0xB7, 0x1C, 0x1C)


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


def render(chromium, svg, png):
    """Screenshots `svg` into `png` and returns the pixel counts by colour."""
    if os.path.exists(png):
        os.remove(png)
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
    return counts


def pixels_near(counts, colour):
    return sum(n for c, n in counts.items() if near(c, colour))


def draw(svg_tool, wptgen, work, name, form):
    """Generates map `form` (wptgen arguments), draws it, returns its SVG."""
    wpt = os.path.join(work, name + ".wpt")
    svg = os.path.join(work, name + ".svg")
    if os.path.exists(svg):
        os.remove(svg)
    subprocess.run([wptgen] + form + [wpt], check=True,
                   stdout=subprocess.DEVNULL)
    done = subprocess.run([svg_tool, wpt, svg], capture_output=True, text=True)
    if done.returncode != 0:
        fail("tessivar-svg exited %d: %s" % (done.returncode, done.stdout))
    return svg, open(svg, encoding="utf-8").read()


def check_drawing(counts, name):
    total = WIDTH * HEIGHT
    background = max(counts.values())
    colours = len(counts)
    drawn = total - background
    print("%s: %d colours, %.1f%% not the commonest colour"
          % (name, colours, 100.0 * drawn / total))
    if colours < 50:
        fail("%s: only %d colours: the picture looks blank" % (name, colours))
    if drawn < total * 0.2:
        fail("%s: almost everything is one colour" % name)


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

    svg, document = draw(svg_tool, wptgen, work, "map",
                         ["realistic", "200", "3"])
    counts = render(chromium, svg, os.path.join(work, "map.png"))
    check_drawing(counts, "map")
    route = pixels_near(counts, ROUTE)
    trap = pixels_near(counts, TRAP)
    print("map: %d route pixels, %d trap pixels" % (route, trap))
    if 'id="route"' in document and route < 100:
        fail("the route is not visible")
    if 'class="trap"' in document and trap < 20:
        fail("the trap rings are not visible")

    svg, document = draw(svg_tool, wptgen, work, "islands",
                         ["islands", "300", "8"])
    counts = render(chromium, svg, os.path.join(work, "islands.png"))
    check_drawing(counts, "islands")
    for kind, colour in sorted(ISLAND_COLOURS.items()):
        if 'class="isl %s"' % kind not in document.split('id="legend"')[0]:
            fail("the map drew no island of kind " + kind)
        seen = pixels_near(counts, colour)
        print("islands: %d %s pixels" % (seen, kind))
        # The legend alone shows about 150 pixels of each colour.
        if seen < 250:
            fail("the %s islands are not visible" % kind)
    for cls, colour in (('class="sug"', WALKABLE),
                        ('class="sug nw"', NOT_WALKABLE)):
        seen = pixels_near(counts, colour)
        print("islands: %d pixels of %s" % (seen, cls))
        if cls in document and seen < 150:
            fail("the suggested paths (%s) are not visible" % cls)
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())

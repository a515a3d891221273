// A small rasterizer for dense views: lines and dots written straight into
// an ImageData's pixels. A view of tens of thousands of paths and
// waypoints costs a canvas path hundreds of milliseconds to fill and
// stroke with anti-aliasing; written pixel by pixel it takes a few, which
// is what keeps a whole big map quick to draw. Lines are one pixel wide,
// blended half and half with what lies under them; dots are filled discs.

// The pixel value of "#rrggbb" in an ImageData's Uint32 view, which holds
// R, G, B, A bytes in memory order (little-endian on every browser's
// platform: A in the top byte).
export function pixelColour(hex) {
  const value = parseInt(hex.slice(1), 16);
  return (0xff000000 | ((value & 0xff) << 16) | (value & 0xff00) | ((value >> 16) & 0xff)) >>> 0;
}

export class PixelCanvas {
  constructor(width, height) {
    this.width = width;
    this.height = height;
    this.image = new ImageData(width, height);
    this.pixels = new Uint32Array(this.image.data.buffer);
    this.discs = new Map();
    this.clip = new Float64Array(2);
  }

  clear(colour) {
    this.pixels.fill(colour);
  }

  // The segment from (x0, y0) to (x1, y1), clipped to the canvas
  // (Liang-Barsky), one pixel wide; blended with what lies under it, or,
  // dashed, in the colour itself with gaps.
  line(x0, y0, x1, y1, colour, dashed = false) {
    const dx = x1 - x0;
    const dy = y1 - y0;
    const clip = this.clip;
    clip[0] = 0;
    clip[1] = 1;
    if (!clipEdge(clip, -dx, x0) || !clipEdge(clip, dx, this.width - 1 - x0) ||
        !clipEdge(clip, -dy, y0) || !clipEdge(clip, dy, this.height - 1 - y0)) return;
    const t0 = clip[0];
    const t1 = clip[1];
    const steps = Math.ceil(Math.max(Math.abs(dx), Math.abs(dy)) * (t1 - t0));
    const sx = steps > 0 ? (dx * (t1 - t0)) / steps : 0;
    const sy = steps > 0 ? (dy * (t1 - t0)) / steps : 0;
    const pixels = this.pixels;
    const width = this.width;
    const half = (colour & 0xfefefe) >>> 1;
    let x = x0 + dx * t0 + 0.5;
    let y = y0 + dy * t0 + 0.5;
    for (let i = 0; i <= steps; ++i) {
      const at = (y | 0) * width + (x | 0);
      if (!dashed) {
        pixels[at] = (0xff000000 | (((pixels[at] & 0xfefefe) >>> 1) + half)) >>> 0;
      } else if (i % 10 < 6) {
        pixels[at] = colour;
      }
      x += sx;
      y += sy;
    }
  }

  // A filled disc of `radius` pixels around (x, y).
  disc(x, y, radius, colour) {
    const offsets = this.discOffsets(radius);
    const cx = Math.round(x);
    const cy = Math.round(y);
    const pixels = this.pixels;
    const width = this.width;
    const height = this.height;
    for (let k = 0; k < offsets.length; k += 2) {
      const px = cx + offsets[k];
      const py = cy + offsets[k + 1];
      if (px >= 0 && py >= 0 && px < width && py < height) pixels[py * width + px] = colour;
    }
  }

  discOffsets(radius) {
    const key = Math.round(radius * 4);
    let offsets = this.discs.get(key);
    if (!offsets) {
      const r = Math.max(0.5, key / 4);
      const reach = Math.ceil(r);
      const list = [];
      for (let dy = -reach; dy <= reach; ++dy) {
        for (let dx = -reach; dx <= reach; ++dx) {
          if (dx * dx + dy * dy <= r * r + 0.25) list.push(dx, dy);
        }
      }
      offsets = Int16Array.from(list);
      this.discs.set(key, offsets);
    }
    return offsets;
  }
}

// One edge of the Liang-Barsky clip: narrows clip[0]..clip[1], the part of
// the segment inside; false when nothing is left.
function clipEdge(clip, p, q) {
  if (p === 0) return q >= 0;
  const t = q / p;
  if (p < 0) {
    if (t > clip[1]) return false;
    if (t > clip[0]) clip[0] = t;
  } else {
    if (t < clip[0]) return false;
    if (t < clip[1]) clip[1] = t;
  }
  return true;
}

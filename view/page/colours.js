// The colours of the map, the same as in tessivar-svg's picture.

export const COLOURS = {
  orphan: "#8e24aa",
  trap: "#e0115f",
  route: "#ff7a00",
  twoWay: "#8f959c",
  oneWay: "#4a5663",
  trapRegion: "#ff6f61",
  unreachableRegion: "#ffc400",
  detached: "#00e5ff",
  walkable: "#2e7d32",
  notWalkable: "#b71c1c",
  selection: "#111111",
  userRoute: "#d81b60",
};

export const KIND_COLOURS = {
  "trap region": COLOURS.trapRegion,
  "unreachable region": COLOURS.unreachableRegion,
  detached: COLOURS.detached,
};

// The height ramp, low to high: deep blue, sky blue, teal, green, ochre.
const RAMP = [
  [0x2b, 0x3f, 0xa8],
  [0x1f, 0x86, 0xc4],
  [0x17, 0xa0, 0x8a],
  [0x5e, 0xb5, 0x3c],
  [0xc2, 0xa8, 0x1c],
];

function hex(value) {
  return value.toString(16).padStart(2, "0");
}

// "#rrggbb" at a position 0..1 of the ramp.
export function rampColour(t) {
  if (!(t >= 0)) t = 0;
  if (t > 1) t = 1;
  const x = t * (RAMP.length - 1);
  const i = Math.min(Math.floor(x), RAMP.length - 2);
  const f = x - i;
  const a = RAMP[i];
  const b = RAMP[i + 1];
  return "#" + [0, 1, 2].map((c) => hex(Math.round(a[c] + (b[c] - a[c]) * f))).join("");
}

// The number of colours the dots are drawn in: each dot takes the nearest.
export const HEIGHT_BANDS = 32;

// Numbers as the tools write them, so the page shows the same text as
// tessivar-islands --json and the report.

// The shortest decimal text that reads back as the binary32 float `value`
// (a double holding a float exactly), laid out as C++'s std::to_chars does:
// plain or with an exponent, whichever is shorter, plain on a tie
// ("1064.5", "-0", "1e+20", "1e-04", "3.4028235e+38"). A whole number
// written plain shows all its digits, exactly ("123456792", not
// "123456790"): of texts of the same length, std::to_chars takes the one
// nearest the value.
export function formatFloat32(value) {
  if (!Number.isFinite(value)) return Number.isNaN(value) ? "nan" : value > 0 ? "inf" : "-inf";
  if (value === 0) return Object.is(value, -0) ? "-0" : "0";
  for (let precision = 1; precision <= 9; ++precision) {
    const text = value.toPrecision(precision);
    if (Math.fround(Number(text)) === value) return layOut(text, value);
  }
  return layOut(value.toPrecision(9), value);
}

// The same for a double: its shortest round-trip digits.
export function formatDouble(value) {
  if (!Number.isFinite(value)) return Number.isNaN(value) ? "nan" : value > 0 ? "inf" : "-inf";
  if (value === 0) return Object.is(value, -0) ? "-0" : "0";
  return layOut(value.toExponential(), value);
}

// Digits and exponent of a number's text from toPrecision or toExponential.
function digitsOf(text) {
  let negative = false;
  if (text[0] === "-") {
    negative = true;
    text = text.slice(1);
  }
  let exponent = 0;
  const e = text.indexOf("e");
  if (e >= 0) {
    exponent = Number(text.slice(e + 1));
    text = text.slice(0, e);
  }
  const point = text.indexOf(".");
  let digits = point >= 0 ? text.slice(0, point) + text.slice(point + 1) : text;
  // The exponent of the first digit as written.
  exponent += (point >= 0 ? point : text.length) - 1;
  const leading = digits.length - digits.replace(/^0+/, "").length;
  digits = digits.slice(leading);
  exponent -= leading;
  digits = digits.replace(/0+$/, "");
  if (digits === "") digits = "0";
  return { negative, digits, exponent };
}

function layOut(text, value) {
  const { negative, digits, exponent } = digitsOf(text);
  const sign = negative ? "-" : "";
  let plain;
  if (exponent >= digits.length - 1) {
    plain = BigInt(Math.abs(value)).toString();
  } else if (exponent >= 0) {
    plain = digits.slice(0, exponent + 1) + "." + digits.slice(exponent + 1);
  } else {
    plain = "0." + "0".repeat(-exponent - 1) + digits;
  }
  const mantissa = digits.length > 1 ? digits[0] + "." + digits.slice(1) : digits;
  const power = Math.abs(exponent);
  const scientific =
    mantissa + "e" + (exponent < 0 ? "-" : "+") + (power < 10 ? "0" : "") + power;
  return sign + (scientific.length < plain.length ? scientific : plain);
}

// At most six significant digits, trailing zeros dropped, as printf's %g
// and the report write a length ("210.404", "45", "1e+07").
export function formatGeneral(value) {
  if (!Number.isFinite(value)) return Number.isNaN(value) ? "nan" : value > 0 ? "inf" : "-inf";
  if (value === 0) return Object.is(value, -0) ? "-0" : "0";
  const { negative, digits, exponent } = digitsOf(value.toExponential(5));
  const sign = negative ? "-" : "";
  if (exponent < -4 || exponent >= 6) {
    const mantissa = digits.length > 1 ? digits[0] + "." + digits.slice(1) : digits;
    const power = Math.abs(exponent);
    return sign + mantissa + "e" + (exponent < 0 ? "-" : "+") + (power < 10 ? "0" : "") + power;
  }
  if (exponent >= digits.length - 1) return sign + digits + "0".repeat(exponent - digits.length + 1);
  if (exponent >= 0) return sign + digits.slice(0, exponent + 1) + "." + digits.slice(exponent + 1);
  return sign + "0." + "0".repeat(-exponent - 1) + digits;
}

// A count of bytes for a person: "6.7 GB", "512 MB".
export function formatBytes(bytes) {
  const units = ["bytes", "kB", "MB", "GB", "TB", "PB", "EB"];
  let value = bytes;
  let unit = 0;
  while (value >= 1000 && unit < units.length - 1) {
    value /= 1000;
    ++unit;
  }
  return (unit === 0 ? String(value) : value.toPrecision(value < 10 ? 2 : 3)) + " " + units[unit];
}

// "1 waypoint", "5 waypoints".
export function plural(count, noun, nouns) {
  return count + " " + (count === 1 ? noun : nouns || noun + "s");
}

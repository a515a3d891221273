#include "text/escape.h"

#include "text/utf8.h"

namespace tessivar {

namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

void appendHexByte(std::string& out, const char* prefix, unsigned byte) {
  out += prefix;
  out += kHex[(byte >> 4) & 15];
  out += kHex[byte & 15];
}

// C0 controls, DEL and C1 controls: characters that change how a terminal
// or a viewer shows what follows rather than showing anything.
bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

void appendJsonString(std::string& out, std::string_view bytes,
                      JsonPlace place) {
  const bool inScript = place == JsonPlace::kHtmlScript;
  out += '"';
  size_t i = 0;
  while (i < bytes.size()) {
    char32_t c = 0;
    const size_t length = decodeUtf8(bytes.substr(i), &c);
    if (length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F ||
            (inScript && (c == '<' || c == '>' || c == '&'))) {
          appendHexByte(out, "\\u00", unsigned(c));
        } else if (inScript && (c == 0x2028 || c == 0x2029)) {
          out += c == 0x2028 ? "\\u2028" : "\\u2029";
        } else {
          out.append(bytes.data() + i, length);
        }
    }
    i += length;
  }
  out += '"';
}

void appendXmlText(std::string& out, std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    char32_t c = 0;
    const size_t length = decodeUtf8(bytes.substr(i), &c);
    if (length == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    if (isControl(c) || c == 0xFFFE || c == 0xFFFF) {
      out += kReplacement;
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (c == '\'') {
      out += "&apos;";
    } else {
      out.append(bytes.data() + i, length);
    }
    i += length;
  }
}

void appendTerminalText(std::string& out, std::string_view bytes,
                        bool quoted) {
  size_t i = 0;
  while (i < bytes.size()) {
    char32_t c = 0;
    const size_t length = decodeUtf8(bytes.substr(i), &c);
    if (length == 0 || isControl(c)) {
      const size_t shown = length == 0 ? 1 : length;
      for (size_t k = 0; k < shown; ++k) {
        appendHexByte(out, "\\x", static_cast<unsigned char>(bytes[i + k]));
      }
      i += shown;
      continue;
    }
    if (c == '\\' && quoted) {
      out += "\\\\";
    } else if (c == '"' && quoted) {
      out += "\\\"";
    } else {
      out.append(bytes.data() + i, length);
    }
    i += length;
  }
}

}  // namespace tessivar

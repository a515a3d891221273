#include "testing/xml_check.h"

#include <cstdint>
#include <set>

#include "text/utf8.h"

namespace tessivar {
namespace testing {

namespace {

bool isXmlChar(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Checks that every byte sequence is well-formed UTF-8 and every character
// one XML allows; returns the offset of the first fault or npos.
size_t firstBadCharacter(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    char32_t c = 0;
    const size_t len = decodeUtf8(s.substr(i), &c);
    if (len == 0 || !isXmlChar(c)) return i;
    i += len;
  }
  return std::string_view::npos;
}

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}

  XmlDocument run() {
    XmlDocument doc;
    const size_t bad = firstBadCharacter(s_);
    if (bad != std::string_view::npos) {
      doc.error = "invalid UTF-8 or character at byte " + std::to_string(bad);
      return doc;
    }
    doc_ = &doc;
    if (!document()) {
      doc.error = error_ + " at byte " + std::to_string(pos_);
      doc.elements.clear();
      return doc;
    }
    doc.wellFormed = true;
    return doc;
  }

 private:
  bool fail(const std::string& what) {
    if (error_.empty()) error_ = what;
    return false;
  }
  bool at(std::string_view t) const { return s_.substr(pos_, t.size()) == t; }
  bool eof() const { return pos_ >= s_.size(); }
  void skipSpace() {
    while (!eof() && (s_[pos_] == ' ' || s_[pos_] == '\t' ||
                      s_[pos_] == '\n' || s_[pos_] == '\r'))
      ++pos_;
  }
  static bool nameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           c == ':';
  }
  static bool nameChar(char c) {
    return nameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
  }
  bool name(std::string& out) {
    if (eof() || !nameStart(s_[pos_])) return fail("expected a name");
    const size_t start = pos_;
    while (!eof() && nameChar(s_[pos_])) ++pos_;
    out = std::string(s_.substr(start, pos_ - start));
    return true;
  }

  // After '&': a predefined entity or a character reference.
  bool reference(std::string& out) {
    const size_t semi = s_.find(';', pos_);
    if (semi == std::string_view::npos || semi - pos_ > 12)
      return fail("unterminated reference");
    const std::string_view ref = s_.substr(pos_, semi - pos_);
    pos_ = semi + 1;
    if (ref == "lt") return out += '<', true;
    if (ref == "gt") return out += '>', true;
    if (ref == "amp") return out += '&', true;
    if (ref == "quot") return out += '"', true;
    if (ref == "apos") return out += '\'', true;
    if (ref.size() < 2 || ref[0] != '#') return fail("unknown entity");
    const bool hex = ref[1] == 'x';
    const std::string_view digits = ref.substr(hex ? 2 : 1);
    if (digits.empty()) return fail("empty character reference");
    uint32_t c = 0;
    for (char d : digits) {
      int v;
      if (d >= '0' && d <= '9') v = d - '0';
      else if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
      else if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
      else return fail("bad character reference");
      c = c * (hex ? 16 : 10) + uint32_t(v);
      if (c > 0x10FFFF) return fail("character reference out of range");
    }
    if (!isXmlChar(c)) return fail("reference to a character XML forbids");
    appendUtf8(out, c);
    return true;
  }

  bool comment() {  // at "<!--"
    pos_ += 4;
    const size_t end = s_.find("--", pos_);
    if (end == std::string_view::npos) return fail("unterminated comment");
    if (s_.substr(end, 3) != "-->") return fail("\"--\" inside a comment");
    pos_ = end + 3;
    return true;
  }

  bool instruction() {  // at "<?"
    const size_t end = s_.find("?>", pos_);
    if (end == std::string_view::npos) return fail("unterminated instruction");
    pos_ = end + 2;
    return true;
  }

  bool misc() {  // comments, instructions and space outside the root
    for (;;) {
      skipSpace();
      if (at("<!--")) {
        if (!comment()) return false;
      } else if (at("<?")) {
        if (!instruction()) return false;
      } else {
        return true;
      }
    }
  }

  bool document() {
    if (at("<?xml") && !instruction()) return false;
    if (!misc()) return false;
    if (at("<!DOCTYPE")) return fail("document type declarations not read");
    if (!at("<")) return fail("expected the root element");
    if (!element(-1)) return false;
    if (!misc()) return false;
    if (!eof()) return fail("content after the root element");
    return true;
  }

  bool element(int parent) {  // at '<' of a start tag
    ++pos_;
    XmlElement e;
    e.parent = parent;
    if (!name(e.name)) return false;
    std::set<std::string> seen;
    for (;;) {
      const size_t before = pos_;
      skipSpace();
      if (at("/>")) {
        pos_ += 2;
        doc_->elements.push_back(std::move(e));
        return true;
      }
      if (at(">")) {
        ++pos_;
        break;
      }
      if (pos_ == before) return fail("expected a space before an attribute");
      std::string key, value;
      if (!name(key)) return false;
      skipSpace();
      if (!at("=")) return fail("expected '=' after an attribute name");
      ++pos_;
      skipSpace();
      if (eof() || (s_[pos_] != '"' && s_[pos_] != '\'')) {
        return fail("attribute value not quoted");
      }
      const char quote = s_[pos_++];
      for (;;) {
        if (eof()) return fail("unterminated attribute value");
        const char c = s_[pos_];
        if (c == quote) break;
        if (c == '<') return fail("'<' in an attribute value");
        if (c == '&') {
          ++pos_;
          if (!reference(value)) return false;
        } else {
          value += c;
          ++pos_;
        }
      }
      ++pos_;
      if (!seen.insert(key).second) return fail("duplicate attribute " + key);
      e.attributes.emplace_back(std::move(key), std::move(value));
    }
    const int self = int(doc_->elements.size());
    doc_->elements.push_back(std::move(e));
    // Content up to the matching end tag.
    for (;;) {
      if (eof()) return fail("unclosed element " + doc_->elements[self].name);
      if (at("</")) {
        pos_ += 2;
        std::string end;
        if (!name(end)) return false;
        if (end != doc_->elements[self].name)
          return fail("end tag " + end + " closes " +
                      doc_->elements[self].name);
        skipSpace();
        if (!at(">")) return fail("expected '>' ending an end tag");
        ++pos_;
        return true;
      }
      if (at("<!--")) {
        if (!comment()) return false;
      } else if (at("<![CDATA[")) {
        const size_t end = s_.find("]]>", pos_);
        if (end == std::string_view::npos) return fail("unterminated CDATA");
        doc_->elements[self].text += s_.substr(pos_ + 9, end - pos_ - 9);
        pos_ = end + 3;
      } else if (at("<?")) {
        if (!instruction()) return false;
      } else if (at("<")) {
        if (!element(self)) return false;
      } else if (at("&")) {
        ++pos_;
        if (!reference(doc_->elements[self].text)) return false;
      } else {
        if (at("]]>")) return fail("\"]]>\" in text");
        doc_->elements[self].text += s_[pos_++];
      }
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  std::string error_;
  XmlDocument* doc_ = nullptr;
};

}  // namespace

const std::string* XmlElement::attribute(const std::string& key) const {
  for (const auto& [k, v] : attributes) {
    if (k == key) return &v;
  }
  return nullptr;
}

XmlDocument parseXml(std::string_view text) { return Reader(text).run(); }

}  // namespace testing
}  // namespace tessivar

// Test helper: a strict reader of the XML subset the picture uses. It
// rejects anything that is not well-formed XML 1.0 (bad nesting, duplicate
// attributes, unescaped & or <, unknown entities, invalid UTF-8, characters
// XML forbids, text outside the root) and returns the elements with their
// attributes and text so tests can look for what was drawn. Document type
// declarations are rejected: the picture has none.
#ifndef TESSIVAR_TESTING_XML_CHECK_H_
#define TESSIVAR_TESTING_XML_CHECK_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessivar {
namespace testing {

struct XmlElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;  // decoded
  std::string text;  // character data directly inside, decoded
  int parent = -1;   // index in XmlDocument::elements, -1 for the root

  // The value of attribute `name`, or nullptr.
  const std::string* attribute(const std::string& name) const;
};

struct XmlDocument {
  bool wellFormed = false;
  std::string error;  // what is wrong and at which byte, when not
  std::vector<XmlElement> elements;  // in document order
};

XmlDocument parseXml(std::string_view text);

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_XML_CHECK_H_

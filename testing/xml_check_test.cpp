// The checker the picture tests rely on must itself reject what is not
// well-formed, or those tests could not fail.
#include "testing/xml_check.h"

#include <gtest/gtest.h>

namespace tessivar {
namespace testing {
namespace {

TEST(XmlCheck, AcceptsWellFormedDocuments) {
  const char* const good[] = {
      "<a/>",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a x=\"1\" y='2'></a>\n",
      "<a><!-- note --><b>t&amp;&lt;&gt;&quot;&apos;&#65;&#x42;</b></a>",
      "<a><![CDATA[<not markup>]]></a>",
      "<a>caf\xC3\xA9 \xE2\x86\x92</a>",
  };
  for (const char* text : good) {
    const XmlDocument doc = parseXml(text);
    EXPECT_TRUE(doc.wellFormed) << text << ": " << doc.error;
  }
}

TEST(XmlCheck, RejectsMalformedDocuments) {
  const char* const bad[] = {
      "",                          // no root
      "<a>",                       // unclosed
      "<a></b>",                   // mismatched end tag
      "<a><b></a></b>",            // bad nesting
      "<a/><b/>",                  // two roots
      "text<a/>",                  // text before the root
      "<a/>text",                  // text after the root
      "<a x=\"1\" x=\"2\"/>",      // duplicate attribute
      "<a x=1/>",                  // unquoted value
      "<a x=\"<\"/>",              // '<' in a value
      "<a x=\"1\"y=\"2\"/>",       // no space between attributes
      "<a>&</a>",                  // bare ampersand
      "<a>&nbsp;</a>",             // entity XML does not define
      "<a>&#1;</a>",               // reference to a forbidden character
      "<a>&#x110000;</a>",         // beyond Unicode
      "<a>]]></a>",                // CDATA end in text
      "<a><!-- a -- b --></a>",    // "--" in a comment
      "<a>\x01</a>",               // control character
      "<a>\xFF</a>",               // invalid UTF-8
      "<a>\xC0\xAF</a>",           // overlong form
      "<a>\xED\xA0\x80</a>",       // surrogate
      "<a>\xEF\xBF\xBE</a>",       // U+FFFE
      "<!DOCTYPE a><a/>",          // declarations are not read
      "<1a/>",                     // bad name
  };
  for (const char* text : bad) {
    EXPECT_FALSE(parseXml(text).wellFormed) << "accepted: " << text;
  }
}

TEST(XmlCheck, ReturnsElementsAttributesAndText) {
  const XmlDocument doc =
      parseXml("<svg k=\"a&amp;b\"><g><circle id=\"w1\"><title>T &lt;1"
               "</title></circle></g><text>x</text></svg>");
  ASSERT_TRUE(doc.wellFormed) << doc.error;
  ASSERT_EQ(doc.elements.size(), 5u);
  EXPECT_EQ(doc.elements[0].name, "svg");
  EXPECT_EQ(*doc.elements[0].attribute("k"), "a&b");
  EXPECT_EQ(doc.elements[2].name, "circle");
  EXPECT_EQ(doc.elements[2].parent, 1);
  EXPECT_EQ(doc.elements[3].name, "title");
  EXPECT_EQ(doc.elements[3].parent, 2);
  EXPECT_EQ(doc.elements[3].text, "T <1");
  EXPECT_EQ(doc.elements[4].parent, 0);
  EXPECT_EQ(doc.elements[2].attribute("missing"), nullptr);
}

}  // namespace
}  // namespace testing
}  // namespace tessivar

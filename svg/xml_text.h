// Text and numbers for an XML document built by hand.
//
// Map names are 32 arbitrary bytes from the file: they may hold invalid
// UTF-8, control characters or markup. appendXmlText() turns any byte
// string into text that is well-formed XML and shows the same way in every
// viewer. The number helpers format without the C or C++ locale, so a
// comma-decimal locale can never leak into coordinates.
#ifndef TESSIVAR_SVG_XML_TEXT_H_
#define TESSIVAR_SVG_XML_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tessivar {

// Appends `bytes` as XML character data, usable in element content and in
// quoted attribute values: & < > " ' become references; every byte
// sequence that is not well-formed UTF-8 (overlong forms, surrogates, values
// past U+10FFFF, cut sequences) and every control character (U+0000 to
// U+001F, U+007F to U+009F) and U+FFFE, U+FFFF become U+FFFD, one per bad
// byte or per control character.
void appendXmlText(std::string& out, std::string_view bytes);

// `bytes` as XML text (see appendXmlText).
std::string xmlText(std::string_view bytes);

// A coordinate: fixed notation with at most `decimals` digits after the
// point, trailing zeros dropped ("12.5", "-3", "0"). A value that is not
// finite is written as 0, so a document never holds "nan" or "inf".
void appendFixed(std::string& out, double value, int decimals = 2);

// A value for a person: like printf's %g with 6 significant digits
// ("15", "0.125", "1e+07"); not finite -> "0".
void appendGeneral(std::string& out, double value);
std::string formatGeneral(double value);

void appendInteger(std::string& out, int64_t value);

}  // namespace tessivar

#endif  // TESSIVAR_SVG_XML_TEXT_H_

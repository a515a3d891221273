// Any bytes made safe for where they are written: a JSON string, XML
// character data or a terminal line.
//
// Map names are 32 arbitrary bytes from the file and file names come from
// the user: they may hold bad UTF-8, control characters, quotes or markup.
// Each escaper turns any byte string into text its reader takes whole and
// shows as the same characters everywhere. Bytes that are not well-formed
// UTF-8 are found by decodeUtf8 (text/utf8.h). Each target treats control
// characters its own way, as its reader needs; the comments say which.
#ifndef TESSIVAR_TEXT_ESCAPE_H_
#define TESSIVAR_TEXT_ESCAPE_H_

#include <string>
#include <string_view>

namespace tessivar {

// Appends `bytes` as a JSON string with its quotes. Quote, backslash, C0
// controls and DEL are escaped (\" \\ \b \f \n \r \t, else \u00XX); C1
// controls are valid JSON and kept. Every byte that is not part of a
// well-formed UTF-8 sequence becomes U+FFFD, written \ufffd. The result is
// valid JSON for any bytes.
//
// Where the JSON goes: a document of its own, or the content of an HTML
// <script> element (data a page reads with JSON.parse). Inside a script
// element the text must never hold "</script" or "<!--", which would end
// the element or change how it is read, whatever the string holds: there
// < > & are written \u003c \u003e \u0026 as well, and the line and
// paragraph separators U+2028 and U+2029 \u2028 and \u2029, so the data
// also reads as a JavaScript literal.
enum class JsonPlace { kDocument, kHtmlScript };
void appendJsonString(std::string& out, std::string_view bytes,
                      JsonPlace place = JsonPlace::kDocument);

// Appends `bytes` as XML character data, usable in element content and in
// quoted attribute values: & < > " ' become references; every byte that is
// not part of a well-formed UTF-8 sequence becomes U+FFFD, and so does
// every control character (U+0000 to U+001F, tab and line ends included,
// and U+007F to U+009F) and U+FFFE and U+FFFF (not XML characters), one
// U+FFFD per bad byte or per character.
void appendXmlText(std::string& out, std::string_view bytes);

// Appends `bytes` for a terminal line: well-formed UTF-8 other than control
// characters is kept; control characters (C0, DEL and C1) and bytes that
// are not well-formed UTF-8 are shown as \xNN, one per byte, so nothing can
// move the cursor or change the terminal. With `quoted` (text between
// double quotes, such as a map name), a double quote is shown as \" and a
// backslash as \\, so the quoted text reads back exactly; unquoted text (a
// file name) keeps its backslashes, so a Windows path reads as the user
// typed it.
void appendTerminalText(std::string& out, std::string_view bytes,
                        bool quoted = false);

}  // namespace tessivar

#endif  // TESSIVAR_TEXT_ESCAPE_H_

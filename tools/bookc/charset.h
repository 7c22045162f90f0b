// The reader's 8-bit character set, Windows-1252, and UTF-8: the book's
// sources and the driver's scripts are UTF-8, the book's text is stored in
// the set, and messages and reports print it as UTF-8 again.  Nothing here
// depends on the rest of the compiler, so the headless driver uses it too.
#pragma once

#include <string>

namespace tomelet::bookc {

// Converts UTF-8 text to the reader's 8-bit character set (Windows-1252).
// False, with a message in *error, for invalid UTF-8, a character the set
// cannot represent, or a control character other than those in
// `allowed_controls` (for example "\t" for paragraph text); *bad_at (when
// given) then receives the offset of the faulty character's first byte.
bool utf8_to_cp1252(const std::string& text, std::string* out, std::string* error,
                    const char* allowed_controls = "", size_t* bad_at = nullptr);

// Text in the reader's character set (Windows-1252) as UTF-8, for messages
// and reports; the five bytes the set leaves undefined become '?'.
std::string cp1252_to_utf8(const std::string& text);

}  // namespace tomelet::bookc

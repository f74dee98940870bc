// CP932 text of the project files and master tables. The model keeps those bytes
// as they are; these helpers convert only where a text is shown or typed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class QString;

namespace kravin::model {

// True for a CP932 lead byte (0x81..0x9F, 0xE0..0xFC).
inline bool isDbcsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The text of a fixed-width field: its bytes up to the first NUL (at most width).
std::string fieldText(const char* field, std::size_t width);

// Cuts buffer so that it holds at most length - 1 bytes followed by a NUL and never
// ends in half a double-byte character (the lead bytes are found by walking the
// text from its start, so a trail byte in the lead range is not mistaken for one).
// length < 1: nothing; length 1: the buffer becomes empty.
void TrimDbcsTail(char* buffer, int length);

// The same rule on a string: at most maxBytes bytes, never half a character.
std::string trimDbcs(std::string_view text, std::size_t maxBytes);

// CP932 bytes to UTF-8; an invalid byte becomes U+FFFD, a NUL ends the text.
std::string cp932ToUtf8(std::string_view bytes);
QString cp932ToQString(std::string_view bytes);

// UTF-8 to CP932; a character CP932 lacks becomes "?" and sets *lossy when given.
std::string utf8ToCp932(std::string_view utf8, bool* lossy = nullptr);
std::string qstringToCp932(const QString& text, bool* lossy = nullptr);

}  // namespace kravin::model

// The LZW coding of a .BKC member: a 4096-entry dictionary with codes of a
// phased-in binary width, most significant bit first, ended by code 256 and
// zero bits up to the next byte (a whole zero byte when already on one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kravinb {

constexpr int kLzwEndCode = 256;
constexpr int kLzwFirstFree = 257;
constexpr int kLzwEntries = 4096;

// Encodes one member. The output is appended to out.
void LzwEncodeMember(std::span<const unsigned char> input, std::vector<unsigned char>& out);

enum class LzwStatus {
    Ok,
    Truncated,    // the data ended before the expected size was produced
    BadCode,      // a code above the next free one, the end code early, or more bytes than the size
};

// Decodes one member of exactly size bytes from data into out (replaced): the
// codes must give exactly size bytes and be followed by the end code.
// Anything but Ok means the member is damaged; out then holds what came so far.
LzwStatus LzwDecodeMember(std::span<const unsigned char> data, std::size_t size, std::vector<unsigned char>& out);

}  // namespace kravinb

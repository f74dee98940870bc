#include "lzw.h"

#include <array>
#include <bit>
#include <cstring>
#include <memory>

namespace kravinb {

namespace {

// Width rule of a code c while the alphabet holds m codes: with n the bit
// length of m and u = 2^n - m, codes below u take n - 1 bits, the others are
// written as c + u in n bits.
class BitWriter {
public:
    explicit BitWriter(std::vector<unsigned char>& out) : out_(out) {}

    void putCode(unsigned code, unsigned alphabet)
    {
        const int n = std::bit_width(alphabet);
        const unsigned u = (1u << n) - alphabet;
        if (code < u)
            put(code, n - 1);
        else
            put(code + u, n);
    }

    // Zero bits up to the next byte; a whole zero byte when already on one.
    void flush()
    {
        put(0, bits_ == 0 ? 8 : 8 - bits_);
    }

private:
    void put(unsigned value, int count)
    {
        acc_ = (acc_ << count) | value;
        bits_ += count;
        while (bits_ >= 8) {
            bits_ -= 8;
            out_.push_back(static_cast<unsigned char>(acc_ >> bits_));
        }
        acc_ &= (1u << bits_) - 1;
    }

    std::vector<unsigned char>& out_;
    std::uint32_t acc_ = 0;
    int bits_ = 0;
};

class BitReader {
public:
    explicit BitReader(std::span<const unsigned char> data) : data_(data) {}

    // False at the end of the data.
    bool getCode(unsigned alphabet, unsigned& code)
    {
        const int n = std::bit_width(alphabet);
        const unsigned u = (1u << n) - alphabet;
        unsigned d = 0;
        if (!get(n - 1, d)) return false;
        if (d < u) {
            code = d;
            return true;
        }
        unsigned b = 0;
        if (!get(1, b)) return false;
        code = 2 * d + b - u;
        return true;
    }

private:
    bool get(int count, unsigned& value)
    {
        while (bits_ < count) {
            if (pos_ >= data_.size()) return false;
            acc_ = (acc_ << 8) | data_[pos_++];
            bits_ += 8;
        }
        bits_ -= count;
        value = (acc_ >> bits_) & ((1u << count) - 1);
        acc_ &= (1u << bits_) - 1;
        return true;
    }

    std::span<const unsigned char> data_;
    std::size_t pos_ = 0;
    std::uint32_t acc_ = 0;
    int bits_ = 0;
};

}  // namespace

void LzwEncodeMember(std::span<const unsigned char> input, std::vector<unsigned char>& out)
{
    // child[code * 256 + byte]: the code of string(code) + byte, 0 when none
    // (no string of two or more bytes has a code below 257).
    auto child = std::make_unique<std::uint16_t[]>(static_cast<std::size_t>(kLzwEntries) * 256);
    BitWriter writer(out);
    unsigned next = kLzwFirstFree;
    int matched = -1;
    for (const unsigned char a : input) {
        if (matched < 0) {
            matched = a;
            continue;
        }
        std::uint16_t& slot = child[static_cast<std::size_t>(matched) * 256 + a];
        if (slot != 0) {
            matched = slot;
            continue;
        }
        writer.putCode(static_cast<unsigned>(matched), next);
        if (next < static_cast<unsigned>(kLzwEntries)) slot = static_cast<std::uint16_t>(next++);
        matched = a;
    }
    if (matched >= 0) writer.putCode(static_cast<unsigned>(matched), next);
    writer.putCode(kLzwEndCode, next + 1);
    writer.flush();
}

LzwStatus LzwDecodeMember(std::span<const unsigned char> data, std::size_t size, std::vector<unsigned char>& out)
{
    out.clear();
    out.reserve(size);
    if (size == 0) return LzwStatus::Ok;

    std::array<std::int16_t, kLzwEntries> prefix;
    std::array<unsigned char, kLzwEntries> last;   // the byte that ends the string
    std::array<unsigned char, kLzwEntries> first;  // the byte that starts it
    std::array<std::uint16_t, kLzwEntries> length;
    for (int k = 0; k < 256; ++k) {
        prefix[k] = -1;
        last[k] = first[k] = static_cast<unsigned char>(k);
        length[k] = 1;
    }
    std::array<unsigned char, kLzwEntries> stack;

    BitReader reader(data);
    unsigned width = 256;
    unsigned next = kLzwFirstFree;
    int previous = -1;
    while (out.size() < size) {
        if (width < static_cast<unsigned>(kLzwEntries)) ++width;
        unsigned code = 0;
        if (!reader.getCode(width, code)) return LzwStatus::Truncated;
        if (code == static_cast<unsigned>(kLzwEndCode) || code > next) return LzwStatus::BadCode;
        if (code == next) {
            // The string the encoder had just added: the previous one and its first byte.
            if (previous < 0 || next >= static_cast<unsigned>(kLzwEntries)) return LzwStatus::BadCode;
        }
        if (previous >= 0 && next < static_cast<unsigned>(kLzwEntries)) {
            const unsigned char head = code == next ? first[previous] : first[code];
            if (length[previous] + 1 > kLzwEntries) return LzwStatus::TooDeep;
            prefix[next] = static_cast<std::int16_t>(previous);
            last[next] = head;
            first[next] = first[previous];
            length[next] = static_cast<std::uint16_t>(length[previous] + 1);
            ++next;
        }
        // Unwind the string into the stack, its last byte first.
        int depth = 0;
        for (int c = static_cast<int>(code); c >= 0; c = prefix[c]) {
            if (depth >= kLzwEntries) return LzwStatus::TooDeep;
            stack[depth++] = last[c];
        }
        if (out.size() + static_cast<std::size_t>(depth) > size) return LzwStatus::BadCode;  // overshoots the size
        while (depth > 0) out.push_back(stack[--depth]);
        previous = static_cast<int>(code);
    }
    // The member must end here: the next code is the end code.
    if (width < static_cast<unsigned>(kLzwEntries) + 1) ++width;
    unsigned code = 0;
    if (!reader.getCode(width, code)) return LzwStatus::Truncated;
    return code == static_cast<unsigned>(kLzwEndCode) ? LzwStatus::Ok : LzwStatus::BadCode;
}

}  // namespace kravinb

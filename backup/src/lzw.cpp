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
    // Writes into out from p on; the caller has made room.
    explicit BitWriter(unsigned char* p) : p_(p) {}

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
    void flush() { put(0, bits_ == 0 ? 8 : 8 - bits_); }
    unsigned char* end() const { return p_; }

private:
    void put(unsigned value, int count)
    {
        acc_ = (acc_ << count) | value;
        bits_ += count;
        while (bits_ >= 8) {
            bits_ -= 8;
            *p_++ = static_cast<unsigned char>(acc_ >> bits_);
        }
        acc_ &= (1u << bits_) - 1;
    }

    unsigned char* p_;
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

namespace {

// Zero bytes from i on (at least one when input[i] is zero).
std::size_t zerosFrom(std::span<const unsigned char> input, std::size_t i)
{
    const std::size_t start = i;
    while (i + 8 <= input.size()) {
        std::uint64_t word;
        std::memcpy(&word, input.data() + i, 8);
        if (word != 0) break;
        i += 8;
    }
    while (i < input.size() && input[i] == 0) ++i;
    return i - start;
}

}  // namespace

void LzwEncodeMember(std::span<const unsigned char> input, std::vector<unsigned char>& out)
{
    // The dictionary as a small hash table from (prefix code, byte) to code, so
    // that it stays in the cache: 4x the entries, probed linearly.
    constexpr unsigned kSlots = 16384;
    auto keys = std::make_unique<std::uint32_t[]>(kSlots);  // prefix << 8 | byte, plus 1; 0 = free
    auto codes = std::make_unique<std::uint16_t[]>(kSlots);
    const auto slotOf = [](std::uint32_t key) { return (key * 2654435761u) >> (32 - 14); };
    // Project files are mostly zero bytes: their extensions are looked up
    // directly, and a run of zeros after a string of zeros steps through the
    // codes of the zero strings by length, not byte by byte.
    std::array<std::uint16_t, kLzwEntries> zeroChild{};
    std::array<std::uint16_t, kLzwEntries + 1> zeroRun{};  // code of the string of n zeros
    std::size_t longestRun = 1;                              // zeroRun[1] = code 0

    // At most one code of 12 bits a byte, the end code and the flush.
    const std::size_t start = out.size();
    out.resize(start + input.size() + input.size() / 2 + 8);
    BitWriter writer(out.data() + start);
    unsigned next = kLzwFirstFree;
    int matched = -1;
    std::size_t zeros = 0;  // length of the matched string when it is all zeros, else 0
    const auto add = [&next](std::uint16_t& slot) {
        if (next >= static_cast<unsigned>(kLzwEntries)) return false;
        slot = static_cast<std::uint16_t>(next++);
        return true;
    };
    std::size_t i = 0;
    if (!input.empty()) {
        matched = input[0];
        zeros = input[0] == 0 ? 1 : 0;
        i = 1;
    }
    while (i < input.size()) {
        const unsigned char a = input[i];
        if (a == 0 && zeros > 0) {
            std::size_t run = zerosFrom(input, i);
            while (run > 0) {
                const std::size_t room = longestRun - zeros;
                if (run <= room) {
                    zeros += run;
                    i += run;
                    break;
                }
                zeros = longestRun;
                i += room;
                run -= room;
                matched = zeroRun[zeros];
                writer.putCode(static_cast<unsigned>(matched), next);
                if (add(zeroChild[static_cast<std::size_t>(matched)])) zeroRun[++longestRun] = zeroChild[static_cast<std::size_t>(matched)];
                zeros = 1;
                ++i;
                --run;
            }
            matched = zeroRun[zeros];
            continue;
        }
        ++i;
        if (a == 0) {
            std::uint16_t& child = zeroChild[static_cast<std::size_t>(matched)];
            if (child != 0) {
                matched = child;
                continue;
            }
            writer.putCode(static_cast<unsigned>(matched), next);
            add(child);
            matched = 0;
            zeros = 1;
            continue;
        }
        const std::uint32_t key = (static_cast<std::uint32_t>(matched) << 8 | a) + 1;
        unsigned slot = slotOf(key);
        while (keys[slot] != 0 && keys[slot] != key) slot = (slot + 1) & (kSlots - 1);
        if (keys[slot] == key) {
            matched = codes[slot];
            zeros = 0;
            continue;
        }
        writer.putCode(static_cast<unsigned>(matched), next);
        if (next < static_cast<unsigned>(kLzwEntries)) {
            keys[slot] = key;
            codes[slot] = static_cast<std::uint16_t>(next++);
        }
        matched = a;
        zeros = 0;
    }
    if (matched >= 0) writer.putCode(static_cast<unsigned>(matched), next);
    writer.putCode(kLzwEndCode, next + 1);
    writer.flush();
    out.resize(static_cast<std::size_t>(writer.end() - out.data()));
}

LzwStatus LzwDecodeMember(std::span<const unsigned char> data, std::size_t size, std::vector<unsigned char>& out)
{
    out.assign(size, 0);
    if (size == 0) {
        // An empty member is the end code alone, written while the alphabet is
        // one past the first free code.
        BitReader reader(data);
        unsigned code = 0;
        if (!reader.getCode(kLzwFirstFree + 1, code)) return LzwStatus::Truncated;
        return code == static_cast<unsigned>(kLzwEndCode) ? LzwStatus::Ok : LzwStatus::BadCode;
    }

    // Every string of the dictionary has been written out before: an entry
    // keeps where (and how long), so a code is copied from the output.
    std::array<std::uint32_t, kLzwEntries> pos{};
    std::array<std::uint16_t, kLzwEntries> length{};
    for (int k = 0; k < 256; ++k) length[k] = 1;

    unsigned char* const o = out.data();
    std::size_t at = 0;
    BitReader reader(data);
    unsigned width = 256;
    unsigned next = kLzwFirstFree;
    int previous = -1;
    std::size_t previousAt = 0;
    while (at < size) {
        if (width < static_cast<unsigned>(kLzwEntries)) ++width;
        unsigned code = 0;
        if (!reader.getCode(width, code)) {
            out.resize(at);
            return LzwStatus::Truncated;
        }
        if (code == static_cast<unsigned>(kLzwEndCode) || code > next ||
            (code == next && (previous < 0 || next >= static_cast<unsigned>(kLzwEntries)))) {
            out.resize(at);
            return LzwStatus::BadCode;
        }
        // The entry the encoder made after the previous code: that string and
        // the first byte of this one, where the previous string was just written.
        if (previous >= 0 && next < static_cast<unsigned>(kLzwEntries)) {
            pos[next] = static_cast<std::uint32_t>(previousAt);
            length[next] = static_cast<std::uint16_t>(length[previous] + 1);
            ++next;
        }
        const std::size_t n = length[code];
        if (n > size - at) {
            out.resize(at);
            return LzwStatus::BadCode;  // overshoots the size
        }
        if (code < 256) {
            o[at] = static_cast<unsigned char>(code);
        } else {
            const std::size_t from = pos[code];
            if (from + n <= at) {
                std::memcpy(o + at, o + from, n);
            } else {
                for (std::size_t i = 0; i < n; ++i) o[at + i] = o[from + i];  // the string just made overlaps
            }
        }
        previous = static_cast<int>(code);
        previousAt = at;
        at += n;
    }
    // The member must end here: the next code is the end code.
    if (width < static_cast<unsigned>(kLzwEntries) + 1) ++width;
    unsigned code = 0;
    if (!reader.getCode(width, code)) return LzwStatus::Truncated;
    return code == static_cast<unsigned>(kLzwEndCode) ? LzwStatus::Ok : LzwStatus::BadCode;
}

}  // namespace kravinb

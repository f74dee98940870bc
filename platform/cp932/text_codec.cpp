#include "text_codec.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace kravin::model {
namespace {

// An iconv descriptor per thread and direction, opened once.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

enum class Direction { ToUtf8, ToCp932 };

iconv_t descriptor(Direction direction)
{
    thread_local Converter toUtf8("UTF-8", "CP932");
    thread_local Converter toCp932("CP932", "UTF-8");
    const Converter& c = direction == Direction::ToUtf8 ? toUtf8 : toCp932;
    if (!c.valid()) return c.get();
    iconv(c.get(), nullptr, nullptr, nullptr, nullptr);  // initial state
    return c.get();
}

// One conversion with iconv; bad input is replaced and conversion goes on.
std::string convert(Direction direction, std::string_view in, const std::string& replacement, std::size_t badStep,
                    bool* lossy)
{
    iconv_t cd = descriptor(direction);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.reserve(in.size() * 3 / 2 + 8);
    char buf[1024];
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    while (srcLeft > 0) {
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (truncated sequence): replace the offending bytes.
        if (lossy) *lossy = true;
        out += replacement;
        const std::size_t step = std::min(srcLeft, errno == EINVAL ? srcLeft : badStep);
        src += step;
        srcLeft -= step;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

std::size_t utf8SequenceLength(unsigned char c)
{
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

std::string fieldText(const char* field, std::size_t width)
{
    return std::string(field, strnlen(field, width));
}

std::string trimDbcs(std::string_view text, std::size_t maxBytes)
{
    text = text.substr(0, std::min(text.size(), static_cast<std::size_t>(strnlen(text.data(), text.size()))));
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t keep = 0;
    for (std::size_t i = 0; i < maxBytes;) {
        const std::size_t w = isDbcsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + w > maxBytes) break;
        i += w;
        keep = i;
    }
    return std::string(text.substr(0, keep));
}

void TrimDbcsTail(char* buffer, int length)
{
    if (length < 1 || !buffer) return;
    const std::size_t len = static_cast<std::size_t>(length);
    const std::string kept = trimDbcs(std::string_view(buffer, strnlen(buffer, len)), len - 1);
    std::memcpy(buffer, kept.data(), kept.size());
    std::memset(buffer + kept.size(), 0, len - kept.size());
}

std::string cp932ToUtf8(std::string_view bytes)
{
    bytes = bytes.substr(0, strnlen(bytes.data(), bytes.size()));
    return convert(Direction::ToUtf8, bytes, "\xEF\xBF\xBD", 1, nullptr);
}

QString cp932ToQString(std::string_view bytes)
{
    return QString::fromStdString(cp932ToUtf8(bytes));
}

std::string utf8ToCp932(std::string_view utf8, bool* lossy)
{
    if (lossy) *lossy = false;
    bool bad = false;
    std::string whole = convert(Direction::ToCp932, utf8, "?", 1, &bad);
    if (!bad) return whole;
    if (lossy) *lossy = true;
    // Again character by character, so that each character without a CP932 form is one "?".
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n =
            std::min(utf8SequenceLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        bool charBad = false;
        const std::string c = convert(Direction::ToCp932, utf8.substr(i, n), "", n, &charBad);
        out += charBad ? std::string("?") : c;
        i += n;
    }
    return out;
}

std::string qstringToCp932(const QString& text, bool* lossy)
{
    return utf8ToCp932(text.toStdString(), lossy);
}

}  // namespace kravin::model

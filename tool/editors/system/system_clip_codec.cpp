#include "system_clip_codec.h"

#include <cstring>

namespace kravin::editors::sysclip {

std::int32_t get32(const unsigned char* at)
{
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

std::int16_t get16(const unsigned char* at)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(at[0] | (at[1] << 8)));
}

namespace {

class Writer {
public:
    void i32(std::int32_t v)
    {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
    }
    void line(const std::string& text)
    {
        out_ += text;
        out_.push_back('\n');
    }
    void bytes(const std::vector<unsigned char>& v, std::size_t from, std::size_t n)
    {
        out_.append(reinterpret_cast<const char*>(v.data() + from), n);
    }
    std::string take() { return std::move(out_); }
    void reserve(std::size_t n) { out_.reserve(n); }

private:
    std::string out_;
};

class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}
    bool i32(std::int32_t& v)
    {
        if (in_.size() - pos_ < 4) return fail();
        v = get32(reinterpret_cast<const unsigned char*>(in_.data() + pos_));
        pos_ += 4;
        return true;
    }
    // A text line: up to its "\n" (a "\r" before it is dropped); at most kUnitTextMax bytes, no NUL.
    bool line(std::string& text)
    {
        const std::size_t end = in_.find('\n', pos_);
        if (end == std::string_view::npos) return fail();
        std::string_view t = in_.substr(pos_, end - pos_);
        if (!t.empty() && t.back() == '\r') t.remove_suffix(1);
        if (t.size() > kUnitTextMax || t.find('\0') != std::string_view::npos) return fail();
        text.assign(t);
        pos_ = end + 1;
        return true;
    }
    bool bytes(std::vector<unsigned char>& v, std::size_t from, std::size_t n)
    {
        if (in_.size() - pos_ < n || v.size() < from + n) return fail();
        std::memcpy(v.data() + from, in_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    bool atEnd() const { return ok_ && pos_ == in_.size(); }

private:
    bool fail()
    {
        ok_ = false;
        return false;
    }
    std::string_view in_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

bool validStation(std::int32_t s) { return s >= 0 && s < 64; }
bool validKind(std::int32_t k) { return k >= 0 && k < 128; }
bool validVersion(std::int32_t v) { return v >= 0 && v < 32; }

// Every analog line's point count stays within the record's 30 points.
bool validLines(const std::vector<unsigned char>& body)
{
    const unsigned char* lines = body.data() + kCodeBytes + kBlockDataBytes;
    for (std::size_t r = 0; r < kLineDataBytes / kLineBytes; ++r)
        if (get32(lines + kLineBytes * r + kLinePointsOffset) > kLinePointsMax) return false;
    return true;
}

void writeHead(Writer& w, const UnitImage& u)
{
    w.i32(u.station);
    w.i32(u.card);
    w.i32(u.kind);
    w.i32(u.version);
    w.line(u.unitText);
}

bool readHead(Reader& r, UnitImage& u)
{
    return r.i32(u.station) && r.i32(u.card) && r.i32(u.kind) && r.i32(u.version) && r.line(u.unitText);
}

bool validCard(const UnitImage& u, int minCard)
{
    return validStation(u.station) && u.card >= minCard && u.card <= 16 && validKind(u.kind) &&
           validVersion(u.version);
}

void writeLayers(Writer& w, const UnitImage& u)
{
    w.bytes(u.comments, 0, kCommentBytes);
    w.bytes(u.figures, 0, kFigureBytes);
}

bool readLayers(Reader& r, UnitImage& u)
{
    return r.bytes(u.comments, 0, kCommentBytes) && r.bytes(u.figures, 0, kFigureBytes);
}

constexpr std::size_t kUnitBytes = 16 + kUnitTextMax + 1 + kBodyBytes + kCommentBytes + kFigureBytes + 8;

}  // namespace

std::string EncodeCard(const UnitImage& u)
{
    Writer w;
    w.reserve(kUnitBytes);
    writeHead(w, u);
    w.i32(u.station);
    w.bytes(u.body, 0, kBodyBytes);
    writeLayers(w, u);
    return w.take();
}

std::optional<UnitImage> DecodeCard(std::string_view bytes)
{
    Reader r(bytes);
    UnitImage u;
    std::int32_t again = 0;
    if (!readHead(r, u) || !r.i32(again) || !r.bytes(u.body, 0, kBodyBytes) || !readLayers(r, u) || !r.atEnd())
        return std::nullopt;
    if (!validCard(u, 1) || !validLines(u.body)) return std::nullopt;
    return u;
}

std::string EncodePair(const PairImage& p)
{
    Writer w;
    w.reserve(2 * kUnitBytes);
    for (const UnitImage& u : p.slots) {
        writeHead(w, u);
        w.bytes(u.body, 0, kBodyBytes);
        writeLayers(w, u);
    }
    return w.take();
}

std::optional<PairImage> DecodePair(std::string_view bytes)
{
    Reader r(bytes);
    PairImage p;
    for (UnitImage& u : p.slots) {
        if (!readHead(r, u) || !r.bytes(u.body, 0, kBodyBytes) || !readLayers(r, u)) return std::nullopt;
        if (!validCard(u, 1) || !validLines(u.body)) return std::nullopt;
    }
    if (!r.atEnd()) return std::nullopt;
    return p;
}

std::string EncodeStation(const StationImage& s)
{
    Writer w;
    w.reserve(16 * kUnitBytes + 64);
    w.i32(s.station);
    w.i32(-1);
    w.i32(s.kind);
    w.i32(s.version);
    w.line(s.unitText);
    w.i32(s.x);
    w.i32(s.y);
    for (const auto& entry : s.cards) {
        if (!entry || entry->kind < 0) {
            w.i32(0);
            continue;
        }
        const UnitImage& u = *entry;
        w.i32(1);
        writeHead(w, u);
        w.bytes(u.body, 0, kCodeBytes);
        w.i32(0);
        w.i32(0);
        w.bytes(u.body, kCodeBytes, kBlockDataBytes + kLineDataBytes);
        writeLayers(w, u);
    }
    return w.take();
}

std::optional<StationImage> DecodeStation(std::string_view bytes)
{
    Reader r(bytes);
    StationImage s;
    std::int32_t marker = 0;
    if (!r.i32(s.station) || !r.i32(marker) || !r.i32(s.kind) || !r.i32(s.version) || !r.line(s.unitText) ||
        !r.i32(s.x) || !r.i32(s.y))
        return std::nullopt;
    if (!validStation(s.station) || marker != -1 || !validKind(s.kind) || !validVersion(s.version))
        return std::nullopt;
    for (auto& entry : s.cards) {
        std::int32_t present = 0;
        if (!r.i32(present) || (present != 0 && present != 1)) return std::nullopt;
        if (!present) continue;
        UnitImage u;
        std::int32_t reserved[2] = {};
        if (!readHead(r, u) || !r.bytes(u.body, 0, kCodeBytes) || !r.i32(reserved[0]) || !r.i32(reserved[1]) ||
            !r.bytes(u.body, kCodeBytes, kBlockDataBytes + kLineDataBytes) || !readLayers(r, u))
            return std::nullopt;
        // Entries without a card are written zero-filled: card 0, kind 0.
        if (!validCard(u, u.kind == 0 ? 0 : 1) || !validLines(u.body)) return std::nullopt;
        entry = std::move(u);
    }
    if (!r.atEnd()) return std::nullopt;
    return s;
}

}  // namespace kravin::editors::sysclip

#include "zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace kravin::model::zipw {
namespace {

constexpr std::size_t kFlushAt = 1 << 20;
constexpr std::uint32_t kLimit32 = std::numeric_limits<std::uint32_t>::max();

void le16(std::vector<unsigned char>& v, std::uint32_t x)
{
    v.push_back(static_cast<unsigned char>(x));
    v.push_back(static_cast<unsigned char>(x >> 8));
}

void le32(std::vector<unsigned char>& v, std::uint32_t x)
{
    le16(v, x & 0xFFFF);
    le16(v, x >> 16);
}

// MS-DOS time and date of a time stamp, in local time (1980 at the earliest).
void dosTime(std::time_t t, std::uint16_t& time, std::uint16_t& date)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    if (tm.tm_year < 80) {
        time = 0;
        date = (1 << 5) | 1;
        return;
    }
    time = static_cast<std::uint16_t>(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
    date = static_cast<std::uint16_t>((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
}

}  // namespace

namespace {

// Zero runs of at least kMinZeroRun bytes, cut at kZeroUnit boundaries of the data, go
// into the output as deflate pieces made once, instead of through zlib: deflating long
// zero runs costs zlib a window slide every 32 KiB for almost no output.
constexpr std::size_t kZeroUnit = 4096;
constexpr int kZeroPieces = 9;  // 4 KiB << 0 .. 4 KiB << 8 (1 MiB)
constexpr std::size_t kMinZeroRun = 8 * kZeroUnit;
constexpr std::size_t kChunk = std::size_t{1} << 30;  // most input handed to zlib at once

using Pieces = std::array<std::vector<unsigned char>, kZeroPieces>;

// Raw deflate of (kZeroUnit << k) zeros from a fresh stream, flushed to a byte boundary:
// it refers to nothing before it, so it can stand between two fully flushed parts. All
// empty when zlib fails.
const Pieces& zeroPieces()
{
    static const Pieces pieces = [] {
        Pieces p;
        const std::vector<unsigned char> zeros(kZeroUnit << (kZeroPieces - 1));
        for (int k = 0; k < kZeroPieces; ++k) {
            z_stream z{};
            if (deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return Pieces{};
            const std::size_t n = kZeroUnit << k;
            p[k].resize(deflateBound(&z, static_cast<uLong>(n)) + 64);
            z.next_in = const_cast<unsigned char*>(zeros.data());
            z.avail_in = static_cast<uInt>(n);
            z.next_out = p[k].data();
            z.avail_out = static_cast<uInt>(p[k].size());
            const int rc = deflate(&z, Z_FULL_FLUSH);
            const bool whole = rc == Z_OK && z.avail_in == 0 && z.avail_out > 0;
            p[k].resize(z.total_out);
            deflateEnd(&z);
            if (!whole) return Pieces{};
        }
        return p;
    }();
    return pieces;
}

bool zeroUnit(const unsigned char* p)
{
    std::uint64_t any = 0;
    for (std::size_t i = 0; i < kZeroUnit; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        any |= w;
    }
    return any == 0;
}

// A raw deflate stream written into a growing buffer.
class Deflater {
public:
    explicit Deflater(std::vector<unsigned char>& out) : out_(out)
    {
        out_.clear();
        ok_ = deflateInit2(&z_, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~Deflater()
    {
        if (ok_) deflateEnd(&z_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses size bytes; Z_FULL_FLUSH ends on a byte boundary with the history
    // forgotten, Z_FINISH ends the stream.
    bool feed(const unsigned char* data, std::size_t size, int flush)
    {
        if (!ok_) return false;
        fed_ = fed_ || size > 0;
        do {
            const std::size_t n = std::min(size, kChunk);
            z_.next_in = const_cast<unsigned char*>(data);
            z_.avail_in = static_cast<uInt>(n);
            const int mode = n == size ? flush : Z_NO_FLUSH;
            int rc;
            do {
                if (out_.size() - used_ < kZeroUnit) out_.resize(std::max(2 * out_.size(), used_ + 64 * kZeroUnit));
                const std::size_t room = std::min(out_.size() - used_, kChunk);
                z_.next_out = out_.data() + used_;
                z_.avail_out = static_cast<uInt>(room);
                rc = deflate(&z_, mode);
                used_ += room - z_.avail_out;
                if (rc == Z_STREAM_ERROR) return ok_ = false;
            } while (mode == Z_FINISH ? rc != Z_STREAM_END : z_.avail_out == 0);
            if (z_.avail_in != 0) return ok_ = false;
            data += n;
            size -= n;
        } while (size > 0);
        return true;
    }
    // Puts a zero run of units x kZeroUnit bytes after what was fed.
    bool zeros(std::size_t units, const Pieces& pieces)
    {
        if (fed_ && !feed(nullptr, 0, Z_FULL_FLUSH)) return false;
        fed_ = false;
        for (int k = kZeroPieces - 1; k >= 0; --k) {
            const std::size_t each = std::size_t{1} << k;
            for (; units >= each; units -= each) {
                out_.resize(std::max(out_.size(), used_ + pieces[k].size()));
                std::memcpy(out_.data() + used_, pieces[k].data(), pieces[k].size());
                used_ += pieces[k].size();
            }
        }
        return true;
    }
    std::size_t size() const { return used_; }

private:
    std::vector<unsigned char>& out_;
    z_stream z_{};
    std::size_t used_ = 0;
    bool ok_ = false;
    bool fed_ = false;  // zlib holds input not yet flushed
};

}  // namespace

bool Compress(const unsigned char* data, std::size_t size, Compressed& out)
{
    out.size = size;
    out.crc = static_cast<std::uint32_t>(crc32_z(crc32_z(0, nullptr, 0), data, size));
    const Pieces& pieces = zeroPieces();
    std::size_t produced = 0;
    {
        Deflater d(out.bytes);
        std::size_t done = 0;  // data before this is in the stream
        if (!pieces[0].empty()) {
            for (std::size_t at = 0; at + kZeroUnit <= size;) {
                if (!zeroUnit(data + at)) {
                    at += kZeroUnit;
                    continue;
                }
                std::size_t end = at + kZeroUnit;
                while (end + kZeroUnit <= size && zeroUnit(data + end)) end += kZeroUnit;
                if (end - at >= kMinZeroRun) {
                    if (!d.feed(data + done, at - done, Z_NO_FLUSH) || !d.zeros((end - at) / kZeroUnit, pieces))
                        return false;
                    done = end;
                }
                at = end;
            }
        }
        if (!d.feed(data + done, size - done, Z_FINISH)) return false;
        produced = d.size();
    }
    if (produced >= size) {
        out.bytes.assign(data, data + size);
        out.method = 0;
    } else {
        out.bytes.resize(produced);
        out.method = 8;
    }
    return true;
}

bool Writer::fail(std::string what)
{
    if (error_.empty()) error_ = std::move(what);
    return false;
}

bool Writer::put(const void* data, std::size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    buffer_.insert(buffer_.end(), p, p + size);
    offset_ += size;
    return buffer_.size() < kFlushAt || flush();
}

bool Writer::flush()
{
    const unsigned char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t w = ::write(fd_, p, left);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return fail(std::string("write: ") + std::strerror(w < 0 ? errno : ENOSPC));
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    buffer_.clear();
    return true;
}

bool Writer::add(const std::string& name, std::uint32_t attributes, std::time_t mtime, std::uint16_t method,
                 std::uint32_t crc, const unsigned char* data, std::size_t csize, std::uint64_t usize)
{
    if (!error_.empty()) return false;
    if (name.empty() || name.size() > 0xFFFF) return fail("bad entry name: " + name);
    if (usize > kLimit32 || csize > kLimit32 || offset_ > kLimit32 || central_.size() >= 0xFFFF)
        return fail("the archive outgrows the ZIP limits");
    Central c{name, method, 0, 0, crc, static_cast<std::uint32_t>(csize), static_cast<std::uint32_t>(usize),
              static_cast<std::uint32_t>(offset_), attributes};
    dosTime(mtime, c.time, c.date);
    std::vector<unsigned char> h;
    h.reserve(30 + name.size());
    le32(h, 0x04034b50);
    le16(h, 20);  // version needed: deflate
    le16(h, 0);   // flags
    le16(h, c.method);
    le16(h, c.time);
    le16(h, c.date);
    le32(h, c.crc);
    le32(h, c.csize);
    le32(h, c.usize);
    le16(h, static_cast<std::uint32_t>(name.size()));
    le16(h, 0);  // extra field
    h.insert(h.end(), name.begin(), name.end());
    if (!put(h.data(), h.size()) || (csize > 0 && !put(data, csize))) return false;
    central_.push_back(std::move(c));
    return true;
}

bool Writer::addFolder(const std::string& name, unsigned mode, std::time_t mtime)
{
    const std::uint32_t attributes = (S_IFDIR | (mode & 07777)) << 16 | 0x10;  // and the MS-DOS folder bit
    return add(name, attributes, mtime, 0, 0, nullptr, 0, 0);
}

bool Writer::addFile(const std::string& name, unsigned mode, std::time_t mtime, const Compressed& data)
{
    const std::uint32_t attributes = (S_IFREG | (mode & 07777)) << 16;
    return add(name, attributes, mtime, data.method, data.crc, data.bytes.data(), data.bytes.size(), data.size);
}

bool Writer::finish()
{
    if (!error_.empty()) return false;
    const std::uint64_t start = offset_;
    std::vector<unsigned char> h;
    for (const Central& c : central_) {
        h.clear();
        le32(h, 0x02014b50);
        le16(h, 3 << 8 | 20);  // made by: UNIX, 2.0
        le16(h, 20);
        le16(h, 0);
        le16(h, c.method);
        le16(h, c.time);
        le16(h, c.date);
        le32(h, c.crc);
        le32(h, c.csize);
        le32(h, c.usize);
        le16(h, static_cast<std::uint32_t>(c.name.size()));
        le16(h, 0);  // extra field
        le16(h, 0);  // comment
        le16(h, 0);  // disk
        le16(h, 0);  // internal attributes
        le32(h, c.attributes);
        le32(h, c.offset);
        h.insert(h.end(), c.name.begin(), c.name.end());
        if (!put(h.data(), h.size())) return false;
    }
    const std::uint64_t size = offset_ - start;
    if (offset_ > kLimit32) return fail("the archive outgrows the ZIP limits");
    h.clear();
    le32(h, 0x06054b50);
    le16(h, 0);
    le16(h, 0);
    le16(h, static_cast<std::uint32_t>(central_.size()));
    le16(h, static_cast<std::uint32_t>(central_.size()));
    le32(h, static_cast<std::uint32_t>(size));
    le32(h, static_cast<std::uint32_t>(start));
    le16(h, 0);  // comment
    return put(h.data(), h.size()) && flush();
}

}  // namespace kravin::model::zipw

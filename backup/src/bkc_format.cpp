#include "bkc_format.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kravinb {

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'K', 'R', 'A', 'V', 'i', 'n', 'B', '\0'};

void putText(unsigned char* field, std::size_t width, const std::string& text)
{
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

std::string getText(const unsigned char* field, std::size_t width)
{
    const auto* end = static_cast<const unsigned char*>(std::memchr(field, 0, width));
    return std::string(reinterpret_cast<const char*>(field), end ? static_cast<std::size_t>(end - field) : width);
}

void put16(unsigned char* p, int v)
{
    const auto u = static_cast<std::uint16_t>(v);
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
}

void put32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

int get16(const unsigned char* p) { return static_cast<std::int16_t>(p[0] | p[1] << 8); }

std::uint32_t get32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

}  // namespace

HeaderBytes EncodeHeader(const BkcHeader& h)
{
    HeaderBytes b{};
    std::memcpy(b.data(), kMagic, sizeof kMagic);
    putText(b.data() + 8, 32, h.project);
    putText(b.data() + 40, 8, h.cardName);
    putText(b.data() + 48, 4, h.version);
    putText(b.data() + 52, 8, h.unitText);
    put16(b.data() + 60, h.station);
    put16(b.data() + 62, h.card);
    for (int k = 0; k < kMembers; ++k) {
        unsigned char* m = b.data() + 64 + 12 * k;
        put32(m, h.member[k].size);
        put32(m + 4, h.member[k].offset);
        put32(m + 8, h.member[k].packed);
    }
    put32(b.data() + 88, static_cast<std::uint32_t>(h.time));
    return b;
}

std::optional<BkcHeader> DecodeHeader(const unsigned char* b, std::size_t length)
{
    if (length < kHeaderSize || std::memcmp(b, kMagic, sizeof kMagic) != 0) return std::nullopt;
    BkcHeader h;
    h.project = getText(b + 8, 32);
    h.cardName = getText(b + 40, 8);
    h.version = getText(b + 48, 4);
    h.unitText = getText(b + 52, 8);
    h.station = get16(b + 60);
    h.card = get16(b + 62);
    for (int k = 0; k < kMembers; ++k) {
        const unsigned char* m = b + 64 + 12 * k;
        h.member[k] = {get32(m), get32(m + 4), get32(m + 8)};
    }
    h.time = static_cast<std::int32_t>(get32(b + 88));
    return h;
}

bool HeaderFitsFile(const BkcHeader& h, std::uint64_t fileSize)
{
    if (h.station < 0 || h.station > 63 || h.card < -1 || h.card > 15) return false;
    const BkcMember& m0 = h.member[0];
    const BkcMember& m1 = h.member[1];
    // A member's size is its file's, and bounded by what its codes can give (4096 bytes a code at most).
    const auto plausible = [](const BkcMember& m, int k) {
        return m.size == MemberFileSize(k) && m.packed >= 1 && std::uint64_t(m.size) <= std::uint64_t(m.packed) * 4096;
    };
    if (m0.offset != kHeaderSize || !plausible(m0, 0)) return false;
    std::uint64_t end = std::uint64_t(m0.offset) + m0.packed;
    if (m1.size == 0) {
        if (m1.offset != 0 || m1.packed != 0) return false;
    } else {
        if (h.card < 0 || m1.offset != end || !plausible(m1, 1)) return false;
        end += m1.packed;
    }
    return end <= fileSize;
}

FileRead ReadRegularFile(const fs::path& path, std::uint64_t maxSize, std::vector<unsigned char>& out,
                         std::uint64_t* size, std::size_t prefix)
{
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FileRead::Missing;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st{};
    if (::fstat(fd, &st) != 0) return FileRead::Failed;
    if (!S_ISREG(st.st_mode)) return FileRead::NotRegular;
    const auto length = static_cast<std::uint64_t>(st.st_size);
    if (size) *size = length;
    if (prefix == SIZE_MAX && length > maxSize) return FileRead::TooLarge;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>({length, maxSize, prefix}));
    out.resize(want);
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd, out.data() + got, want - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got < want && prefix == SIZE_MAX) return FileRead::Failed;
    out.resize(got);
    return FileRead::Ok;
}

HeaderCheck CheckBackupHeader(const fs::path& path, BkcHeader* header)
{
    std::vector<unsigned char> b;
    std::uint64_t size = 0;
    if (ReadRegularFile(path, kMaxBackupSize, b, &size, kHeaderSize) != FileRead::Ok) return HeaderCheck::Missing;
    const auto h = DecodeHeader(b.data(), b.size());
    if (!h) return HeaderCheck::NotBackup;
    if (header) *header = *h;
    if (size > kMaxBackupSize || !HeaderFitsFile(*h, size)) return HeaderCheck::Damaged;
    return HeaderCheck::Ok;
}

std::string DefaultBackupStem(int station, int card)
{
    char name[16];
    if (card < 0)
        std::snprintf(name, sizeof name, "S%02dCX", station & 0xff);
    else
        std::snprintf(name, sizeof name, "S%02dC%X", station & 0xff, card & 15);
    return name;
}

fs::path StationFolder(const fs::path& workFolder, int station)
{
    char name[8];
    std::snprintf(name, sizeof name, "STN%02d", station & 0xff);
    std::error_code ec;
    if (fs::is_directory(workFolder / name, ec)) return workFolder / name;
    for (const auto& e : fs::directory_iterator(workFolder, ec))
        if (e.is_directory(ec) && equalNoCase(e.path().filename().string(), name)) return e.path();
    return workFolder / name;
}

std::string MemberFileName(int card, int member)
{
    char name[16];
    if (member == 0 && card < 0) return "STNINF.KRAB";
    std::snprintf(name, sizeof name, member == 0 ? "CARD%X.KRAB" : "AC%X.KRAB", static_cast<unsigned>(card) & 15);
    return name;
}

std::optional<fs::path> FindNoCase(const fs::path& folder, std::string_view name)
{
    std::error_code ec;
    if (fs::is_regular_file(folder / name, ec)) return folder / name;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file(ec) && equalNoCase(e.path().filename().string(), name)) return e.path();
    return std::nullopt;
}

void RemoveCaseTwins(const fs::path& folder, std::string_view name)
{
    std::error_code ec;
    std::vector<fs::path> twins;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string leaf = e.path().filename().string();
        if (leaf != name && equalNoCase(leaf, name)) twins.push_back(e.path());
    }
    for (const auto& t : twins) fs::remove(t, ec);
}

}  // namespace kravinb

// The project header file "KRAVin.KRAB": head texts and one record per station and card slot.
#include "header.h"

#include "KRAVinA.h"
#include "fileio.h"
#include "library.h"
#include "mastertables.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kravina {
namespace {

constexpr std::size_t kVersionPrefix = 23;  // "ORVANTEK KRAV3 Version "

char g_versionText[KRAVINA_VERSION_TEXT_MAX + 1];
unsigned char g_newerVersion = 0;
int g_selectResult = 0;

struct VersionNumber {
    int major = 0, minor = 0, rest = 0;
    auto operator<=>(const VersionNumber&) const = default;
};

// Splits "major.minor.rest" (at most 40 characters); a part without a following
// point is the whole remaining text. Parts keep at most 7 characters.
VersionNumber splitVersion(const char* text, std::size_t available)
{
    std::string s(text, std::min<std::size_t>(40, strnlen(text, available)));
    auto cut = [](std::string& remaining) {
        const auto dot = remaining.find('.');
        std::string part = remaining.substr(0, dot);
        if (dot != std::string::npos) remaining.erase(0, dot + 1);
        if (part.size() > 7) part.resize(7);
        return part;
    };
    VersionNumber v;
    v.major = tables::leadingInt(cut(s));
    v.minor = tables::leadingInt(cut(s));
    v.rest = tables::leadingInt(s.size() > 7 ? s.substr(0, 7) : s);
    return v;
}

VersionNumber programVersion()
{
    const std::size_t len = strnlen(g_versionText, sizeof g_versionText);
    if (len <= kVersionPrefix) return {};
    return splitVersion(g_versionText + kVersionPrefix, len - kVersionPrefix);
}

void copyHeadTexts(unsigned char* dst, const unsigned char* src, std::size_t nameAt,
                   std::size_t text2At, std::size_t commentAt)
{
    std::memcpy(dst + head::name, src + nameAt, head::nameWidth);
    std::memcpy(dst + head::text2, src + text2At, head::text2Width);
    std::memcpy(dst + head::comment, src + commentAt, head::commentWidth);
}

// A copy of an old-format header while it is converted; kept between calls, so a
// selection does not map and free a fresh image each time.
std::vector<unsigned char>& oldHeaderScratch()
{
    thread_local std::vector<unsigned char> old;
    return old;
}

}  // namespace

HeaderImage& headerImage()
{
    static HeaderImage image{};
    return image;
}

bool writeHeader(const char* folder)
{
    if (!folder) return false;
    auto& image = headerImage();
    setField(reinterpret_cast<char*>(image.data()), g_versionText, KRAVINA_VERSION_TEXT_MAX);
    return writeFile(folder, kHeaderFile, image.data(), image.size());
}

void convertOldHeader(const unsigned char* old, std::size_t nameAt, std::size_t text2At,
                      std::size_t commentAt)
{
    auto& image = headerImage();
    image.fill(0);
    copyHeadTexts(image.data(), old, nameAt, text2At, commentAt);
    for (std::size_t r = 0; r < kRecordCount; ++r) {
        const unsigned char* o = old + kRecordBase + r * kOldRecordSize;
        unsigned char* n = image.data() + kRecordBase + r * kRecordSize;
        std::memset(n + rec::kind, ' ', rec::kindWidth);
        std::memcpy(n + rec::kind, o, 5);
        std::memcpy(n + rec::unitText, o + 5, rec::unitTextWidth);
        std::memcpy(n + rec::version, o + 10, rec::versionWidth);
        std::memcpy(n + rec::comment, o + 14, rec::commentWidth);
        std::memcpy(n + rec::x, o + 48, 4);
        std::memcpy(n + rec::y, o + 52, 4);
    }
}

void setHead(const char* name, const char* text2, const char* comment)
{
    char* base = reinterpret_cast<char*>(headerImage().data());
    setField(base + head::name, name, head::nameWidth);
    setField(base + head::text2, text2, head::text2Width);
    setField(base + head::comment, comment, head::commentWidth);
}

int selectOldestHeader(const char* folder)
{
    forgetConnectionCaches();
    g_selectResult = 1;
    auto& old = oldHeaderScratch();
    old.assign(kOldHeaderSize, 0);
    if (folder) readFile(folder, kHeaderFile, old.data(), old.size());
    convertOldHeader(old.data(), 0, 32, 64);
    return g_selectResult;
}

}  // namespace kravina

using namespace kravina;

extern "C" {

int KRAVinA_Proj_Set_Version(const char* version)
{
    return guarded([&] {
        setField(g_versionText, version, KRAVINA_VERSION_TEXT_MAX);
        g_versionText[KRAVINA_VERSION_TEXT_MAX] = '\0';
        return 0;
    });
}

int KRAVinA_Proj_Create(const char* name, const char* text2, const char* comment, const char* folder)
{
    return guarded([&] {
        if (!folder) return -1;
        forgetConnectionCaches();
        auto& image = headerImage();
        image.fill(0);
        setHead(name, text2, comment);
        if (!makeFolder(folder, "")) return -1;
        return writeHeader(folder) ? 1 : -1;
    });
}

int KRAVinA_Proj_Select(const char* folder)
{
    return guarded([&] {
        g_selectResult = 1;
        forgetConnectionCaches();
        auto& image = headerImage();
        image.fill(0);
        if (folder) readFile(folder, kHeaderFile, image.data(), image.size());

        const VersionNumber file = splitVersion(reinterpret_cast<const char*>(image.data()) +
                                                    kVersionPrefix,
                                                KRAVINA_VERSION_TEXT_MAX - kVersionPrefix);
        if (file.major <= 1 && file.minor < 20) {
            auto& old = oldHeaderScratch();
            old.assign(image.begin(), image.begin() + kOldHeaderSize);
            convertOldHeader(old.data(), head::name, head::text2, head::comment);
        }
        g_newerVersion = programVersion() < file ? 1 : 0;
        return g_selectResult;
    });
}

int KRAVinA_Prj_Newer_Version(void)
{
    return guarded([] { return int(g_newerVersion); });
}

int KRAVinA_Proj_Select_KRAV2(const char* folder)
{
    return guarded([&] { return selectOldestHeader(folder); });
}

int KRAVinA_Proj_Get_Head(char* name, char* text2, char* comment)
{
    return guarded([&] {
        const char* base = reinterpret_cast<const char*>(headerImage().data());
        getField(name, base + head::name, head::nameWidth);
        getField(text2, base + head::text2, head::text2Width);
        getField(comment, base + head::comment, head::commentWidth);
        return 0;
    });
}

int KRAVinA_Proj_Update_Head(int write, const char* name, const char* text2, const char* comment,
                             const char* folder)
{
    return guarded([&] {
        setHead(name, text2, comment);
        if (write && !writeHeader(folder)) return -1;
        return 0;
    });
}

int KRAVinA_Proj_Get_Sys(int station, int card, char* kind, char* unitText, char* version,
                         char* commentText, int* x, int* y)
{
    return guarded([&] {
        if (!validUnit(station, card)) return -1;
        const unsigned char* r = headerImage().data() + recordOffset(station, card);
        const char* c = reinterpret_cast<const char*>(r);
        getField(kind, c + rec::kind, rec::kindWidth);
        getField(unitText, c + rec::unitText, rec::unitTextWidth);
        getField(version, c + rec::version, rec::versionWidth);
        getField(commentText, c + rec::comment, rec::commentWidth);
        if (x) *x = loadInt32(r + rec::x);
        if (y) *y = loadInt32(r + rec::y);
        return 0;
    });
}

int KRAVinA_Proj_Update_Sys(int write, int station, int card, const char* kind, const char* unitText,
                            const char* version, const char* commentText, int x, int y,
                            const char* folder)
{
    return guarded([&] {
        if (!validUnit(station, card)) return -1;
        unsigned char* r = headerImage().data() + recordOffset(station, card);
        char* c = reinterpret_cast<char*>(r);
        setField(c + rec::kind, kind, rec::kindWidth);
        setField(c + rec::unitText, unitText, rec::unitTextWidth);
        setField(c + rec::version, version, rec::versionWidth);
        setField(c + rec::comment, commentText, rec::commentWidth);
        storeInt32(r + rec::x, x);
        storeInt32(r + rec::y, y);
        if (write && !writeHeader(folder)) return -1;
        return 0;
    });
}

int KRAVinA_Proj_Write(const char* folder)
{
    return guarded([&] { return writeHeader(folder) ? 0 : -1; });
}

}  // extern "C"

// The master definition tables: kind tables, valid-block tables, block definitions,
// master lists, field names, infrared cards, backup information and table upkeep.
#include "mastertables.h"

#include "KRAVinA.h"
#include "fileio.h"
#include "library.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kravina {
namespace {

using namespace tables;

GroupTable& groupTable()
{
    static GroupTable table;
    return table;
}

DefinitionTables& definitionTables()
{
    static DefinitionTables tables;
    return tables;
}

// The bytes of an existing regular file, none when it cannot be opened.
std::optional<std::string> readWhole(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    struct stat st;
    if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return std::nullopt;
    }
    std::string data;
    char buffer[4096];
    std::size_t n;
    while (data.size() < kMaxTableSize &&
           (n = std::fread(buffer, 1, std::min(sizeof buffer, kMaxTableSize - data.size()), f)) > 0)
        data.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return data;
}

// A table of the folder (name found whatever its case), as text.
std::optional<std::string> loadTable(const char* folder, const std::string& relative)
{
    if (!folder) return std::nullopt;
    auto raw = readWhole(findPath(folder, relative));
    if (!raw) return std::nullopt;
    return textMode(*raw);
}

std::optional<std::string> loadKindTable(int table, const char* folder)
{
    if (table == 0) return loadTable(folder, "COMCARD.KRAT");
    if (auto large = loadTable(folder, "KBSCARD_LARGE.KRAT")) return large;
    return loadTable(folder, "KBSCARD.KRAT");
}

// A path given whole by the caller, its components found whatever their case.
std::string resolvePath(const char* path)
{
    std::string p = path ? path : "";
    while (p.size() > 1 && (p.back() == '/' || p.back() == '\\')) p.pop_back();
    if (p.empty() || p == "/") return p;
    return p[0] == '/' ? findPath("", p) : findPath(".", p);
}

bool isDirectory(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Names of dir's entries of three characters and the extension ext (any case), sorted.
std::vector<std::string> threeLetterFiles(const std::string& dir, const char* ext)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() == 3 + std::strlen(ext) && ::strcasecmp(name.c_str() + 3, ext) == 0 &&
                isFile(dir + "/" + name))
                names.push_back(name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Modification time, and with created the creation time where the file system keeps it.
bool fileTimes(const std::string& path, long long* created, long long* modified)
{
    struct statx stx;
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &stx) != 0) return false;
    if (modified) *modified = stx.stx_mtime.tv_sec;
    if (created)
        *created = (stx.stx_mask & STATX_BTIME) ? stx.stx_btime.tv_sec : stx.stx_mtime.tv_sec;
    return true;
}

// Copies a field into a buffer of width bytes: cut to width - 1 bytes, never inside a
// double-byte character, and terminated.
void putText(char* dst, const std::string& text, std::size_t width)
{
    if (!dst || width == 0) return;
    std::size_t n = 0;
    while (n < text.size()) {
        const auto c = static_cast<unsigned char>(text[n]);
        const std::size_t w = isCp932Lead(c) && n + 1 < text.size() ? 2 : 1;
        if (n + w > width - 1) break;
        n += w;
    }
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

constexpr std::size_t kItemWidths[7] = {KRAVINA_DEF_TYPE_SIZE,    KRAVINA_DEF_NAME_SIZE,
                                        KRAVINA_DEF_ABBR_SIZE,    KRAVINA_DEF_UNIT_SIZE,
                                        KRAVINA_DEF_DEFAULT_SIZE, KRAVINA_DEF_RANGE_SIZE,
                                        KRAVINA_DEF_EXTRA_SIZE};
constexpr std::size_t kTerminalWidths[7] = {KRAVINA_TERM_TYPE_SIZE,   KRAVINA_TERM_NAME_SIZE,
                                            KRAVINA_TERM_ABBR_SIZE,   KRAVINA_DEF_UNIT_SIZE,
                                            KRAVINA_DEF_DEFAULT_SIZE, KRAVINA_DEF_RANGE_SIZE,
                                            KRAVINA_DEF_EXTRA_SIZE};

const char* const kMasterLists[4] = {"BLOCKMAST.KRAT", "ITEMMAST.KRAT", "TERMMAST.KRAT",
                                     "FIELDNAME.KRAT"};

}  // namespace
}  // namespace kravina

using namespace kravina;
using namespace kravina::tables;

extern "C" {

int KRAVinA_Card_Kind_Get_Num(int table, const char* folder)
{
    return guarded([&] {
        const auto text = loadKindTable(table, folder);
        return text ? countKindSections(*text) : 0;
    });
}

int KRAVinA_Card_K_V_Get(int table, int index, char* name, int* busFlag, int* speedCode, int* value,
                         char* versions, const char* folder)
{
    return guarded([&] {
        if (index < 0) return -1;
        const auto text = loadKindTable(table, folder);
        if (!text) return 0;
        const auto section = kindSection(*text, index);
        if (!section) return 0;
        getField(name, section->name.data(), KRAVINA_KIND_NAME_SIZE);
        if (busFlag && section->busFlag) *busFlag = *section->busFlag;
        if (speedCode && section->speedCode) *speedCode = *section->speedCode;
        if (value && section->value) *value = *section->value;
        const std::size_t n = std::min<std::size_t>(section->versions.size(), KRAVINA_KIND_VERSIONS_MAX);
        for (std::size_t i = 0; versions && i < n; ++i)
            std::memcpy(versions + KRAVINA_VERSION_SIZE * i, section->versions[i].data(), KRAVINA_VERSION_SIZE);
        return static_cast<int>(n);
    });
}

int KRAVinA_Valid_Block_Get(int reload, const char* model, const char* version, int group,
                            char* codes, const char* folder)
{
    return guarded([&] {
        if (group < 0 || group >= kGroups) return -1;
        GroupTable& table = groupTable();
        if (reload == 1) {
            table.clear();
            const auto file = validBlockFile(model, version);
            const auto text = file ? loadTable(folder, *file) : std::nullopt;
            if (!text) return -1;
            parseValidBlocks(*text, table);
        }
        const int n = table.count[group];
        getField(codes, table.codes[group].data(), std::size_t(kCodeSize) * n);
        return n;
    });
}

int KRAVinA_Block_Name_Get(const char* model, const char* version, const char* code, char* name,
                           const char* folder)
{
    return guarded([&] {
        const auto file = definitionFile(model, version, code);
        const auto text = file ? loadTable(folder, *file) : std::nullopt;
        const auto first = text ? blockName(*text) : std::nullopt;
        if (!first) return -1;
        putText(name, *first, KRAVINA_BLOCK_NAME_SIZE);
        return 0;
    });
}

int KRAVinA_Block_Inf_Select(const char* model, const char* version, const char* code,
                             const char* folder)
{
    return guarded([&] {
        DefinitionTables& tables = definitionTables();
        tables.clear();
        const auto file = definitionFile(model, version, code);
        const auto text = file ? loadTable(folder, *file) : std::nullopt;
        if (!text) return -1;
        parseDefinition(*text, tables);
        return 0;
    });
}

int KRAVinA_Block_Inf_Get(int table, int line, char* field1, char* field2, char* field3,
                          char* field4, char* field5, char* field6, char* field7)
{
    return guarded([&] {
        if (line < 0 || line >= KRAVINA_DEF_LINES) return -1;
        const bool terminal = table != 0;
        const auto& stored = definitionTables().lines[std::size_t(line) + (terminal ? KRAVINA_DEF_LINES : 0)];
        const SplitFields fields = splitDefinitionLine(stored, terminal);
        char* const buffers[7] = {field1, field2, field3, field4, field5, field6, field7};
        const auto& widths = terminal ? kTerminalWidths : kItemWidths;
        for (std::size_t k = 0; k < 7; ++k) {
            if (fields.action[k] != SplitFields::Action::Untouched)
                putText(buffers[k], fields.text[k], widths[k]);
        }
        return 0;
    });
}

int KRAVinA_Mast_Num_Get(int type, const char* folder)
{
    return guarded([&] {
        if (type < 0 || type > 3) return -1;
        const auto text = loadTable(folder, kMasterLists[type]);
        return text ? countMasterLines(*text) : -1;
    });
}

int KRAVinA_Mast_FiledName_Get(int id, char* entries, const char* folder)
{
    return guarded([&] {
        if (id < 0 || id >= KRAVINA_FIELDNAME_IDS) return -1;
        const auto text = loadTable(folder, "FIELDNAME.KRAT");
        if (!text) return -1;
        std::vector<std::string> names;
        const int result = fieldNames(*text, id, KRAVINA_FIELDNAME_MAX, names);
        if (entries) {
            for (std::size_t i = 0; i < names.size(); ++i)
                std::memcpy(entries + KRAVINA_FIELDNAME_SIZE * i, names[i].data(), KRAVINA_FIELDNAME_SIZE);
            if (!names.empty()) entries[KRAVINA_FIELDNAME_SIZE * names.size()] = '\0';
        }
        return result;
    });
}

int KRAVinA_Dup_Block(const char* sourceModel, const char* sourceVersion, const char* code,
                      const char* targetModel, const char* targetVersion, const char* folder)
{
    return guarded([&] {
        const auto source = definitionFile(sourceModel, sourceVersion, code);
        const auto target = definitionFile(targetModel, targetVersion, code);
        if (!folder || !source || !target) return -1;
        const auto bytes = readWhole(findPath(folder, *source));
        if (!bytes) return -1;
        return writeFile(folder, *target, bytes->data(), bytes->size()) ? 0 : -1;
    });
}

int KRAVinA_Card_K_VDate_Get(const char* model, const char* version, int* created, int* latest,
                             const char* folder)
{
    return guarded([&] {
        const auto relative = definitionFolder(model, version);
        if (!folder || !relative) return -1;
        const std::string dir = findPath(folder, *relative);
        long long made = 0, last = 0;
        if (!isDirectory(dir) || !fileTimes(dir, &made, &last)) return -1;
        auto later = [&](const std::string& path) {
            long long t;
            if (fileTimes(path, nullptr, &t) && t > last) last = t;
        };
        if (const auto table = validBlockFile(model, version)) later(findPath(folder, *table));
        for (const auto& name : threeLetterFiles(dir, ".KRAT")) later(dir + "/" + name);
        if (created) *created = static_cast<int>(made);
        if (latest) *latest = static_cast<int>(last);
        return 0;
    });
}

int KRAVinA_Backup_Block_Info(char* name, char* code, int* number, int* count, char* list,
                              const char* folder)
{
    return guarded([&] {
        const auto text = loadTable(folder, "BACKINFO.KRAT");
        const auto info = text ? backupInfo(*text) : std::nullopt;
        if (!info) return -1;
        getField(name, info->name.data(), 8);
        getField(code, info->code.data(), 4);
        if (number) *number = info->number;
        const auto backups = threeLetterFiles(findPath(folder, ""), ".BAK");
        const std::size_t n = std::min<std::size_t>(backups.size(), KRAVINA_BACKUP_LIST_MAX);
        for (std::size_t i = 0; list && i < n; ++i) std::memcpy(list + 3 * i, backups[i].data(), 3);
        if (count) *count = static_cast<int>(n);
        return 0;
    });
}

int KRAVinA_Backup_Block_Clear(const char* folder, const char* second)
{
    return guarded([&] {
        if (!folder) return -1;
        const std::string dir = resolvePath(folder);
        bool ok = true;
        const std::string info = findPath(dir, "BACKINFO.KRAT");
        if (isFile(info) && ::unlink(info.c_str()) != 0) ok = false;
        for (const auto& name : threeLetterFiles(dir, ".BAK")) {
            if (::unlink((dir + "/" + name).c_str()) != 0) ok = false;
        }
        ::rmdir(dir.c_str());  // only when empty
        if (second) ::rmdir(resolvePath(second).c_str());
        return ok ? 0 : -1;
    });
}

int KRAVinA_Env_ChkSet(int create, const char* a, const char* b, const char* c)
{
    return guarded([&] {
        if (!a || !b || !c) return -1;
        const char* const order[3] = {b, a, c};
        bool ok = true;
        for (const char* p : order) {
            const std::string path = resolvePath(p);
            if (create) {
                if (::mkdir(path.c_str(), 0777) != 0 && !isDirectory(path)) ok = false;
            } else if (!isDirectory(path)) {
                ok = false;
            }
        }
        return ok ? 0 : -1;
    });
}

int KRAVinA_IRCardName_Comp(const char* name, const char* folder)
{
    return guarded([&] {
        if (!name) return 0;
        const std::string card(name, strnlen(name, KRAVINA_KIND_NAME_SIZE));
        if (card.empty()) return 0;
        const auto text = loadTable(folder, "IRCARD.KRAT");
        return text && irCardListed(*text, card) ? 1 : 0;
    });
}

}  // extern "C"

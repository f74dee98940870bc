#include "system_config.h"

#include "KRAVinA.h"
#include "text_codec.h"

#include <algorithm>
#include <cstring>

namespace kravin::model {
namespace {

constexpr std::array<std::string_view, 5> kFamilyCodes = {"63NW", "TQNW", "RNZ6", "RNH6", "RNJ6"};
constexpr std::array<std::string_view, 3> kBusStations = {"RNH6", "RNZ6", "RNJ6"};
constexpr std::string_view kRemotePrefix = "V8RTU";

bool isBusStation(std::string_view kind)
{
    return std::any_of(kBusStations.begin(), kBusStations.end(),
                       [&](std::string_view b) { return startsWith(kind, b); });
}

bool isRemote(std::string_view kind) { return startsWith(kind, kRemotePrefix); }

int familyOf(std::string_view kind)
{
    const std::string_view code = kind.substr(0, 4);
    return std::find(kFamilyCodes.begin(), kFamilyCodes.end(), code) != kFamilyCodes.end() ? 1 : 2;
}

// The kind name as the masters keep it: up to the line break, blank padded to 8.
std::string masterName(const char* raw)
{
    std::string name = kindKey(std::string_view(raw, strnlen(raw, kKindWidth)));
    name.resize(kKindWidth, ' ');
    return name;
}

void loadMaster(CardKindMaster& master, int table, const std::string& folder)
{
    master = CardKindMaster{};
    const int n = KRAVinA_Card_Kind_Get_Num(table, folder.c_str());
    for (int i = 0; i < n && i + 1 < kKindEntries; ++i) {
        char name[kKindWidth + 1] = {};
        char versions[kKindVersions * kVersionWidth] = {};
        int bus = 0, speed = 0, value = 0;
        const int count = KRAVinA_Card_K_V_Get(table, i, name, &bus, &speed, &value, versions, folder.c_str());
        const int e = i + 1;
        master.name[e] = masterName(name);
        master.busFlag[e] = bus;
        master.speedCode[e] = speed;
        master.value[e] = value;
        for (int v = 0; v < std::clamp(count, 0, kKindVersions); ++v)
            master.versions[e][v] = fieldText(versions + v * kVersionWidth, kVersionWidth);
    }
}

// The kind name of a placed station / card slot, empty when none.
std::string stationKindName(const CardKindMasters& m, const SystemConfigTables& t, int station)
{
    const int k = t.stationKind[station];
    return k > 0 && k < kKindEntries ? m.station.name[k] : std::string();
}

std::string cardKindName(const CardKindMasters& m, const SystemConfigTables& t, int station, int card)
{
    const int k = t.cardKind[station][card];
    return k > 0 && k < kKindEntries ? m.card.name[k] : std::string();
}

}  // namespace

std::string kindKey(std::string_view kind)
{
    std::size_t end = 0;
    while (end < kind.size() && kind[end] != '\0' && kind[end] != '\r' && kind[end] != '\n') ++end;
    while (end > 0 && kind[end - 1] == ' ') --end;
    return std::string(kind.substr(0, end));
}

int CardKindMaster::find(std::string_view kind) const
{
    const std::string key = kindKey(kind);
    if (key.empty()) return 0;
    for (int i = 1; i < kKindEntries && !name[i].empty(); ++i)
        if (kindKey(name[i]) == key) return i;
    return 0;
}

int CardKindMaster::findVersion(int kind, std::string_view version) const
{
    if (kind <= 0 || kind >= kKindEntries) return -1;
    for (int v = 0; v < kKindVersions && !versions[kind][v].empty(); ++v)
        if (versions[kind][v] == version) return v;
    return -1;
}

int LoadCardKindMasters(CardKindMasters& masters, const std::string& tableFolder)
{
    loadMaster(masters.station, 0, tableFolder);
    loadMaster(masters.card, 1, tableFolder);
    return 0;
}

int LoadSystemTables(const CardKindMasters& masters, SystemConfigTables& t)
{
    t.clear();
    int unresolved = 0;
    for (int s = 0; s < kStations; ++s) {
        for (int c = -1; c < kCardSlots; ++c) {
            char kind[256] = {}, unitText[256] = {}, version[256] = {}, comment[256] = {};
            int x = 0, y = 0;
            KRAVinA_Proj_Get_Sys(s, c, kind, unitText, version, comment, &x, &y);
            const std::string kindText = fieldText(kind, kKindWidth);
            const std::string unit = fieldText(unitText, kUnitTextWidth);
            const std::string ver = fieldText(version, kVersionWidth);
            const CardKindMaster& master = c < 0 ? masters.station : masters.card;
            const int k = master.find(kindText);
            const int v = master.findVersion(k, ver);
            const bool found = k > 0 && v >= 0;
            if (!found && !kindKey(kindText).empty()) {
                t.unresolved[s][c + 1] = {kindText, unit, ver};
                ++unresolved;
            }
            const std::string commentText = fieldText(comment, kUnitCommentWidth);
            if (c < 0) {
                if (found) t.stationKind[s] = k, t.stationVersion[s] = v, t.stationUnitText[s] = unit;
                t.stationX[s] = x;
                t.stationY[s] = y;
                t.stationComment[s] = commentText;
            } else {
                if (found) t.cardKind[s][c] = k, t.cardVersion[s][c] = v, t.cardUnitText[s][c] = unit;
                t.cardX[s][c] = x;
                t.cardY[s][c] = y;
                t.cardComment[s][c] = commentText;
            }
        }
    }
    return unresolved;
}

int SaveProjectSystem(const CardKindMasters& masters, const SystemConfigTables& t, const std::string& workFolder)
{
    int failed = 0;
    for (int s = 0; s < kStations; ++s) {
        for (int c = -1; c < kCardSlots; ++c) {
            const bool station = c < 0;
            const CardKindMaster& master = station ? masters.station : masters.card;
            const int k = station ? t.stationKind[s] : t.cardKind[s][c];
            const int v = station ? t.stationVersion[s] : t.cardVersion[s][c];
            std::string kind, unit, version;
            if (k > 0 && k < kKindEntries) {
                kind = master.name[k];
                unit = station ? t.stationUnitText[s] : t.cardUnitText[s][c];
                version = v >= 0 && v < kKindVersions ? master.versions[k][v] : std::string();
            } else if (const UnresolvedRecord& kept = t.unresolved[s][c + 1]; kept.present()) {
                kind = kept.kind;
                unit = kept.unitText;
                version = kept.version;
            }
            const std::string& comment = station ? t.stationComment[s] : t.cardComment[s][c];
            const int x = station ? t.stationX[s] : t.cardX[s][c];
            const int y = station ? t.stationY[s] : t.cardY[s][c];
            if (KRAVinA_Proj_Update_Sys(0, s, c, kind.c_str(), unit.c_str(), version.c_str(), comment.c_str(), x, y,
                                        workFolder.c_str()) != 0)
                ++failed;
        }
    }
    const int written = KRAVinA_Proj_Write(workFolder.c_str());
    return failed ? -1 : written;
}

int FindCardKind(const CardKindMasters& m, std::string_view kind, int* busFlag, int* speedCode, int* value)
{
    const std::string key = kindKey(kind);
    for (int i = 1; i < kKindEntries; ++i) {
        for (const CardKindMaster* master : {&m.station, &m.card}) {
            if (master->name[i].empty() || kindKey(master->name[i]) != key) continue;
            if (busFlag) *busFlag = master->busFlag[i];
            if (speedCode) *speedCode = master->speedCode[i];
            if (value) *value = master->value[i];
            return 1;
        }
    }
    return 0;
}

int CheckKindPlacement(const CardKindMasters& m, const SystemConfigTables& t, int station, int slot,
                       std::string_view kind, bool paste)
{
    if (station < 0 || station >= kStations || slot < 0 || slot > kCardSlots) return -1;
    const std::string stationKind = stationKindName(m, t, station);

    if (slot > 0) {
        if (!stationKind.empty()) {
            if (isBusStation(stationKind)) return -1;
            if (isRemote(stationKind) && !isRemote(kind)) return -1;
        }
        if (isRemote(kind)) {
            if (stationKind.empty() || !isRemote(stationKind)) return -1;
            if (slot > 1 && !isRemote(cardKindName(m, t, station, slot - 2))) return -1;
        }
        if (paste) {
            const std::string here = cardKindName(m, t, station, slot - 1);
            for (std::string_view wide : {"QV200W", "QV210W"}) {
                if (startsWith(here, wide) && !startsWith(kind, wide)) return -1;
            }
        }
    } else {
        if (isBusStation(kind)) {
            for (int c = 0; c < kCardSlots; ++c)
                if (t.cardKind[station][c] != 0) return -1;
        }
        for (int s = 0; s < kStations; ++s) {
            if (s == station || t.stationKind[s] == 0) continue;
            if (familyOf(stationKindName(m, t, s)) != familyOf(kind)) return -1;
            break;
        }
    }

    if (isRemote(kind)) {
        for (int c = 0; c < kCardSlots; ++c) {
            if (t.cardKind[station][c] != 0 && !isRemote(cardKindName(m, t, station, c))) return -1;
        }
    }
    return 0;
}

void WiringGrid::GridCellToPixel(int station, int slot, int* x, int* y) const
{
    *x = station * dx + 4;
    *y = slot * dy + 6;
}

void WiringGrid::ClampToGrid(int* x, int* y) const
{
    *x = std::min(*x, 64 * dx - 4);
    *y = std::min(*y + dy, 17 * dy - 6);
}

int MoveStackedDefaultBoxes(SystemConfigTables& tables, const WiringGrid& grid)
{
    int moved = 0;
    auto move = [&](int station, int slot, int kind, int& x, int& y) {
        // Where the earlier versions put slot's box: column 1 + 3 * slot of row 2.
        int ox = 0, oy = 0;
        grid.GridCellToPixel(1 + 3 * slot, 2, &ox, &oy);
        if (kind == 0 || x != ox || y != oy) return;
        int nx = 0, ny = 0;
        grid.GridCellToPixel(station, slot, &nx, &ny);
        if (nx == x && ny == y) return;
        x = nx;
        y = ny;
        ++moved;
    };
    for (int s = 0; s < kStations; ++s) {
        move(s, 0, tables.stationKind[s], tables.stationX[s], tables.stationY[s]);
        for (int c = 0; c < kCardSlots; ++c)
            move(s, c + 1, tables.cardKind[s][c], tables.cardX[s][c], tables.cardY[s][c]);
    }
    return moved;
}

}  // namespace kravin::model

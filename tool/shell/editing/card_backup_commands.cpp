#include "card_backup_commands.h"

#include "KRAVinA.h"
#include "KRAVinB.h"
#include "system_config.h"
#include "unit_files.h"

#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <filesystem>

namespace kravin::shell {

namespace fs = std::filesystem;

namespace {

const model::CardKindMaster& masterOf(const model::CardKindMasters& m, int card)
{
    return card == 0 ? m.station : m.card;
}

std::string padded(std::string_view text, std::size_t width)
{
    std::string s(text.substr(0, std::min(text.size(), width)));
    s.resize(width, ' ');
    return s;
}

std::string field(const char* text, std::size_t width) { return std::string(text, ::strnlen(text, width)); }

int acceptThunk(void* context, const char* model, const char* version)
{
    auto* self = static_cast<CardBackupCommands*>(context);
    return self->acceptRestored(field(model, 8), field(version, 4)) ? 1 : 0;
}

// The library keeps one analog image: a unit's file changed behind it is read again.
void forgetAnalogImage(int station, int libraryCard, const std::string& folder)
{
    int kind = 0, value = 0, colour = 0;
    char text[17] = {};
    const int other = libraryCard == 0 ? 1 : 0;
    KRAVinA_Acon_Get(station, other, 0, 0, &kind, &value, &colour, text, folder.c_str());
}

}  // namespace

int CardBackupCommands::backup()
{
    const editors::CurrentUnit u = c_.selection->current();
    if (u.station < 0 || u.card < 0 || u.model.empty()) return 0;
    const std::string& folder = c_.session->projectRecord.workFolder;
    // The library writes what it caches of the unit's analog file first, so the
    // backup holds the unit as the tool shows it.
    if (u.card > 0) {
        char station[16], analog[16];
        std::snprintf(station, sizeof station, "STN%02d", u.station);
        std::snprintf(analog, sizeof analog, "AC%X.KRAB", static_cast<unsigned>(u.card - 1) & 15);
        std::error_code ec;
        bool present = false;
        for (const auto& e : fs::directory_iterator(fs::path(folder) / station, ec))
            present = present || ::strcasecmp(e.path().filename().c_str(), analog) == 0;
        // Only an existing file: writing an uncached or empty image would add one.
        if (present) KRAVinA_Acon_Write(u.station, u.card - 1, folder.c_str());
    }
    const std::string model = padded(u.model, 8);
    const std::string version = u.version.substr(0, 4);
    const std::string text = u.unitText.substr(0, std::min<std::size_t>(u.unitText.size(), 8));
    return KRAVinB_CD_Backup(c_.session->g_projectName.c_str(), c_.session->g_projectHandle, u.station, u.card - 1,
                             model.c_str(), version.c_str(), text.c_str(), c_.parent ? c_.parent() : nullptr,
                             folder.c_str());
}

bool CardBackupCommands::acceptRestored(std::string_view model, std::string_view version)
{
    model::UnitContext& unit = *c_.unit;
    const int station = unit.g_curStation, card = unit.g_curCard;
    if (model::CheckKindPlacement(unit.masters, unit.tables, station, card, padded(model, 8), false) != 0) {
        c_.prompt->message(7101, {}, model::Buttons::Ok, model::Icon::Error);
        return false;
    }
    const model::CardKindMaster& master = masterOf(unit.masters, card);
    const int kind = master.find(model);
    if (kind <= 0) {
        c_.prompt->message(7102, {}, model::Buttons::Ok, model::Icon::Error);
        return false;
    }
    if (master.findVersion(kind, version) < 0) {
        c_.prompt->message(7103, {}, model::Buttons::Ok, model::Icon::Error);
        return false;
    }
    return true;
}

int CardBackupCommands::restore()
{
    model::UnitContext& unit = *c_.unit;
    const int station = unit.g_curStation, card = unit.g_curCard;
    if (station < 0 || station >= model::kStations || card < 0 || card > model::kCardSlots) return 0;
    if (model::CheckKindPlacement(unit.masters, unit.tables, station, card, card == 0 ? "RNH6    " : "63WH    ",
                                  false) != 0) {
        c_.prompt->message(7100, {}, model::Buttons::Ok, model::Icon::Error);
        return 0;
    }
    const std::string folder = c_.session->projectRecord.workFolder;
    std::string keep = (fs::temp_directory_path() / "kravin-keep-XXXXXX").string();
    if (!::mkdtemp(keep.data())) keep = folder + "/.keep";

    c_.undo->Record(model::kStationUnit + 1);
    char model[9] = {}, version[5] = {}, text[6] = {};
    const int result = KRAVinB_CD_RestoreChecked(c_.session->g_projectName.c_str(), c_.session->g_projectHandle,
                                                 station, card - 1, model, version, text,
                                                 c_.parent ? c_.parent() : nullptr, folder.c_str(),
                                                 (keep + "/").c_str(), &acceptThunk, this);
    std::error_code ec;
    fs::remove_all(keep, ec);
    if (result != 1) return 0;

    c_.session->projectRecord.modified = 1;
    const model::CardKindMaster& master = masterOf(unit.masters, card);
    const int kind = master.find(field(model, 8));
    const int versionIndex = kind > 0 ? master.findVersion(kind, field(version, 4)) : -1;
    model::SystemConfigTables& t = unit.tables;
    const auto s = static_cast<std::size_t>(station);
    if (card == 0) {
        t.stationKind[s] = std::max(kind, 0);
        t.stationVersion[s] = std::max(versionIndex, 0);
        t.stationUnitText[s] = field(text, 5);
    } else {
        const auto ci = static_cast<std::size_t>(card - 1);
        t.cardKind[s][ci] = std::max(kind, 0);
        t.cardVersion[s][ci] = std::max(versionIndex, 0);
        t.cardUnitText[s][ci] = field(text, 5);
        // A remote I/O card tells its station how many cards it counts.
        if (model::startsWith(field(model, 8), "V8RTU")) t.stationUnitText[s] = std::string(1, "0123456789ABCDEF"[card & 15]);
    }
    t.forgetUnresolved(station, card - 1);
    // A slot without a position yet gets its default place on the grid.
    int& x = card == 0 ? t.stationX[s] : t.cardX[s][static_cast<std::size_t>(card - 1)];
    int& y = card == 0 ? t.stationY[s] : t.cardY[s][static_cast<std::size_t>(card - 1)];
    if (x == 0 && y == 0 && c_.defaultPosition) c_.defaultPosition(station, card, &x, &y);

    forgetAnalogImage(station, card - 1, folder);
    c_.selection->select(station, card);
    c_.selection->loadUnitBlocks();
    c_.undo->Record(model::kStationUnit);
    if (c_.changed) c_.changed();
    return 1;
}

}  // namespace kravin::shell

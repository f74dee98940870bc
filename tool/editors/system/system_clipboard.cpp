#include "system_clipboard.h"

#include "KRAVinA.h"
#include "comment_layer.h"
#include "connections.h"
#include "figure_layer.h"
#include "system_view_logic.h"
#include "unit_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kravin::editors {

namespace {

using sysclip::UnitImage;

std::string fieldText(const unsigned char* at, std::size_t width)
{
    const auto* c = reinterpret_cast<const char*>(at);
    return std::string(c, ::strnlen(c, width));
}

bool isRightHalf(const std::string& text) { return !text.empty() && text[0] == 1; }

}  // namespace

SystemClipboard::SystemClipboard(model::UnitContext& unit, model::CStationUndo& undo, model::Prompt& prompt,
                                 ClipboardPort& port, SystemClipboardHooks hooks)
    : unit_(unit), undo_(undo), prompt_(prompt), port_(port), hooks_(std::move(hooks))
{
}

void SystemClipboard::select(int station, int card)
{
    unit_.g_curStation = station;
    unit_.g_curCard = card;
    unit_.SelectCurrentUnit();
    if (hooks_.unitChanged) hooks_.unitChanged();
}

std::string SystemClipboard::cardKindName(int kind) const
{
    if (kind <= 0 || kind >= model::kKindEntries) return {};
    return unit_.masters.card.name[static_cast<std::size_t>(kind)];
}

SystemClipboard::Result SystemClipboard::notice(int id, Result result)
{
    prompt_.message(id, {}, model::Buttons::Ok, model::Icon::Warning);
    return result;
}

void SystemClipboard::finish()
{
    if (hooks_.setModified) hooks_.setModified();
    if (hooks_.invalidate) hooks_.invalidate();
    if (hooks_.rebuildDisplayData) hooks_.rebuildDisplayData();
}

void SystemClipboard::position(int station, int card)
{
    int x = 0, y = 0;
    if (hooks_.defaultPosition) hooks_.defaultPosition(station, card, &x, &y);
    auto& t = unit_.tables;
    if (card == 0) {
        t.stationX[station] = x;
        t.stationY[station] = y;
    } else {
        t.cardX[station][card - 1] = x;
        t.cardY[station][card - 1] = y;
    }
}

// ---- copy ----

UnitImage SystemClipboard::captureUnit(int station, int card)
{
    select(station, card);
    std::vector<unsigned char> record(model::workrecord::size);
    unsigned char* r = record.data();
    model::FillSystemWorkRecord(unit_, r);
    UnitImage u;
    u.station = sysclip::get32(r + model::workrecord::station);
    u.card = sysclip::get32(r + model::workrecord::card);
    workRecordCard_ = u.card;
    u.kind = sysclip::get32(r + model::workrecord::kindIndex);
    u.version = sysclip::get32(r + model::workrecord::versionIndex);
    const std::string& text = card == 0 ? unit_.tables.stationUnitText[station] : unit_.tables.cardUnitText[station][card - 1];
    u.unitText = text.substr(0, sysclip::kUnitTextMax);
    std::memcpy(u.body.data(), r + model::workrecord::codes, sysclip::kBodyBytes);
    const std::string folder = unit_.workFolder;
    KRAVinA_Comment_Read(u.comments.data(), folder.c_str(), model::commentFileName(station, card).c_str());
    KRAVinA_Tenbyou_Read(u.figures.data(), folder.c_str(), model::figureFileName(station, card).c_str());
    return u;
}

bool SystemClipboard::copyCard(std::string& format, std::string& object)
{
    const int s = unit_.g_curStation, card = unit_.g_curCard;
    const std::string model(unit_.model());
    if (modelIs(model, "QV200W") || modelIs(model, "QV210W")) {
        const bool qv210w = modelIs(model, "QV210W");
        format = qv210w ? kClipQv210wFormat : kClipQv200wFormat;
        return copyPair(qv210w, object);
    }
    format = kClipCardFormat;
    object = sysclip::EncodeCard(captureUnit(s, card));
    select(s, card);
    return true;
}

bool SystemClipboard::copyPair(bool, std::string& object)
{
    const int s = unit_.g_curStation, card = unit_.g_curCard;
    const bool right = isRightHalf(std::string(model::fieldView(unit_.g_curUnitText)));
    const int left = right ? card - 1 : card;
    if (left < 1 || left + 1 > model::kCardSlots) return false;
    copiedHalf_ = right ? 1 : 0;
    sysclip::PairImage pair;
    for (int k = 0; k < 2; ++k) {
        // A half without a card still names its slot; the paste refuses it.
        pair.slots[k].station = s;
        pair.slots[k].card = left + k;
        if (unit_.tables.cardKind[s][left - 1 + k] > 0) pair.slots[k] = captureUnit(s, left + k);
    }
    object = sysclip::EncodePair(pair);
    select(s, card);
    return true;
}

SystemClipboard::Result SystemClipboard::Copy()
{
    const int s = unit_.g_curStation, card = unit_.g_curCard;
    if (s < 0 || s >= model::kStations || card < 0 || card > model::kCardSlots) return Result::Nothing;
    if (card == 0) return s != 0 ? CopyStation() : Result::Nothing;
    if (unit_.tables.cardKind[s][card - 1] <= 0) return Result::Nothing;
    std::string format, object;
    if (!copyCard(format, object)) return Result::Nothing;
    port_.put(format, object);
    return Result::Done;
}

SystemClipboard::Result SystemClipboard::CopyStation()
{
    const int s = unit_.g_curStation;
    if (s < 0 || s >= model::kStations || unit_.tables.stationKind[s] <= 0) return Result::Nothing;
    auto& t = unit_.tables;
    sysclip::StationImage image;
    image.station = s;
    image.kind = t.stationKind[s];
    image.version = t.stationVersion[s];
    image.unitText = t.stationUnitText[s].substr(0, sysclip::kUnitTextMax);
    int x = 0, y = 0;
    if (hooks_.defaultPosition) hooks_.defaultPosition(s, 0, &x, &y);
    image.x = x;
    image.y = y;
    // Slots without a card go as zero-filled entries.
    for (auto& entry : image.cards) entry.emplace();
    for (int card = 1; card <= model::kCardSlots && t.cardKind[s][card - 1] > 0; ++card)
        image.cards[static_cast<std::size_t>(card - 1)] = captureUnit(s, card);
    port_.put(kClipStationFormat, sysclip::EncodeStation(image));
    select(s, 0);
    return Result::Done;
}

// ---- move ----

SystemClipboard::Result SystemClipboard::Move()
{
    const int s = unit_.g_curStation, card = unit_.g_curCard;
    if (s < 0 || s >= model::kStations || card < 1 || card > model::kCardSlots) return Result::Nothing;
    if (unit_.tables.cardKind[s][card - 1] <= 0) return Result::Nothing;
    std::string format, object;
    if (!copyCard(format, object)) return Result::Nothing;
    port_.put(format, object);
    // The source goes only when the clipboard gives the copy back whole.
    const std::optional<std::string> back = port_.get(format);
    if (!back || *back != object) return notice(clipmsg::CopyFailed, Result::Failed);

    const bool right = isRightHalf(std::string(model::fieldView(unit_.g_curUnitText)));
    const int first = format == kClipCardFormat ? card : (right ? card - 1 : card);
    select(s, first);
    undo_.Record(model::kStationUnit + 1);
    select(s, first);
    clearSlot(s, first);
    select(s, card);
    undo_.Record(model::kStationUnit);
    select(s, card);
    finish();
    return Result::Done;
}

void SystemClipboard::clearSlot(int station, int card)
{
    select(station, card);
    // The slots a unit takes with it (the right half, virtual cards, a station's cards).
    std::vector<int> slots{card};
    const std::string model(unit_.model());
    const std::string text(model::fieldView(unit_.g_curUnitText));
    if (card > 0 && (modelIs(model, "QV200W") || modelIs(model, "QV210W"))) slots.push_back(card + 1);
    if (card > 0 && (modelIs(model, "TQRQ ") || modelIs(model, "TQRC ")))
        for (int k = 0; k < 5 && k < static_cast<int>(text.size()); ++k)
            if (text[static_cast<std::size_t>(k)] == '1') slots.push_back(card + 1 + k);
    if (card == 0 && modelIs(model, "V8RTU"))
        for (int k = 1; k <= std::max(0, model::hexDigitValue(text.empty() ? '0' : text[0])); ++k) slots.push_back(k);
    unit_.ClearUnit(0);
    const std::string folder = unit_.workFolder;
    for (int c : slots) {
        if (c < 0 || c > model::kCardSlots) continue;
        std::error_code ec;
        for (const std::string& name : {model::unitDataPath(station, c), model::aconPath(station, c),
                                        model::commentFileName(station, c), model::figureFileName(station, c)})
            std::filesystem::remove(std::filesystem::path(folder) / name, ec);
    }
}

// ---- paste ----

bool SystemClipboard::writeUnit(int station, int card, const UnitImage& u, bool fixItems)
{
    const std::string folder = unit_.workFolder;
    const int lib = card - 1;
    char head[model::kHeadBytes + 12] = {};
    KRAVinA_Data_Get(station, lib, head, folder.c_str());
    const unsigned char* codes = u.body.data();
    const unsigned char* blocks = codes + sysclip::kCodeBytes;
    for (int b = 0; b < model::kUnitBlocks; ++b) {
        const unsigned char* blk = blocks + sysclip::kBlockBytes * b;
        KRAVinA_Data_XY_Set(b, sysclip::get32(blk + sysclip::kXOffset), sysclip::get32(blk + sysclip::kYOffset));
        const bool noCode = codes[5 * b] == 0;
        for (int i = 0; i < model::kBlockItems; ++i) {
            char item[model::kItemBytes + 1] = {};
            std::memcpy(item, blk + sysclip::kItemBytes * i, model::kItemBytes);
            if (fixItems && i == 10 && b >= 81 && b <= 92 && noCode) {
                std::memset(item, 0, sizeof item);
                std::memcpy(item, "**", 2);
            }
            if (fixItems && b == 0 && i == 51) {
                std::memset(item, 0, sizeof item);
                std::snprintf(item, sizeof item, "%X", static_cast<unsigned>(card - 1) & 0xF);
            }
            KRAVinA_Data_Item_Set(b, i, item);
        }
        for (int t = 0; t < model::kBlockTerms; ++t) {
            char term[model::kTermBytes + 1] = {};
            std::memcpy(term, blk + sysclip::kTermOffset + sysclip::kTermBytes * t, model::kTermBytes);
            KRAVinA_Data_Term_Set(b, t, term);
        }
    }
    std::memcpy(head, codes, sysclip::kCodeBytes);
    bool ok = KRAVinA_Data_Write(station, lib, head, folder.c_str()) == 0;

    // Analog lines: every record as copied, the ones without a line empty.
    const unsigned char* lines = blocks + sysclip::kBlockDataBytes;
    bool anyLine = false;
    for (int c = 0; c < model::kUnitBlocks; ++c)
        for (int d = 0; d < model::kBlockItems; ++d) {
            const unsigned char* line = lines + sysclip::kLineBytes * (100 * c + d);
            const int count = sysclip::get32(line + sysclip::kLinePointsOffset);
            if (count < 0) continue;
            int kind = 0, value = 0, colour = 0;
            char text[KRAVINA_CONNECTION_TEXT_SIZE] = {};
            KRAVinA_Acon_Get(station, lib, c, d, &kind, &value, &colour, text, folder.c_str());
            for (int p = 0; p < count; ++p)
                KRAVinA_Acon_Pnt_Set(c, d, p, sysclip::get16(line + sysclip::kLineXOffset + 2 * p),
                                     sysclip::get16(line + sysclip::kLineYOffset + 2 * p));
            const std::string lineText = fieldText(line + sysclip::kLineTextOffset, 8);
            ok = KRAVinA_Acon_Set(station, lib, c, d, count, sysclip::get32(line), sysclip::get32(line + 4),
                                  lineText.c_str()) == 0 && ok;
            anyLine = true;
        }
    if (anyLine) ok = KRAVinA_Acon_Write(station, lib, folder.c_str()) == 0 && ok;

    ok = KRAVinA_Comment_Write(u.comments.data(), folder.c_str(), model::commentFileName(station, card).c_str()) == 0 && ok;
    ok = KRAVinA_Tenbyou_Write(u.figures.data(), folder.c_str(), model::figureFileName(station, card).c_str()) == 0 && ok;
    return ok;
}

SystemClipboard::Result SystemClipboard::Paste()
{
    const int s = unit_.g_curStation, card = unit_.g_curCard;
    if (s < 0 || s >= model::kStations || card < 1 || card > model::kCardSlots) return Result::Nothing;
    if (port_.has(kClipQv200wFormat)) return pastePair(kClipQv200wFormat);
    if (port_.has(kClipQv210wFormat)) return pastePair(kClipQv210wFormat);
    if (!port_.has(kClipCardFormat)) return Result::Nothing;
    const std::optional<std::string> bytes = port_.get(kClipCardFormat);
    const std::optional<UnitImage> image = bytes ? sysclip::DecodeCard(*bytes) : std::nullopt;
    if (!image) return notice(clipmsg::ClipboardUnreadable, Result::Refused);
    return pasteCard(*image);
}

SystemClipboard::Result SystemClipboard::pasteCard(const UnitImage& u)
{
    const int s = unit_.g_curStation, card = unit_.g_curCard;
    auto& t = unit_.tables;
    const std::string kind = cardKindName(u.kind);
    if (kind.empty() || model::CheckKindPlacement(unit_.masters, t, s, card, kind, true) != 0)
        return notice(clipmsg::CannotApplySetting, Result::Refused);

    // Every check before the slot changes.
    int version = u.version;
    const std::string stationKind =
        t.stationKind[s] > 0 ? unit_.masters.station.name[static_cast<std::size_t>(t.stationKind[s])] : std::string();
    if (modelIs(stationKind, "V8RTU") || modelIs(kind, "V8RTU")) {
        const auto& sv = unit_.masters.station.versions[static_cast<std::size_t>(t.stationKind[s])];
        const std::string stationVersion = sv[static_cast<std::size_t>(t.stationVersion[s])].substr(0, 4);
        const auto& versions = unit_.masters.card.versions[static_cast<std::size_t>(u.kind)];
        int found = -1;
        for (int v = 0; v < model::kKindVersions && !versions[static_cast<std::size_t>(v)].empty(); ++v)
            if (versions[static_cast<std::size_t>(v)].substr(0, 4) == stationVersion) {
                found = v;
                break;
            }
        if (found == 1 && card > 8) return notice(clipmsg::CannotApplySetting, Result::Refused);
        version = std::max(found, 0);
    }
    const bool virtualCards = modelIs(kind, "TQRQ ") || modelIs(kind, "TQRC ");
    const int virtualKind = virtualCards ? unit_.masters.card.find(modelIs(kind, "TQRQ") ? "TQRQ$" : "TQRC$") : 0;

    if (hooks_.waitCursor) hooks_.waitCursor(true);
    select(s, card);
    undo_.Record(model::kStationUnit + 1);
    clearSlot(s, card);
    select(s, card);
    t.cardKind[s][card - 1] = u.kind;
    t.cardVersion[s][card - 1] = version;
    t.cardUnitText[s][card - 1] = u.unitText;
    t.forgetUnresolved(s, card - 1);
    position(s, card);
    select(s, card);
    bool ok = writeUnit(s, card, u, true);

    if (virtualKind > 0)
        for (int k = 0; k < 5 && card + k <= 15 && k < static_cast<int>(u.unitText.size()); ++k) {
            if (u.unitText[static_cast<std::size_t>(k)] != '1') continue;
            const int slot = card + 1 + k;
            if (t.cardKind[s][slot - 1] > 0) clearSlot(s, slot);
            t.cardKind[s][slot - 1] = virtualKind;
            t.cardVersion[s][slot - 1] = version;
            t.cardUnitText[s][slot - 1].clear();
            t.forgetUnresolved(s, slot - 1);
            position(s, slot);
        }
    if (modelIs(stationKind, "V8RTU")) {
        int n = 0;
        while (n < model::kCardSlots && t.cardKind[s][n] > 0) ++n;
        char digit[4];
        std::snprintf(digit, sizeof digit, "%X", static_cast<unsigned>(n) & 0xF);
        t.stationUnitText[s] = digit;
    }
    select(s, card);
    undo_.Record(model::kStationUnit);
    select(s, card);
    if (hooks_.waitCursor) hooks_.waitCursor(false);
    finish();
    return ok ? Result::Done : notice(clipmsg::WriteFailed, Result::Failed);
}

SystemClipboard::Result SystemClipboard::pastePair(const std::string& format)
{
    const int s = unit_.g_curStation, card = unit_.g_curCard;
    auto& t = unit_.tables;
    const std::optional<std::string> bytes = port_.get(format);
    const std::optional<sysclip::PairImage> pair = bytes ? sysclip::DecodePair(*bytes) : std::nullopt;
    const std::string model = format == kClipQv200wFormat ? "QV200W" : "QV210W";
    if (!pair) return notice(clipmsg::ClipboardUnreadable, Result::Refused);
    for (const UnitImage& u : pair->slots)
        if (!modelIs(cardKindName(u.kind), model)) return notice(clipmsg::ClipboardUnreadable, Result::Refused);

    const std::string here = t.cardKind[s][card - 1] > 0 ? cardKindName(t.cardKind[s][card - 1]) : std::string();
    const bool nextUsed = card < model::kCardSlots && t.cardKind[s][card] > 0;
    if (here.empty() && card == model::kCardSlots) return notice(clipmsg::CannotApply, Result::Refused);
    if (nextUsed && !modelIs(here, model)) return notice(clipmsg::CannotApply, Result::Refused);
    if (!here.empty() && !modelIs(here, model)) return notice(clipmsg::CannotApply, Result::Refused);
    const int start = modelIs(here, model) && isRightHalf(t.cardUnitText[s][card - 1]) ? card - 1 : card;
    if (start < 1 || start + 1 > model::kCardSlots ||
        model::CheckKindPlacement(unit_.masters, t, s, start, cardKindName(pair->slots[0].kind), true) != 0)
        return notice(clipmsg::CannotApply, Result::Refused);

    if (hooks_.waitCursor) hooks_.waitCursor(true);
    select(s, start);
    undo_.Record(model::kStationUnit + 1);
    clearSlot(s, start);
    bool ok = true;
    for (int k = 0; k < 2; ++k) {
        const int slot = start + k;
        const UnitImage& u = pair->slots[static_cast<std::size_t>(k)];
        if (t.cardKind[s][slot - 1] > 0) clearSlot(s, slot);
        t.cardKind[s][slot - 1] = u.kind;
        t.cardVersion[s][slot - 1] = u.version;
        t.cardUnitText[s][slot - 1] = u.unitText;
        t.forgetUnresolved(s, slot - 1);
        position(s, slot);
        select(s, slot);
        ok = writeUnit(s, slot, u, true) && ok;
    }
    select(s, start);
    undo_.Record(model::kStationUnit);
    select(s, card);
    if (hooks_.waitCursor) hooks_.waitCursor(false);
    finish();
    return ok ? Result::Done : notice(clipmsg::WriteFailed, Result::Failed);
}

SystemClipboard::Result SystemClipboard::EditPaste()
{
    const int s = unit_.g_curStation, card = unit_.g_curCard;
    if (s < 0 || s >= model::kStations || card < 0 || card > model::kCardSlots) return Result::Nothing;
    if (card == 0) return port_.has(kClipStationFormat) ? BulkPasteStation() : Result::Nothing;
    return Paste();
}

SystemClipboard::Result SystemClipboard::BulkPasteStation()
{
    const int s = unit_.g_curStation;
    if (s < 0 || s >= model::kStations || unit_.g_curCard != 0 || !port_.has(kClipStationFormat))
        return Result::Nothing;
    auto& t = unit_.tables;
    const std::optional<std::string> bytes = port_.get(kClipStationFormat);
    const std::optional<sysclip::StationImage> image = bytes ? sysclip::DecodeStation(*bytes) : std::nullopt;
    if (!image) return notice(clipmsg::ClipboardUnreadable, Result::Refused);
    const std::string stationKind =
        image->kind > 0 ? unit_.masters.station.name[static_cast<std::size_t>(image->kind)] : std::string();
    if (stationKind.empty()) return notice(clipmsg::ClipboardUnreadable, Result::Refused);
    for (const auto& entry : image->cards)
        if (entry && entry->kind > 0 && cardKindName(entry->kind).empty())
            return notice(clipmsg::ClipboardUnreadable, Result::Refused);
    // The station must be allowed here as if the slot were empty.
    model::SystemConfigTables trial = t;
    trial.stationKind[s] = 0;
    for (auto& k : trial.cardKind[s]) k = 0;
    if (model::CheckKindPlacement(unit_.masters, trial, s, 0, stationKind, true) != 0)
        return notice(clipmsg::CannotApplySetting, Result::Refused);

    if (hooks_.waitCursor) hooks_.waitCursor(true);
    select(s, 0);
    undo_.Record(model::kStationWhole + 1);
    // Every slot of the target is emptied first, so nothing of it outlives the paste.
    const std::string folder = unit_.workFolder;
    for (int card = model::kCardSlots; card >= 0; --card) {
        const bool placed = card == 0 ? t.stationKind[s] > 0 : t.cardKind[s][card - 1] > 0;
        if (placed) clearSlot(s, card);
        std::error_code ec;
        for (const std::string& name : {model::unitDataPath(s, card), model::aconPath(s, card),
                                        model::commentFileName(s, card), model::figureFileName(s, card)})
            std::filesystem::remove(std::filesystem::path(folder) / name, ec);
    }
    t.stationKind[s] = image->kind;
    t.stationVersion[s] = image->version;
    t.stationUnitText[s] = image->unitText;
    t.forgetUnresolved(s, -1);
    position(s, 0);
    select(s, 0);
    char head[model::kHeadBytes + 12] = {};
    KRAVinA_Data_Get(s, -1, head, folder.c_str());
    const char zeros[512] = {};
    bool ok = KRAVinA_Data_Write(s, -1, zeros, folder.c_str()) == 0;
    for (int k = 0; k < model::kCardSlots; ++k) {
        const auto& entry = image->cards[static_cast<std::size_t>(k)];
        if (!entry || entry->kind <= 0) continue;
        const int card = k + 1;
        t.cardKind[s][k] = entry->kind;
        t.cardVersion[s][k] = entry->version;
        t.cardUnitText[s][k] = entry->unitText;
        t.forgetUnresolved(s, k);
        position(s, card);
        select(s, card);
        ok = writeUnit(s, card, *entry, false) && ok;
    }
    select(s, 0);
    undo_.Record(model::kStationWhole);
    select(s, 0);
    if (hooks_.waitCursor) hooks_.waitCursor(false);
    finish();
    return ok ? Result::Done : notice(clipmsg::WriteFailed, Result::Failed);
}

}  // namespace kravin::editors

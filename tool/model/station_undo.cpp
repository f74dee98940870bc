#include "station_undo.h"

#include "KRAVinA.h"

#include <algorithm>
#include <filesystem>

namespace kravin::model {

namespace {

int pairKind(int kind) { return kind % 2 ? kind : kind - 1; }

// The table fields of one slot (card 0 = the station itself).
struct SlotFields {
    int& kind;
    int& version;
    std::string& text;
    std::string& comment;
    int& x;
    int& y;
    UnresolvedRecord& unresolved;

    SlotRecord read() const { return {kind, version, text, comment, x, y, unresolved}; }
    void write(const SlotRecord& r)
    {
        kind = r.kind;
        version = r.version;
        text = r.unitText;
        comment = r.comment;
        x = r.x;
        y = r.y;
        unresolved = r.unresolved;
    }
};

SlotFields fields(SystemConfigTables& t, int s, int card)
{
    const auto si = static_cast<std::size_t>(s);
    auto& unresolved = t.unresolved[si][static_cast<std::size_t>(card)];
    if (card == 0)
        return {t.stationKind[si], t.stationVersion[si], t.stationUnitText[si], t.stationComment[si],
                t.stationX[si],    t.stationY[si],       unresolved};
    const auto ci = static_cast<std::size_t>(card - 1);
    return {t.cardKind[si][ci], t.cardVersion[si][ci], t.cardUnitText[si][ci], t.cardComment[si][ci],
            t.cardX[si][ci],    t.cardY[si][ci],       unresolved};
}

bool validUnit(int station, int card) { return station >= 0 && station < kStations && card >= 0 && card <= kCardSlots; }

std::filesystem::path filePath(const std::string& folder, const std::string& name)
{
    return std::filesystem::path(folder) / name;
}

bool fileExists(const std::string& folder, const std::string& name)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(filePath(folder, name), ec);
}

bool removeFile(const std::string& folder, const std::string& name)
{
    std::error_code ec;
    std::filesystem::remove(filePath(folder, name), ec);
    return !ec;
}

// A unit's layer file as a block, or nothing when the unit has none.
std::optional<std::vector<unsigned char>> readLayer(const std::string& folder, const std::string& name,
                                                    std::size_t size, LayerFileRead read)
{
    if (!fileExists(folder, name)) return std::nullopt;
    std::vector<unsigned char> block(size);
    read(block.data(), folder.c_str(), name.c_str());
    return block;
}

// Puts a layer file back as it was: written, or removed when there was none.
bool restoreLayer(const std::string& folder, const std::string& name,
                  const std::optional<std::vector<unsigned char>>& block, LayerFileWrite write)
{
    if (block) return write(block->data(), folder.c_str(), name.c_str()) == 0;
    return !fileExists(folder, name) || removeFile(folder, name);
}

bool startsWith(const std::string& s, std::string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

std::vector<int> CStationUndo::unitSlots(int card) const
{
    std::vector<int> slots;
    if (card == 0) {
        // A station takes its cards with it (a remote I/O station clears them).
        for (int c = 0; c <= kCardSlots; ++c) slots.push_back(c);
        return slots;
    }
    // The slot before (the left half of a two-slot card) and the five after
    // (a two-slot card's right half, the virtual cards of a TQRQ or TQRC).
    for (int c = std::max(1, card - 1); c <= std::min(kCardSlots, card + 5); ++c) slots.push_back(c);
    return slots;
}

SlotImage CStationUndo::captureSlot(int station, int card)
{
    const std::string folder = host_.workFolder();
    SlotImage img;
    img.station = station;
    img.card = card;
    img.record = fields(host_.tables(), station, card).read();

    img.dataPresent = loadUnit(station, card, folder, img.head);
    if (img.dataPresent) {
        for (int b = 0; b < kUnitBlocks; ++b) {
            BlockImage block = readBlock(b);
            if (!block.empty()) img.blocks.emplace_back(b, std::move(block));
        }
    }
    img.aconPresent = fileExists(folder, aconPath(station, card));
    if (img.aconPresent) {
        for (int c = 0; c < kUnitBlocks; ++c)
            for (int d = 0; d < kBlockItems; ++d) {
                AconImage line = readAcon(station, card, c, d, folder);
                if (!line.empty()) img.lines.emplace_back(c * 100 + d, std::move(line));
            }
    }
    img.dconPresent = fileExists(folder, dconPath(station, card));
    if (img.dconPresent)
        for (int t = 0; t < 16; ++t) img.terminals[static_cast<std::size_t>(t)] = readDcon(station, card, 11 + t, folder);

    img.comments = readLayer(folder, commentFileName(station, card), kCommentBlockBytes, KRAVinA_Comment_Read);
    img.figures = readLayer(folder, figureFileName(station, card), kFigureBlockBytes, KRAVinA_Tenbyou_Read);
    return img;
}

bool CStationUndo::restoreSlot(const SlotImage& img)
{
    const std::string folder = host_.workFolder();
    const int station = img.station, card = img.card;
    fields(host_.tables(), station, card).write(img.record);
    bool ok = true;

    // Unit data: every block as saved, the rest empty.
    UnitHead head;
    const bool hadData = loadUnit(station, card, folder, head);
    if (img.dataPresent || hadData) {
        auto saved = img.blocks.begin();
        const BlockImage empty;
        for (int b = 0; b < kUnitBlocks; ++b) {
            const bool have = saved != img.blocks.end() && saved->first == b;
            const BlockImage& target = have ? saved->second : empty;
            if (have) ++saved;
            if (!(readBlock(b) == target)) putBlock(b, target);
        }
        ok = img.dataPresent ? writeUnit(station, card, img.head, folder) && ok
                             : removeFile(folder, unitDataPath(station, card)) && ok;
    }

    // Analog connections: the cached image is brought to the saved records, so
    // it also matches a file that is removed.
    if (img.aconPresent || fileExists(folder, aconPath(station, card))) {
        auto saved = img.lines.begin();
        const AconImage empty;
        for (int c = 0; c < kUnitBlocks; ++c)
            for (int d = 0; d < kBlockItems; ++d) {
                const bool have = saved != img.lines.end() && saved->first == c * 100 + d;
                const AconImage& target = have ? saved->second : empty;
                if (have) ++saved;
                if (!(readAcon(station, card, c, d, folder) == target))
                    ok = putAcon(station, card, c, d, target, folder) && ok;
            }
        ok = img.aconPresent ? KRAVinA_Acon_Write(station, libraryCard(card), folder.c_str()) == 0 && ok
                             : removeFile(folder, aconPath(station, card)) && ok;
    }

    if (img.dconPresent || fileExists(folder, dconPath(station, card))) {
        for (int t = 0; t < 16; ++t) {
            const DconImage target = img.dconPresent ? img.terminals[static_cast<std::size_t>(t)] : DconImage{};
            if (!(readDcon(station, card, 11 + t, folder) == target) || img.dconPresent)
                ok = writeDcon(station, card, 11 + t, target, folder) && ok;
        }
        if (!img.dconPresent) ok = removeFile(folder, dconPath(station, card)) && ok;
    }

    ok = restoreLayer(folder, commentFileName(station, card), img.comments, KRAVinA_Comment_Write) && ok;
    ok = restoreLayer(folder, figureFileName(station, card), img.figures, KRAVinA_Tenbyou_Write) && ok;
    return ok;
}

std::optional<TerminalImage> CStationUndo::captureTerminal(int station, int card, int terminal)
{
    if (!validUnit(station, card) || terminal < 11 || terminal > 26) return std::nullopt;
    const std::string folder = host_.workFolder();
    TerminalImage img;
    img.station = station;
    img.card = card;
    img.terminal = terminal;
    img.record = readDcon(station, card, terminal, folder);

    // A slot taken by a TQRC card keeps its links in block 1 of the owning card.
    const auto& masters = host_.masters();
    auto& tables = host_.tables();
    auto kindName = [&](int c) {
        const int k = c == 0 ? tables.stationKind[static_cast<std::size_t>(station)]
                             : tables.cardKind[static_cast<std::size_t>(station)][static_cast<std::size_t>(c - 1)];
        const auto& master = c == 0 ? masters.station : masters.card;
        return k > 0 && k < kKindEntries ? master.name[static_cast<std::size_t>(k)] : std::string();
    };
    img.holderCard = card;
    img.block = terminal;
    std::vector<int> itemIndexes;
    if (card > 0 && startsWith(kindName(card), "TQRC$")) {
        int owner = card - 1;
        while (owner > 0 && !startsWith(kindName(owner), "TQRC ")) --owner;
        if (owner > 0) {
            img.holderCard = owner;
            img.block = 1;
            itemIndexes.push_back(terminal + 17 * (card - owner) - 16);
        }
    }
    if (itemIndexes.empty())
        for (int i = 0; i < kBlockItems; ++i) itemIndexes.push_back(i);
    loadUnit(station, img.holderCard, folder, img.head);
    for (int i : itemIndexes) {
        if (i < 0 || i >= kBlockItems) continue;
        std::array<char, kItemBytes> item{};
        KRAVinA_Data_Item_Get(img.block, i, item.data());
        img.items.emplace_back(i, item);
    }
    return img;
}

bool CStationUndo::restoreTerminal(const TerminalImage& img)
{
    const std::string folder = host_.workFolder();
    bool ok = writeDcon(img.station, img.card, img.terminal, img.record, folder);
    UnitHead current;
    loadUnit(img.station, img.holderCard, folder, current);
    for (const auto& [i, item] : img.items) KRAVinA_Data_Item_Set(img.block, i, item.data());
    return writeUnit(img.station, img.holderCard, img.head, folder) && ok;
}

bool CStationUndo::save(int kind, StationUndoEntry entry)
{
    if (kind % 2 == 0) {
        saveBefore(kind, std::move(entry));
        return true;
    }
    return saveAfter(kind, std::move(entry));
}

bool CStationUndo::Record(int kind)
{
    const int pk = pairKind(kind);
    const int station = host_.currentStation(), card = host_.currentCard();
    StationUndoEntry entry{pk, station, card, {}};
    switch (pk) {
    case kStationUnit:
    case kStationWhole: {
        if (!validUnit(station, card)) return false;
        StationUndoEntry::Units units;
        for (int c : unitSlots(pk == kStationWhole ? 0 : card)) units.slots.push_back(captureSlot(station, c));
        entry.image = std::move(units);
        host_.selectUnit(station, pk == kStationWhole ? 0 : card);
        break;
    }
    case kStationLinkFirst:
    case kStationLinkSecond:
    case kStationLinkCurrent: {
        if (pk == kStationLinkCurrent) return RecordConnection(kind, {station, card - 1, host_.currentGroup()});
        UndoView* view = host_.activeView();
        if (!view || view->kind() != WiringViewKind::Comm) return false;
        return RecordConnection(kind, view->terminalSelection(pk == kStationLinkFirst ? 1 : 2));
    }
    default:
        return false;
    }
    return save(kind, std::move(entry));
}

bool CStationUndo::RecordConnection(int kind, const TerminalSelection& sel)
{
    const int pk = pairKind(kind);
    if (pk != kStationLinkFirst && pk != kStationLinkSecond && pk != kStationLinkCurrent) return false;
    const int station = host_.currentStation(), card = host_.currentCard();
    StationUndoEntry::Connection conn;
    auto end = captureTerminal(sel.station, sel.card + 1, sel.terminal);
    if (!end) return false;
    conn.ends.push_back(std::move(*end));
    if (sel.card == -1) {
        if (auto target = host_.linkTarget(sel.station, sel.card, sel.terminal))
            if (auto other = captureTerminal(target->station, target->card + 1, target->terminal))
                conn.ends.push_back(std::move(*other));
    }
    host_.selectUnit(station, card);
    return save(kind, {pk, station, card, std::move(conn)});
}

bool CStationUndo::RecordPosition(int kind, int station, int card)
{
    if (pairKind(kind) != kStationPosition || !validUnit(station, card)) return false;
    const SlotFields f = fields(host_.tables(), station, card);
    return save(kind, {kStationPosition, station, card, StationUndoEntry::Position{station, card, f.x, f.y}});
}

bool CStationUndo::RecordComment(int kind, int slot, const CommentRecord& record)
{
    if (kind < 13 || kind > 16) return false;
    return save(kind, {pairKind(kind), host_.currentStation(), host_.currentCard(), CommentSlot{slot, record}});
}

bool CStationUndo::RecordLink(int kind, const LinkRecord& record)
{
    if (pairKind(kind) != kStationLinkRecord) return false;
    return save(kind, {kStationLinkRecord, host_.currentStation(), host_.currentCard(), record});
}

bool CStationUndo::RecordFigure(int kind, int slot, const FigureRecord& record)
{
    if (pairKind(kind) != kStationFigure) return false;
    return save(kind, {kStationFigure, host_.currentStation(), host_.currentCard(), FigureSlot{slot, record}});
}

bool CStationUndo::restoreEntry(const StationUndoEntry& e, bool)
{
    bool ok = true;
    UndoView* view = host_.activeView();
    if (view && view->kind() != WiringViewKind::Comm) view = nullptr;

    if (const auto* units = std::get_if<StationUndoEntry::Units>(&e.image)) {
        for (const auto& slot : units->slots) ok = restoreSlot(slot) && ok;
        if (!units->slots.empty()) host_.selectUnit(e.station, e.kind == kStationWhole ? 0 : e.card);
    } else if (const auto* p = std::get_if<StationUndoEntry::Position>(&e.image)) {
        SlotFields f = fields(host_.tables(), p->station, p->card);
        f.x = p->x;
        f.y = p->y;
        // The header record carries the position too; write it at once.
        char kind[9] = {}, text[6] = {}, version[5] = {}, comment[33] = {};
        int x = 0, y = 0;
        const std::string folder = host_.workFolder();
        ok = KRAVinA_Proj_Get_Sys(p->station, libraryCard(p->card), kind, text, version, comment, &x, &y) == 0 &&
             KRAVinA_Proj_Update_Sys(1, p->station, libraryCard(p->card), kind, text, version, comment, p->x, p->y,
                                     folder.c_str()) == 0;
    } else if (const auto* conn = std::get_if<StationUndoEntry::Connection>(&e.image)) {
        for (const auto& end : conn->ends) ok = restoreTerminal(end) && ok;
        host_.selectUnit(e.station, e.card);
    } else if (const auto restored = RestoreViewImage(view, e.image)) {
        ok = *restored;
    }
    host_.setModified();
    return ok;
}

}  // namespace kravin::model

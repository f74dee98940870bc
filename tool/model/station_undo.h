// Undo store of the system configuration view, its card placement editor and
// the communication terminal connection view: whole units, whole stations,
// box positions, communication connections and the view's layer records.
#pragma once

#include "comment_layer.h"
#include "figure_layer.h"
#include "system_config.h"
#include "undo_store.h"
#include "undo_view.h"
#include "unit_files.h"

#include <optional>
#include <string>
#include <variant>

namespace kravin::model {

class StationUndoHost {
public:
    virtual ~StationUndoHost() = default;
    virtual std::string workFolder() const = 0;
    virtual SystemConfigTables& tables() = 0;
    virtual const CardKindMasters& masters() const = 0;
    virtual int currentStation() const = 0;  // g_curStation
    virtual int currentCard() const = 0;     // g_curCard (0 = the station)
    virtual int currentGroup() const = 0;    // the current unit's current block
    // Makes a unit current (SelectCurrentUnit and its block tables).
    virtual void selectUnit(int station, int card) = 0;
    virtual UndoView* activeView() = 0;
    // The other end of a station's communication link, from the link table.
    virtual std::optional<TerminalSelection> linkTarget(int station, int card, int terminal)
    {
        (void)station, (void)card, (void)terminal;
        return std::nullopt;
    }
    virtual void setModified() = 0;
};

// One station or card slot: its configuration entry and every file it owns.
// A slot's entries in the system configuration tables.
struct SlotRecord {
    int kind = 0, version = 0;
    std::string unitText, comment;
    int x = 0, y = 0;
    UnresolvedRecord unresolved;
};

struct SlotImage {
    int station = 0, card = 0;  // card 0 = the station itself
    SlotRecord record;
    bool dataPresent = false;
    UnitHead head{};
    std::vector<std::pair<int, BlockImage>> blocks;  // blocks that hold anything
    bool aconPresent = false;
    std::vector<std::pair<int, AconImage>> lines;  // c * 100 + d, records that hold anything
    bool dconPresent = false;
    std::array<DconImage, 16> terminals{};
    std::optional<std::vector<unsigned char>> comments, figures;
};

// A communication connection: the terminal's record and the items that carry the link.
struct TerminalImage {
    int station = 0, card = 0, terminal = 0;
    DconImage record;
    int holderCard = 0, block = 0;  // unit and block whose items hold the link
    std::vector<std::pair<int, std::array<char, kItemBytes>>> items;
    UnitHead head{};
};

struct StationUndoEntry {
    struct Units {
        std::vector<SlotImage> slots;
    };
    struct Position {
        int station = 0, card = 0, x = 0, y = 0;
    };
    struct Connection {
        std::vector<TerminalImage> ends;
    };
    int kind = 0;
    int station = 0, card = 0;  // the unit current when recorded
    std::variant<std::monostate, Units, Position, Connection, CommentSlot, LinkRecord, FigureSlot> image;
};

// Kinds (odd = after, even = before).
enum StationUndoKind {
    kStationUnit = 1,         // 1/2 one unit (with the slots it takes)
    kStationWhole = 3,        // 3/4 a station with its 16 card slots
    kStationPosition = 5,     // 5/6 one box position
    kStationLinkFirst = 7,    // 7/8 connection at the view's first selection
    kStationLinkSecond = 9,   // 9/10 at its second selection
    kStationLinkCurrent = 11, // 11/12 of the current unit's current block
    kStationCommentAdd = 13,  // 13/14
    kStationCommentChange = 15,
    kStationLinkRecord = 17,  // 17/18
    kStationFigure = 19,      // 19/20
};

class CStationUndo : public SnapshotStore<StationUndoEntry> {
public:
    explicit CStationUndo(StationUndoHost& host) : host_(host) {}

    void Clear() { clearHistory(); }

    // Kinds 1..4 act on the current unit / station, 7..12 on connections.
    bool Record(int kind);
    // Kinds 7..12 for the connection at a given terminal (card -1 = the station).
    bool RecordConnection(int kind, const TerminalSelection& terminal);
    // Kinds 5/6 for the box of station and card (0 = the station itself).
    bool RecordPosition(int kind, int station, int card);
    bool RecordComment(int kind, int slot, const CommentRecord& record);  // 13..16
    bool RecordLink(int kind, const LinkRecord& record);                  // 17, 18
    bool RecordFigure(int kind, int slot, const FigureRecord& record);    // 19, 20

    // The placement code of a box: station * 100 + card + 10001.
    static int placementCode(int station, int card) { return station * 100 + card + 10001; }

protected:
    bool restoreEntry(const StationUndoEntry& entry, bool undo) override;

private:
    bool save(int kind, StationUndoEntry entry);
    SlotImage captureSlot(int station, int card);
    bool restoreSlot(const SlotImage& slot);
    std::vector<int> unitSlots(int card) const;
    std::optional<TerminalImage> captureTerminal(int station, int card, int terminal);
    bool restoreTerminal(const TerminalImage& image);

    StationUndoHost& host_;
};

}  // namespace kravin::model

// The model side of the system configuration view: the selected unit boxes,
// their drag, stored moves and aligns, hit tests of boxes and terminals and
// the steps of a communication connection being drawn.
#pragma once

#include "station_undo.h"
#include "system_config.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kravin::model {

// One selected unit (card -1 = the station, 0..15 = cards).
struct CardRecord {
    int station = 0;
    int card = -1;
    int x = 0, y = 0;                // box position, sheet units
    std::array<int, 4> point{};      // hit-test point: units x, y and pixels x, y
    std::string kind, unitText, version, comment;  // the header record's texts
};

// An end of a communication connection: terminal is 11..26.
struct ConnectEnd {
    int station = -1, card = -1, terminal = -1;
    friend bool operator==(const ConnectEnd&, const ConnectEnd&) = default;
};

struct ConnectEnds {
    ConnectEnd first, second, third;
};

// What the editor needs of the rest of the tool.
class LayoutHost {
public:
    virtual ~LayoutHost() = default;
    virtual std::string workFolder() const = 0;
    virtual SystemConfigTables& tables() = 0;
    virtual CStationUndo& stationUndo() = 0;
    // The communication link table: whether a unit's slot is used, the kind
    // (1..4, 0 none) of its terminal t (0..15), and moving a unit, which
    // shifts the drawn ends of its links and of the links that point at it.
    virtual bool unitUsed(int station, int card) const = 0;
    virtual int terminalKind(int station, int card, int t) const = 0;
    virtual void moveUnitLinks(int station, int card, int x, int y) = 0;
    // Makes the unit current and loads its blocks (card -1 = the station).
    virtual void selectUnit(int station, int card) = 0;
    // Builds the connection between the chosen ends (MakeCommConnection).
    virtual void makeConnection(const ConnectEnds& ends) = 0;
    virtual void setModified() = 0;
};

constexpr int kBoxWidth = 25;        // a box spans X .. X + 25
constexpr int kBoxHalfHeight = 4;    // and Y - 4 .. Y + 4
constexpr std::size_t kSystemWorkRecordBytes = 1801328;

class CSysLayoutEditor {
public:
    explicit CSysLayoutEditor(LayoutHost& host) : host_(host) {}

    // 0 removed (toggle on a selected unit), 1 added, 2 already selected.
    int SelectCard(const CardRecord& record, bool toggle);
    void DeselectCard(const CardRecord& record);
    void ClearRecords();
    void SelectAll();
    bool HasRecords() const { return !records_.empty(); }
    bool HasMultipleRecords() const { return records_.size() > 1; }
    const std::vector<CardRecord>& records() const { return records_; }

    void BeginDrag(int x, int y);
    bool TrackDrag(int x, int y);
    void SetDragPoint(int x, int y);
    void SetDragDelta(int dx, int dy);
    bool EndDrag();
    bool dragMoving() const { return moving_; }

    // Stores every selected unit moved by the drag delta, as one undo step.
    // 1, or 0 when a position could not be written.
    int ApplyMove();
    bool AlignLeft(int width);
    bool AlignCenter(int width);
    bool AlignRight(int width);

    // Over more than one selected unit: top, bottom, right, left.
    bool GetSelectionBounds(int& top, int& bottom, int& right, int& left, int zoom) const;
    bool IsInsideBounds(int x, int y, int top, int bottom, int right, int left) const;

    // 0 nothing, 1 a box, 2 a terminal (with terminal true).
    int HitTestBox(int x, int y, CardRecord& record, int& terminal, bool terminals, int zoom, int scrollX,
                   int scrollY);
    std::optional<int> HitTestTerminal(int station, int card, int x, int y, int unitX, int unitY, int zoom,
                                       int scrollX, int scrollY);

    // Writes the record's position into the header, the tables and the link
    // table with its undo pair; false when the header could not be written.
    bool StoreCardPosition(CardRecord record);
    bool ReadCardTexts(int station, int card, CardRecord& record) const;

    // The connection being drawn: state 0 none, 1..9 as the view's tools set it.
    int connectState = 0;
    ConnectEnds ends;
    struct Point {
        int x = 0, y = 0;
    } rubberStart;  // where the rubber line starts, sheet units
    // Offers a clicked terminal (kind k 1..4) to the connection state.
    bool PickConnectTerminal(const ConnectEnd& clicked, int kind);

    // The selection for the clipboard: count, then the records.
    std::vector<unsigned char> Serialize() const;
    // Reads a serialised selection; nothing when the bytes are not one.
    static std::optional<std::vector<CardRecord>> Deserialize(const std::vector<unsigned char>& bytes);

    bool selectionMade() const { return selectionMade_; }
    bool terminalHit() const { return terminalHit_; }

private:
    bool storeAll(int (*place)(const CardRecord&, int), int width);

    LayoutHost& host_;
    int curX_ = 0, curY_ = 0, startX_ = 0, startY_ = 0;
    bool selectionMade_ = false, armed_ = false, moving_ = false, terminalHit_ = false;
    std::vector<CardRecord> records_;
};

// The large work record of the system view, allocated on first use and kept.
class SystemWorkRecord {
public:
    unsigned char* Get();

private:
    std::unique_ptr<unsigned char[]> data_;
};

}  // namespace kravin::model

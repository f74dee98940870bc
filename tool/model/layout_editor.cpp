#include "layout_editor.h"

#include "KRAVinA.h"
#include "text_codec.h"

#include <algorithm>
#include <cstring>

namespace kravin::model {

namespace {

bool sameUnit(const CardRecord& a, const CardRecord& b) { return a.station == b.station && a.card == b.card; }

int& tableX(SystemConfigTables& t, int station, int card)
{
    const auto s = static_cast<std::size_t>(station);
    return card < 0 ? t.stationX[s] : t.cardX[s][static_cast<std::size_t>(card)];
}

int& tableY(SystemConfigTables& t, int station, int card)
{
    const auto s = static_cast<std::size_t>(station);
    return card < 0 ? t.stationY[s] : t.cardY[s][static_cast<std::size_t>(card)];
}

bool validUnit(int station, int card) { return station >= 0 && station < kStations && card >= -1 && card < kCardSlots; }

// Vertical zone of a terminal of kind k (1..4) in zoom steps around the unit's
// pixel Y: upper terminals 0..7, lower 8..15.
struct Zone {
    int from, to;
};
constexpr Zone kUpper[5] = {{0, 0}, {-4, -2}, {-6, -4}, {-5, -1}, {-7, -4}};
constexpr Zone kLower[5] = {{0, 0}, {3, 5}, {5, 7}, {2, 6}, {5, 8}};
// The tip of a terminal, where a rubber line starts, in units from Y.
constexpr int kUpperTip[5] = {0, -4, -6, -4, -7};
constexpr int kLowerTip[5] = {0, 5, 7, 5, 8};

void putInt(std::vector<unsigned char>& out, std::int32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i)));
}

void putText(std::vector<unsigned char>& out, const std::string& s)
{
    putInt(out, static_cast<std::int32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

struct Reader {
    const std::vector<unsigned char>& bytes;
    std::size_t at = 0;
    bool getInt(int& v)
    {
        if (bytes.size() - at < 4) return false;
        std::uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= std::uint32_t(bytes[at + static_cast<std::size_t>(i)]) << (8 * i);
        at += 4;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool getText(std::string& s)
    {
        int n = 0;
        if (!getInt(n) || n < 0 || static_cast<std::size_t>(n) > bytes.size() - at) return false;
        s.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at) + n);
        at += static_cast<std::size_t>(n);
        return true;
    }
};

}  // namespace

int CSysLayoutEditor::SelectCard(const CardRecord& record, bool toggle)
{
    selectionMade_ = true;
    auto it = std::find_if(records_.begin(), records_.end(), [&](const CardRecord& r) { return sameUnit(r, record); });
    if (it != records_.end()) {
        if (!toggle) return 2;
        records_.erase(it);
        return 0;
    }
    if (!toggle) records_.clear();
    records_.push_back(record);
    return 1;
}

void CSysLayoutEditor::DeselectCard(const CardRecord& record)
{
    std::erase_if(records_, [&](const CardRecord& r) { return sameUnit(r, record); });
    terminalHit_ = false;
}

void CSysLayoutEditor::ClearRecords()
{
    records_.clear();
    selectionMade_ = false;
    terminalHit_ = false;
}

void CSysLayoutEditor::SelectAll()
{
    records_.clear();
    const auto& t = host_.tables();
    for (int s = 0; s < kStations; ++s)
        for (int c = -1; c < kCardSlots; ++c) {
            const int kind = c < 0 ? t.stationKind[static_cast<std::size_t>(s)]
                                   : t.cardKind[static_cast<std::size_t>(s)][static_cast<std::size_t>(c)];
            if (kind == 0) continue;
            CardRecord r;
            r.station = s;
            r.card = c;
            r.x = tableX(host_.tables(), s, c);
            r.y = tableY(host_.tables(), s, c);
            ReadCardTexts(s, c, r);
            records_.push_back(std::move(r));
        }
    selectionMade_ = !records_.empty();
}

void CSysLayoutEditor::BeginDrag(int x, int y)
{
    startX_ = curX_ = x;
    startY_ = curY_ = y;
    armed_ = true;
    moving_ = false;
}

bool CSysLayoutEditor::TrackDrag(int x, int y)
{
    if (moving_) return true;
    if (!armed_ || (x == curX_ && y == curY_)) return false;
    armed_ = false;
    moving_ = true;
    return true;
}

void CSysLayoutEditor::SetDragPoint(int x, int y)
{
    curX_ = x;
    curY_ = y;
    moving_ = true;
}

void CSysLayoutEditor::SetDragDelta(int dx, int dy)
{
    curX_ = startX_ + dx;
    curY_ = startY_ + dy;
}

bool CSysLayoutEditor::EndDrag()
{
    const bool moved = moving_;
    armed_ = moving_ = terminalHit_ = false;
    return moved;
}

int CSysLayoutEditor::ApplyMove()
{
    const int dx = curX_ - startX_, dy = curY_ - startY_;
    bool ok = true;
    {
        UndoStep<CStationUndo> step(host_.stationUndo());
        for (CardRecord r : std::vector<CardRecord>(records_)) {
            r.x += dx;
            r.y += dy;
            ok = StoreCardPosition(r) && ok;
        }
    }
    curX_ = curY_ = startX_ = startY_ = 0;
    return ok ? 1 : 0;
}

bool CSysLayoutEditor::storeAll(int (*place)(const CardRecord&, int), int width)
{
    bool ok = true;
    UndoStep<CStationUndo> step(host_.stationUndo());
    for (CardRecord r : std::vector<CardRecord>(records_)) {
        r.x = place(r, width);
        ok = StoreCardPosition(r) && ok;
    }
    return ok;
}

bool CSysLayoutEditor::AlignLeft(int width)
{
    return storeAll([](const CardRecord&, int) { return 1; }, width);
}

bool CSysLayoutEditor::AlignCenter(int width)
{
    return storeAll([](const CardRecord&, int w) { return w / 2 - 8; }, width);
}

bool CSysLayoutEditor::AlignRight(int width)
{
    return storeAll([](const CardRecord&, int w) { return w - 27; }, width);
}

bool CSysLayoutEditor::GetSelectionBounds(int& top, int& bottom, int& right, int& left, int zoom) const
{
    if (records_.size() <= 1) return false;
    top = 25000 * zoom / 16;
    bottom = 0;
    right = 0;
    left = 3600 * zoom / 16;
    for (const auto& r : records_) {
        top = std::min(top, r.y);
        bottom = std::max(bottom, r.y);
        right = std::max(right, r.x);
        left = std::min(left, r.x);
    }
    return true;
}

bool CSysLayoutEditor::IsInsideBounds(int x, int y, int top, int bottom, int right, int left) const
{
    return records_.size() <= 1 || (left <= x && x <= right && top <= y && y <= bottom);
}

int CSysLayoutEditor::HitTestBox(int x, int y, CardRecord& record, int& terminal, bool terminals, int zoom,
                                 int scrollX, int scrollY)
{
    if (zoom <= 0) return 0;
    const int ux = (x + scrollX) / zoom, uy = (y + scrollY) / zoom;
    auto& t = host_.tables();
    for (int s = 0; s < kStations; ++s)
        for (int c = -1; c < kCardSlots; ++c) {
            if (!host_.unitUsed(s, c)) continue;
            const int bx = tableX(t, s, c), by = tableY(t, s, c);
            std::optional<int> term;
            if (terminals) term = HitTestTerminal(s, c, x, y, bx, by, zoom, scrollX, scrollY);
            const bool box = bx <= ux && ux <= bx + kBoxWidth && by - kBoxHalfHeight <= uy && uy <= by + kBoxHalfHeight;
            if (!term && !box) continue;
            record = CardRecord{};
            record.station = s;
            record.card = c;
            record.x = bx;
            record.y = by;
            record.point = {ux, uy, x, y};
            if (term) {
                terminal = *term;
                terminalHit_ = true;
                return 2;
            }
            return 1;
        }
    return 0;
}

std::optional<int> CSysLayoutEditor::HitTestTerminal(int station, int card, int x, int y, int unitX, int unitY,
                                                     int zoom, int scrollX, int scrollY)
{
    const int py = zoom * unitY - scrollY;
    for (int t = 0; t < 16; ++t) {
        const int col = unitX + (t % 8) * 3;
        if (x < zoom * col - scrollX || x > zoom * (col + 3) - scrollX) continue;
        const int k = host_.terminalKind(station, card, t);
        if (k < 1 || k > 4) continue;
        const Zone z = t < 8 ? kUpper[k] : kLower[k];
        if (y < py + z.from * zoom || y > py + z.to * zoom) continue;

        host_.selectUnit(station, card);
        if (records_.size() > 1) return t;
        if (connectState == 0) rubberStart = {col + 2, unitY + (t < 8 ? kUpperTip[k] : kLowerTip[k])};
        if (PickConnectTerminal({station, card, t + 11}, k) && (connectState == 8 || connectState == 9)) {
            auto& undo = host_.stationUndo();
            const TerminalSelection first{ends.first.station, ends.first.card, ends.first.terminal};
            undo.RecordConnection(8, first);
            host_.makeConnection(ends);
            connectState = 0;
            undo.RecordConnection(7, first);
            host_.setModified();
        }
        return t;
    }
    return std::nullopt;
}

bool CSysLayoutEditor::PickConnectTerminal(const ConnectEnd& clicked, int kind)
{
    switch (connectState * 10 + kind) {
    case 53:
        ends.first = clicked;
        connectState = 6;
        return true;
    case 51:
        ends.first = clicked;
        connectState = 7;
        return true;
    case 14:
    case 32:
        ends.second = clicked;
        return true;
    case 13:
    case 31:
        if (clicked == ends.first) return false;
        ends.third = clicked;
        connectState = connectState == 1 ? 8 : 9;
        return true;
    case 23:
    case 41:
        ends.first = clicked;
        return true;
    default:
        return false;
    }
}

bool CSysLayoutEditor::ReadCardTexts(int station, int card, CardRecord& record) const
{
    char kind[9] = {}, text[6] = {}, version[5] = {}, comment[33] = {};
    int x = 0, y = 0;
    if (KRAVinA_Proj_Get_Sys(station, card, kind, text, version, comment, &x, &y) != 0) return false;
    record.kind = fieldText(kind, 8);
    record.unitText = fieldText(text, 5);
    record.version = fieldText(version, 4);
    record.comment = fieldText(comment, 32);
    return true;
}

bool CSysLayoutEditor::StoreCardPosition(CardRecord record)
{
    if (!validUnit(record.station, record.card)) return false;
    auto& undo = host_.stationUndo();
    const int toolCard = record.card + 1;
    undo.RecordPosition(6, record.station, toolCard);
    // The header keeps its own texts; only the position changes.
    ReadCardTexts(record.station, record.card, record);
    const std::string folder = host_.workFolder();
    const bool written = KRAVinA_Proj_Update_Sys(1, record.station, record.card, record.kind.c_str(),
                                                 record.unitText.c_str(), record.version.c_str(),
                                                 record.comment.c_str(), record.x, record.y, folder.c_str()) == 0;
    tableX(host_.tables(), record.station, record.card) = record.x;
    tableY(host_.tables(), record.station, record.card) = record.y;
    host_.moveUnitLinks(record.station, record.card, record.x, record.y);
    for (auto& r : records_)
        if (sameUnit(r, record)) r = record;
    undo.RecordPosition(5, record.station, toolCard);
    host_.setModified();
    return written;
}

std::vector<unsigned char> CSysLayoutEditor::Serialize() const
{
    std::vector<unsigned char> out;
    putInt(out, static_cast<std::int32_t>(records_.size()));
    for (const auto& r : records_) {
        for (int v : {r.station, r.card, r.x, r.y, r.point[0], r.point[1], r.point[2], r.point[3]}) putInt(out, v);
        for (const auto* s : {&r.kind, &r.unitText, &r.version, &r.comment}) putText(out, *s);
    }
    return out;
}

std::optional<std::vector<CardRecord>> CSysLayoutEditor::Deserialize(const std::vector<unsigned char>& bytes)
{
    Reader in{bytes};
    int count = 0;
    if (!in.getInt(count) || count < 0 || count > kStations * (kCardSlots + 1)) return std::nullopt;
    std::vector<CardRecord> records(static_cast<std::size_t>(count));
    for (auto& r : records) {
        for (int* v : {&r.station, &r.card, &r.x, &r.y, &r.point[0], &r.point[1], &r.point[2], &r.point[3]})
            if (!in.getInt(*v)) return std::nullopt;
        for (auto* s : {&r.kind, &r.unitText, &r.version, &r.comment})
            if (!in.getText(*s)) return std::nullopt;
        if (!validUnit(r.station, r.card)) return std::nullopt;
    }
    if (in.at != bytes.size()) return std::nullopt;
    return records;
}

unsigned char* SystemWorkRecord::Get()
{
    if (!data_) data_ = std::make_unique<unsigned char[]>(kSystemWorkRecordBytes);  // zeroed
    return data_.get();
}

}  // namespace kravin::model

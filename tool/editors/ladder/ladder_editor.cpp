#include "ladder_editor.h"

#include <algorithm>

namespace kravin::ladder {

namespace {

constexpr int kLastRow = kLadderRows - 1;

// Coil kinds 7..12 in key order O, N, S, R, E, J.
int CoilKindOfKey(LadderKey key)
{
    switch (key) {
    case LadderKey::Out: return 7;
    case LadderKey::OutNot: return 8;
    case LadderKey::Set: return 9;
    case LadderKey::Reset: return 10;
    case LadderKey::OneShot: return 11;
    case LadderKey::Branch: return 12;
    default: return 0;
    }
}

LadderKey KeyOfCoilKind(int kind)
{
    switch (kind) {
    case 7: return LadderKey::Out;
    case 8: return LadderKey::OutNot;
    case 9: return LadderKey::Set;
    case 10: return LadderKey::Reset;
    case 11: return LadderKey::OneShot;
    case 12: return LadderKey::Branch;
    default: return LadderKey::None;
    }
}

// Cell or coil value 10000..119999 naming a terminal.
bool NamesTerminal(int32_t v) { return v >= 10000 && v < 120000; }

}  // namespace

LadderKey LetterKey(char letter)
{
    switch (letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter) {
    case 'P': return LadderKey::Step;
    case 'T': return LadderKey::Timer;
    case 'A': return LadderKey::ContactNO;
    case 'B': return LadderKey::ContactNC;
    case 'O': return LadderKey::Out;
    case 'N': return LadderKey::OutNot;
    case 'S': return LadderKey::Set;
    case 'R': return LadderKey::Reset;
    case 'E': return LadderKey::OneShot;
    case 'J': return LadderKey::Branch;
    case 'Y': return LadderKey::Connect;
    case 'U': return LadderKey::OrLine;
    case 'I': return LadderKey::Comment;
    default: return LadderKey::None;
    }
}

bool IsNavigationKey(const KeyPress& key)
{
    switch (key.key) {
    case LadderKey::Enter:
    case LadderKey::Home:
    case LadderKey::PageUp:
    case LadderKey::PageDown:
    case LadderKey::Left:
    case LadderKey::Up:
    case LadderKey::Right:
    case LadderKey::Down: return true;
    default: return false;
    }
}

LadderEditor::LadderEditor(LadderContext& ctx, LadderEditorHost& host) : ctx_(ctx), host_(host), undo_(*this) {}

// ---- undo host ----

void LadderEditor::setView(int scroll, int column, int row) { SetCursor(scroll + row, column); }

model::LadderRow LadderEditor::row(int r) const
{
    model::LadderRow out;
    for (int c = 0; c < kLadderCols; ++c) out.cells[static_cast<std::size_t>(c)] = ctx_.Cell(r, c);
    out.coil = ctx_.g_ladderCoils[r];
    out.link = ctx_.g_ladderLinks[r];
    return out;
}

void LadderEditor::setRow(int r, const model::LadderRow& row)
{
    if (r < 0 || r >= kLadderRows) return;
    for (int c = 0; c < kLadderCols; ++c) ctx_.Cell(r, c) = row.cells[static_cast<std::size_t>(c)];
    ctx_.g_ladderCoils[r] = row.coil;
    ctx_.g_ladderLinks[r] = row.link;
}

std::vector<model::LadderRow> LadderEditor::clipRows() const
{
    const LadderClipRows& clip = ctx_.g_ladderClipRows;
    std::vector<model::LadderRow> rows;
    for (int i = 0; i < clip.count; ++i) {
        model::LadderRow r;
        for (int c = 0; c < kLadderCols; ++c) r.cells[static_cast<std::size_t>(c)] = clip.cells[i][c];
        r.coil = clip.coils[i];
        r.link = clip.links[i];
        rows.push_back(r);
    }
    return rows;
}

// ---- cursor ----

void LadderEditor::SetCursor(int row, int col)
{
    ctx_.g_ladderCursor.row = std::clamp(row, 0, kLastRow);
    ctx_.g_ladderCursor.col = std::clamp(col, 0, kCoilCol);
}

void LadderEditor::nextRow()
{
    GridPos& c = ctx_.g_ladderCursor;
    if (c.row < kLastRow) ++c.row;
    c.col = 0;
}

void LadderEditor::cursorRight()
{
    GridPos& c = ctx_.g_ladderCursor;
    if (c.col < kCoilCol) {
        ++c.col;
    } else if (c.row < kLastRow) {
        ++c.row;
        c.col = 0;
    }
}

EditResult LadderEditor::move(LadderKey key)
{
    GridPos& c = ctx_.g_ladderCursor;
    const GridPos was = c;
    switch (key) {
    case LadderKey::Up:
        if (c.row > 0) --c.row;
        break;
    case LadderKey::Down:
        if (c.row < kLastRow) ++c.row;
        break;
    case LadderKey::Enter:
    case LadderKey::Right: cursorRight(); break;
    case LadderKey::Left:
        if (c.col > 0) {
            --c.col;
        } else if (c.row > 0) {
            --c.row;
            c.col = kCoilCol;
        }
        break;
    case LadderKey::PageUp: c.row = std::max(0, c.row - PageRows()); break;
    case LadderKey::PageDown: c.row = std::min(kLastRow, c.row + PageRows()); break;
    default: break;
    }
    return c == was ? EditResult::Nothing : EditResult::Moved;
}

// ---- commands ----

void LadderEditor::changed() { ctx_.g_ladderEdited = true; }

EditResult LadderEditor::EditCommand(const KeyPress& key)
{
    if (key.key == LadderKey::None) return EditResult::Nothing;
    if (key.key == LadderKey::Home) {
        host_.toggleKeyHelp();
        return EditResult::Nothing;
    }
    if (IsNavigationKey(key)) return move(key.key);
    // Online the grid must stay as the controller runs it.
    if (host_.online()) {
        host_.beep();
        return EditResult::Refused;
    }
    return edit(key);
}

EditResult LadderEditor::edit(const KeyPress& key)
{
    const GridPos cur = ctx_.g_ladderCursor;
    const bool coilColumn = cur.col == kCoilCol;
    const int32_t here = coilColumn ? ctx_.g_ladderCoils[cur.row] : ctx_.Cell(cur.row, cur.col);
    switch (key.key) {
    case LadderKey::Digit: {
        if (key.digit < 0 || key.digit > 9) return EditResult::Nothing;
        if (coilColumn) {
            if (!IsOutputCoil(here)) return EditResult::Nothing;
            return coil(ValueKind(here), key.digit);
        }
        if (IsContact(here)) return contact(IsNormallyOpen(here), key.digit);
        if (IsStepCell(here)) return step(key.digit);
        return EditResult::Nothing;
    }
    case LadderKey::Step: return step(-1);
    case LadderKey::Timer: return timer();
    case LadderKey::ContactNO: return contact(true, -1);
    case LadderKey::ContactNC: return contact(false, -1);
    case LadderKey::Out:
    case LadderKey::OutNot:
    case LadderKey::Set:
    case LadderKey::Reset:
    case LadderKey::OneShot:
    case LadderKey::Branch: return coil(CoilKindOfKey(key.key), -1);
    case LadderKey::Connect: return connect();
    case LadderKey::OrLine: return orLine();
    case LadderKey::Delete: return key.ctrl ? deleteRow() : deleteElement();
    case LadderKey::Insert: return key.ctrl ? insertRow() : EditResult::Nothing;
    case LadderKey::Backspace: return backspace();
    case LadderKey::Comment: return key.ctrl ? comment() : EditResult::Nothing;
    default: return EditResult::Nothing;
    }
}

EditResult LadderEditor::step(int digit)
{
    const GridPos cur = ctx_.g_ladderCursor;
    if (cur.col != 0) return EditResult::Nothing;
    const int32_t v = ctx_.Cell(cur.row, 0);
    const bool stepHere = IsStepCell(v) && v - 130000 <= 19;
    if (!(v == kCellEmpty || v == kCellWire || stepHere)) return EditResult::Nothing;
    const int initial = digit >= 0 ? 100 + digit : stepHere ? v - 130000 : -1;
    const auto n = host_.askStepNumber(initial);
    if (!n || *n < 0 || *n > 19) return EditResult::Nothing;
    undo_.Record(2);
    ctx_.Cell(cur.row, 0) = MakeStepValue(*n);
    for (int c = 1; c < kLadderCols; ++c) ctx_.Cell(cur.row, c) = kCellWire;
    ctx_.g_ladderCoils[cur.row] = kCoilWire;
    undo_.Record(1);
    changed();
    nextRow();
    return EditResult::Changed;
}

EditResult LadderEditor::timer()
{
    const GridPos cur = ctx_.g_ladderCursor;
    if (cur.col != 0) return EditResult::Nothing;
    const auto t = host_.askTimer(ctx_.Cell(cur.row, 0));
    if (!t || t->kind < 0 || t->kind > 9 || t->seconds < 0 || t->seconds > 999) return EditResult::Nothing;
    undo_.Record(2);
    ctx_.g_ladderCoils[cur.row] = kCoilWire;
    ctx_.Cell(cur.row, 0) = MakeTimerValue(t->kind, t->seconds);
    for (int c = 1; c < kLadderCols; ++c) ctx_.Cell(cur.row, c) = kCellWire;
    undo_.Record(1);
    changed();
    nextRow();
    return EditResult::Changed;
}

EditResult LadderEditor::contact(bool normallyOpen, int digit)
{
    const GridPos cur = ctx_.g_ladderCursor;
    if (cur.col >= kCoilCol) return EditResult::Nothing;
    const int32_t v = ctx_.Cell(cur.row, cur.col);
    if (!(v == kCellEmpty || v == kCellWire || IsContact(v))) return EditResult::Nothing;
    const int initial = digit >= 0 ? 10000 + digit : IsContact(v) ? v % 10000 : -1;
    const auto kknn = host_.askParameter(normallyOpen ? 0 : 1, initial);
    if (!kknn || *kknn < 0 || *kknn > 9999) return EditResult::Nothing;
    if (*kknn % 100 == 0) {
        host_.message(laddermsg::TerminalZero);
        return EditResult::Nothing;
    }
    undo_.Record(2);
    ctx_.Cell(cur.row, cur.col) = (normallyOpen ? 10000 : 20000) + *kknn;
    undo_.Record(1);
    changed();
    cursorRight();
    return EditResult::Changed;
}

EditResult LadderEditor::coil(int kind, int digit)
{
    const GridPos cur = ctx_.g_ladderCursor;
    const int32_t first = ctx_.Cell(cur.row, 0);
    if (!(first == kCellEmpty || first == kCellWire || IsContact(first))) return EditResult::Nothing;
    const int32_t present = ctx_.g_ladderCoils[cur.row];
    const int initial = digit >= 0                                            ? 10000 + digit
                        : IsOutputCoil(present) && ValueKind(present) == kind ? present % 10000
                                                                              : -1;
    const auto kknn = host_.askParameter(kind - 5, initial);
    if (!kknn || *kknn < 0 || *kknn > 9999) return EditResult::Nothing;
    undo_.Record(2);
    ctx_.g_ladderCoils[cur.row] = kind * 10000 + *kknn;
    for (int c = cur.col; c < kLadderCols; ++c)
        if (ctx_.Cell(cur.row, c) == kCellEmpty) ctx_.Cell(cur.row, c) = kCellWire;
    undo_.Record(1);
    changed();
    nextRow();
    return EditResult::Changed;
}

EditResult LadderEditor::connect()
{
    const GridPos cur = ctx_.g_ladderCursor;
    undo_.Record(2);
    if (cur.col == kCoilCol)
        ctx_.g_ladderCoils[cur.row] = kCoilWire;
    else
        ctx_.Cell(cur.row, cur.col) = kCellWire;
    undo_.Record(1);
    changed();
    if (cur.col == kCoilCol)
        nextRow();
    else
        cursorRight();
    return EditResult::Changed;
}

EditResult LadderEditor::orLine()
{
    const GridPos cur = ctx_.g_ladderCursor;
    if (cur.col < 1 || cur.row < 1) return EditResult::Nothing;
    const int bit = cur.col - 1;
    undo_.Record(2);
    ctx_.SetLink(cur.row - 1, bit, !ctx_.Link(cur.row - 1, bit));
    undo_.Record(1);
    changed();
    return EditResult::Changed;
}

EditResult LadderEditor::deleteElement()
{
    const GridPos cur = ctx_.g_ladderCursor;
    undo_.Record(2);
    if (cur.col == kCoilCol)
        ctx_.g_ladderCoils[cur.row] = kCoilNone;
    else
        ctx_.Cell(cur.row, cur.col) = kCellEmpty;
    undo_.Record(1);
    changed();
    return EditResult::Changed;
}

EditResult LadderEditor::backspace()
{
    const GridPos cur = ctx_.g_ladderCursor;
    if (cur.col < 1) return EditResult::Nothing;
    const int left = cur.col - 1;
    undo_.Record(2);
    ctx_.Cell(cur.row, left) = kCellEmpty;
    if (cur.row > 0 && ctx_.Link(cur.row - 1, left) && !ctx_.Link(cur.row, left))
        ctx_.SetLink(cur.row - 1, left, false);
    undo_.Record(1);
    changed();
    ctx_.g_ladderCursor.col = left;
    return EditResult::Changed;
}

bool LadderEditor::rowBlank(int r) const
{
    for (int c = 0; c < kLadderCols; ++c)
        if (ctx_.Cell(r, c) != kCellEmpty) return false;
    return ctx_.g_ladderCoils[r] <= 0 && ctx_.g_ladderLinks[r] == 0;
}

bool LadderEditor::rowHolds(int r) const
{
    for (int c = 0; c < kLadderCols; ++c)
        if (ctx_.Cell(r, c) >= 0) return true;
    return ctx_.g_ladderCoils[r] > 0 || ctx_.g_ladderLinks[r] != 0;
}

EditResult LadderEditor::insertRow()
{
    const int r = ctx_.g_ladderCursor.row;
    if (!rowBlank(kLastRow)) {
        host_.message(laddermsg::CannotInsert);
        return EditResult::Refused;
    }
    for (int i = kLastRow; i > r; --i) setRow(i, row(i - 1));
    model::LadderRow blank;
    blank.cells.fill(kCellEmpty);
    blank.link = r > 0 ? ctx_.g_ladderLinks[r - 1] : 0;
    setRow(r, blank);
    if (r > 0) ctx_.g_ladderLinks[r - 1] = 0;
    undo_.Record(5);
    changed();
    return EditResult::Changed;
}

EditResult LadderEditor::deleteRow()
{
    const int r = ctx_.g_ladderCursor.row;
    undo_.Record(6);
    if (r > 0) ctx_.g_ladderLinks[r - 1] = ctx_.g_ladderLinks[r];
    for (int i = r; i < kLastRow; ++i) setRow(i, row(i + 1));
    model::LadderRow blank;
    blank.cells.fill(kCellEmpty);
    setRow(kLastRow, blank);
    ctx_.g_ladderLinks[kLastRow - 1] = 0;
    changed();
    return EditResult::Changed;
}

EditResult LadderEditor::comment()
{
    if (!ctx_.g_ladderShowComments) return EditResult::Nothing;
    const GridPos cur = ctx_.g_ladderCursor;
    const int32_t v = cur.col == kCoilCol ? ctx_.g_ladderCoils[cur.row] : ctx_.Cell(cur.row, cur.col);
    if (!NamesTerminal(v)) return EditResult::Nothing;
    const int kk = ValueBlock(v), nn = ValueTerminal(v);
    const std::string name = host_.definitionTerminalName(kk, nn);
    if (name.empty() || name.rfind("NON", 0) == 0) {
        host_.message(laddermsg::NoTerminal);
        return EditResult::Nothing;
    }
    const auto text = host_.askComment(host_.terminalComment(kk, nn));
    if (!text) return EditResult::Nothing;
    undo_.Record(4);
    if (!host_.storeTerminalComment(kk, nn, *text)) {
        host_.message(laddermsg::CommentNotWritten);
        return EditResult::Refused;
    }
    undo_.Record(3);
    changed();
    return EditResult::Changed;
}

EditResult LadderEditor::RunCommand(int id)
{
    if (host_.online()) {
        host_.beep();
        return EditResult::Refused;
    }
    switch (id) {
    case laddercmd::Step: return edit({LadderKey::Step});
    case laddercmd::Timer: return edit({LadderKey::Timer});
    case laddercmd::ContactNO: return edit({LadderKey::ContactNO});
    case laddercmd::ContactNC: return edit({LadderKey::ContactNC});
    case laddercmd::Out: return edit({LadderKey::Out});
    case laddercmd::OutNot: return edit({LadderKey::OutNot});
    case laddercmd::Set: return edit({LadderKey::Set});
    case laddercmd::Reset: return edit({LadderKey::Reset});
    case laddercmd::OneShot: return edit({LadderKey::OneShot});
    case laddercmd::Branch: return edit({LadderKey::Branch});
    case laddercmd::Connect: return edit({LadderKey::Connect});
    case laddercmd::Delete: return edit({LadderKey::Delete});
    case laddercmd::OrLine: return edit({LadderKey::OrLine});
    case laddercmd::InsertRow: return edit({LadderKey::Insert, true});
    case laddercmd::DeleteRow: return edit({LadderKey::Delete, true});
    case laddercmd::Comment: return edit({LadderKey::Comment, true});
    case laddercmd::Move: return CutRung();
    case laddercmd::Copy: return CopyRung();
    case laddercmd::Paste: return PasteRows();
    default: return EditResult::Nothing;
    }
}

EditResult LadderEditor::EditElement()
{
    if (host_.online()) {
        host_.beep();
        return EditResult::Refused;
    }
    const GridPos cur = ctx_.g_ladderCursor;
    if (cur.col == kCoilCol) {
        const LadderKey k = KeyOfCoilKind(ValueKind(ctx_.g_ladderCoils[cur.row]));
        return ctx_.g_ladderCoils[cur.row] > 0 && k != LadderKey::None ? edit({k}) : EditResult::Nothing;
    }
    const int32_t v = ctx_.Cell(cur.row, cur.col);
    if (IsContact(v)) return edit({IsNormallyOpen(v) ? LadderKey::ContactNO : LadderKey::ContactNC});
    if (IsStepCell(v)) return edit({LadderKey::Step});
    if (IsTimerCell(v)) return edit({LadderKey::Timer});
    return EditResult::Nothing;
}

// ---- rung clipboard ----

std::pair<int, int> LadderEditor::RungRows(int r) const
{
    int first = r;
    while (first > 0 && ctx_.g_ladderLinks[first - 1] != 0) --first;
    int last = r;
    while (last < kLastRow && ctx_.g_ladderLinks[last] != 0) ++last;
    return {first, last - first + 1};
}

EditResult LadderEditor::CopyRung()
{
    const auto [first, count] = RungRows(ctx_.g_ladderCursor.row);
    LadderClipRows& clip = ctx_.g_ladderClipRows;
    clip = LadderClipRows{};
    clip.count = count;
    clip.firstRow = first;
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < kLadderCols; ++c) clip.cells[i][c] = ctx_.Cell(first + i, c);
        clip.coils[i] = ctx_.g_ladderCoils[first + i];
        clip.links[i] = ctx_.g_ladderLinks[first + i];
    }
    return EditResult::Nothing;
}

EditResult LadderEditor::CutRung()
{
    if (host_.online()) {
        host_.beep();
        return EditResult::Refused;
    }
    CopyRung();
    const int first = ctx_.g_ladderClipRows.firstRow, count = ctx_.g_ladderClipRows.count;
    undo_.Record(7, first);
    for (int i = first; i < kLadderRows; ++i) {
        if (i + count < kLadderRows) {
            setRow(i, row(i + count));
        } else {
            model::LadderRow blank;
            blank.cells.fill(kCellEmpty);
            setRow(i, blank);
        }
    }
    changed();
    return EditResult::Changed;
}

EditResult LadderEditor::PasteRows()
{
    if (host_.online()) {
        host_.beep();
        return EditResult::Refused;
    }
    const LadderClipRows& clip = ctx_.g_ladderClipRows;
    if (clip.count <= 0) return EditResult::Nothing;
    const int r = ctx_.g_ladderCursor.row;
    bool room = r + clip.count <= kLadderRows;
    for (int i = kLadderRows - clip.count; room && i < kLadderRows; ++i)
        if (rowHolds(i)) room = false;
    if (!room) {
        host_.message(laddermsg::CannotInsert);
        return EditResult::Refused;
    }
    for (int i = kLastRow; i >= r + clip.count; --i) setRow(i, row(i - clip.count));
    for (int i = 0; i < clip.count; ++i) {
        for (int c = 0; c < kLadderCols; ++c) ctx_.Cell(r + i, c) = clip.cells[i][c];
        ctx_.g_ladderCoils[r + i] = clip.coils[i];
        ctx_.g_ladderLinks[r + i] = clip.links[i];
    }
    undo_.Record(8);
    changed();
    return EditResult::Changed;
}

EditResult LadderEditor::Undo()
{
    if (host_.online()) return EditResult::Refused;
    changed();
    return undo_.Undo() == model::StepResult::Nothing ? EditResult::Nothing : EditResult::Changed;
}

EditResult LadderEditor::Redo()
{
    if (host_.online()) return EditResult::Refused;
    changed();
    return undo_.Redo() == model::StepResult::Nothing ? EditResult::Nothing : EditResult::Changed;
}

// ---- popup menu ----

std::vector<MenuEntry> LadderEditor::PopupMenu() const
{
    const GridPos cur = ctx_.g_ladderCursor;
    std::vector<MenuEntry> m;
    if (cur.col == 0) {
        m.push_back({laddercmd::Step});
        m.push_back({laddercmd::Timer});
    }
    if (cur.col != kCoilCol) {
        m.push_back({laddercmd::ContactNO});
        m.push_back({laddercmd::ContactNC});
    }
    for (int id : {laddercmd::Out, laddercmd::OutNot, laddercmd::Set, laddercmd::Reset, laddercmd::OneShot,
                   laddercmd::Branch, laddercmd::Connect, laddercmd::Delete})
        m.push_back({id});
    if (cur.col >= 1 && cur.row >= 1) m.push_back({laddercmd::OrLine});
    m.push_back({laddercmd::InsertRow});
    m.push_back({laddercmd::DeleteRow});
    const int32_t v = cur.col == kCoilCol ? ctx_.g_ladderCoils[cur.row] : ctx_.Cell(cur.row, cur.col);
    if (ctx_.g_ladderShowComments && NamesTerminal(v)) m.push_back({laddercmd::Comment});
    m.push_back({0});
    m.push_back({laddercmd::Move});
    m.push_back({laddercmd::Copy});
    if (ctx_.g_ladderClipRows.count > 0) m.push_back({laddercmd::Paste});
    return m;
}

}  // namespace kravin::ladder

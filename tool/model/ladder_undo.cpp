#include "ladder_undo.h"

#include "KRAVinA.h"

namespace kravin::model {

namespace {

bool validRow(int r) { return r >= 0 && r < kLadderRows; }

// The row a deletion leaves at the bottom: empty cells, no coil (0), no link.
LadderRow emptyRow()
{
    LadderRow row;
    row.cells.fill(kLadderEmptyCell);
    return row;
}

}  // namespace

LadderImage CLadderUndo::capture(int kind) const
{
    LadderImage image;
    image.kind = kind;
    image.station = host_.station();
    image.card = host_.card();
    image.scroll = host_.scrollRequest();
    image.column = host_.cursorColumn();
    image.row = host_.cursorRow();
    const int r = image.at();
    if (validRow(r)) {
        image.current = host_.row(r);
        if (r > 0) image.linkAbove = host_.row(r - 1).link;
    }
    return image;
}

bool CLadderUndo::Record(int kind, int firstRow)
{
    if (kind < 1 || kind > 8) return false;
    LadderImage image = capture(kind % 2 || kind >= 5 ? kind : kind - 1);
    const int r = image.at();
    switch (kind) {
    case 1:
    case 2:
    case 5:
    case 6:
        if (!validRow(r)) return false;
        break;
    case 3:
    case 4: {
        if (!validRow(r) || image.column < 0 || image.column > kLadderCoilColumn) return false;
        const std::int32_t v = image.column == kLadderCoilColumn
                                   ? image.current.coil
                                   : image.current.cells[static_cast<std::size_t>(image.column)];
        if (v < 0) return false;
        image.block = (v % 10000) / 100;
        image.terminal = v % 100;
        KRAVinA_Data_Term_Get(image.block, image.terminal, image.term.data());
        break;
    }
    case 7:
    case 8:
        image.rows = host_.clipRows();
        image.first = kind == 7 && firstRow >= 0 ? firstRow : r;
        if (!validRow(image.first)) return false;
        break;
    }
    if (kind >= 5) {
        saveSingle(kind, std::move(image));
        return true;
    }
    if (kind % 2 == 0) {
        saveBefore(kind, std::move(image));
        return true;
    }
    return saveAfter(kind, std::move(image));
}

void CLadderUndo::deleteRow(int r)
{
    if (r > 0) {
        LadderRow above = host_.row(r - 1);
        above.link = host_.row(r).link;
        host_.setRow(r - 1, above);
    }
    for (int i = r; i < kLadderRows - 1; ++i) host_.setRow(i, host_.row(i + 1));
    host_.setRow(kLadderRows - 1, emptyRow());
}

void CLadderUndo::insertRow(int r, const LadderRow& saved, std::uint8_t linkAbove)
{
    for (int i = kLadderRows - 1; i > r; --i) host_.setRow(i, host_.row(i - 1));
    if (r > 0) {
        LadderRow above = host_.row(r - 1);
        above.link = linkAbove;
        host_.setRow(r - 1, above);
    }
    host_.setRow(r, saved);
}

void CLadderUndo::deleteRows(int first, int count)
{
    for (int n = 0; n < count; ++n) {
        for (int i = first; i < kLadderRows - 1; ++i) host_.setRow(i, host_.row(i + 1));
        host_.setRow(kLadderRows - 1, emptyRow());
    }
}

void CLadderUndo::insertRows(int first, const std::vector<LadderRow>& rows)
{
    const int n = static_cast<int>(rows.size());
    for (int i = kLadderRows - 1; i >= first + n; --i) host_.setRow(i, host_.row(i - n));
    for (int k = 0; k < n && first + k < kLadderRows; ++k) host_.setRow(first + k, rows[static_cast<std::size_t>(k)]);
}

bool CLadderUndo::restoreEntry(const LadderImage& image, bool undo)
{
    host_.setView(image.scroll, image.column, image.row);
    const int r = image.at();
    switch (image.kind) {
    case 1:
        host_.setRow(r, image.current);
        if (r > 0) {
            LadderRow above = host_.row(r - 1);
            above.link = image.linkAbove;
            host_.setRow(r - 1, above);
        }
        return true;
    case 3: {
        const std::string folder = host_.workFolder();
        UnitHead head;
        loadUnit(image.station, image.card, folder, head);
        KRAVinA_Data_Term_Set(image.block, image.terminal, image.term.data());
        return writeUnit(image.station, image.card, head, folder);
    }
    case 5:
    case 6:
        if ((image.kind == 5) == undo)
            deleteRow(r);
        else
            insertRow(r, image.current, image.linkAbove);
        return true;
    case 7:
    case 8:
        if ((image.kind == 8) == undo)
            deleteRows(image.first, static_cast<int>(image.rows.size()));
        else
            insertRows(image.first, image.rows);
        return true;
    }
    return true;
}

}  // namespace kravin::model

// What the analog terminal connection view shows of the current unit, read
// through KRAVinA in one pass: blocks with their positions and terminals, and
// the line into every connected input. The editor reads it again after each
// change, so painting never touches the library.
#pragma once

#include "current_unit.h"
#include "item_move_list.h"
#include "unit_files.h"

#include <array>
#include <string>
#include <vector>

namespace kravin::wiring {

// A point in grid units; bends of a line being drawn may lie between cells.
struct GridPointF {
    double x = 0, y = 0;
    friend bool operator==(const GridPointF&, const GridPointF&) = default;
};

struct DiagramOutput {
    int terminal = 0;  // definition index: the source item of a reference
    int item = -1;     // item that carries the value
    std::string name;  // abbreviation, at most 4 bytes (CP932)
    std::string word;  // first word of the definition name, at most 4 bytes
};

struct DiagramInput {
    int item = 0;      // item that holds the reference
    std::string name;  // abbreviation, at most 4 bytes
    bool connected = false;
    int sourceBlock = -1;
    int sourceItem = -1;    // the reference's item (an output's definition index)
    int sourceOutput = -1;  // index in the source block's outputs
    model::AconImage line;  // kind = point count (0..30)
};

struct DiagramBlock {
    bool present = false;  // holds a code
    bool drawn = false;    // drawn and taking part in hit tests
    model::BlockCode code{};
    int x = 0, y = 0;
    std::string codeText;  // "ADS(51)"
    std::string name;
    std::string tag;
    std::vector<DiagramInput> inputs;
    std::vector<DiagramOutput> outputs;
    int width = 0;  // 3 x the larger terminal count
};

// Cells a block's box spans across: at least 15, else 3 per terminal of its
// fuller side, plus the closing column.
inline int BlockBoxWidth(int inputs, int outputs)
{
    const int w = 3 * (inputs > outputs ? inputs : outputs);
    return (w > 15 ? w : 15) + 1;
}

// Source reference of an input item text: "SSII..." (source block, source item).
struct SourceRef {
    int block = -1, item = -1;
    // Both in 0..99 and the item not 99; item 0 (an output at terminal index 0)
    // only from a block other than 0, "0000" being an input's unset value.
    bool valid = false;
};
SourceRef ParseSourceRef(const char* text16);

struct AnalogDiagram {
    std::array<DiagramBlock, kLayoutBlocks> blocks;
    bool hitBlockZero = false;  // block 0 takes part in selections (QV210W)

    // The layout the hit tests and the selection use.
    UnitLayout layout() const;
    // Pin of input k (row by - 4 is the arrow tip, by - 5 where the line leaves)
    // and of output j (row sy + 8) in grid units.
    static int inputPinColumn(const DiagramBlock& b, int k) { return b.x + 3 * k + 2; }
    static int outputPinColumn(const DiagramBlock& b, int j) { return b.x + 3 * j + 2; }
    const DiagramInput* input(int block, int item) const;
};

// Reads the current unit (its image must be loaded: UnitContext::ReadUnitImage).
// A block never placed gets its default position, written into the image
// unless placeDefaults is false (printing leaves the image as it is).
void ReadAnalogDiagram(model::UnitContext& unit, AnalogDiagram& out, bool placeDefaults = true);

}  // namespace kravin::wiring

namespace kravin::wiring {

// Select Group: the groups whose valid-block list holds the code, and the one
// offered first (the first free group of the range the first entry lies in,
// or the range's last when all are used; 0 when no range holds it).
struct GroupChoices {
    std::vector<int> groups;
    int preferred = 0;  // index into groups
};
GroupChoices SelectGroupChoices(const model::UnitContext& unit, const std::string& code5);

}  // namespace kravin::wiring

namespace kravin::wiring {

// The connection line nearest to a client point within 16 pixels at any zoom;
// on equal distances the later segment wins. A labelled line is measured at
// its two jump marks.
bool FindLineAt(const AnalogDiagram& diagram, int x, int y, int pitch, int scrollX, int scrollY, int* block,
                int* item, int* terminal);

}  // namespace kravin::wiring

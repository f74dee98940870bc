// Drawing routines of the analog terminal connection diagram. Each takes a
// painter, the pitch and the scroll offset (whole pitches), so the view and
// the print pages draw the same picture on any device.
#pragma once

#include "anatan_diagram.h"
#include "jump_records.h"

#include <QFont>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QPainter;

namespace kravin::wiring {

// A monitored value of (block, item), when the monitor holds one.
using MonitorValueFn = std::function<std::optional<std::int32_t>(int block, int item)>;

struct AnaTanDrawStyle {
    std::int32_t background = 0xFFFFFF;  // BACK_COLOR
    bool grid = true;                    // ENABLE_GRID
    std::int32_t blockFill = 0xFFFFFF;
    std::int32_t alternateLine = 0x000000;  // instead of a line colour equal to the fill
    std::int32_t text = 0x000000;
    QFont font;                             // pixel size = pitch
};

// "%6.3d" of the value with a point after the fourth character.
std::string MonitorValueText(std::int32_t value);

void DrawBlockSymbol(QPainter& painter, int pitch, int scrollX, int scrollY, int blockNo, const DiagramBlock& block,
                     const AnaTanDrawStyle& style);
void DrawBlocks(QPainter& painter, const AnalogDiagram& diagram, int pitch, int scrollX, int scrollY,
                const AnaTanDrawStyle& style);
void DrawConnectionLines(QPainter& painter, const AnalogDiagram& diagram, int pitch, int scrollX, int scrollY,
                         bool alternateColour, const MonitorValueFn& values, const AnaTanDrawStyle& style);
// One mark: a stem, an arrow and the name, stacked `stack` pitches off.
void DrawJumpSymbol(QPainter& painter, std::int32_t colour, int x, int y, int side, const std::string& name,
                    int pitch, int stack, const AnaTanDrawStyle& style);
// Labelled lines at the mark's terminal other than the mark's own.
int GetJumpTerminalPos(const AnalogDiagram& diagram, const CJumpRecord& record);
void DrawJumps(QPainter& painter, const JumpList& list, const AnalogDiagram& diagram, int pitch, int scrollX,
               int scrollY, bool alternateColour, const AnaTanDrawStyle& style);

// Background, blocks, lines and open jump marks over width x height pixels.
void DrawAnalogDiagram(QPainter& painter, const AnalogDiagram& diagram, const JumpList& open, int pitch, int scrollX,
                       int scrollY, int width, int height, const AnaTanDrawStyle& style, const MonitorValueFn& values);

}  // namespace kravin::wiring

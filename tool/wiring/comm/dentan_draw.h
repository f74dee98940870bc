// Drawing routines of the communication terminal connection diagram: boxes
// with their terminals, connection lines, jump labels and live values. Each
// takes a painter, the pitch and the scroll offset (whole pitches), so the
// view and the print pages draw the same picture.
#pragma once

#include "dentan_diagram.h"

#include <QFont>
#include <QRect>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QPainter;

namespace kravin::wiring::comm {

// The two monitored values of a terminal (slot 0 the station, 1..16 cards).
using CommValueFn = std::function<std::optional<std::pair<std::int16_t, std::int16_t>>(int station, int slot, int index)>;

struct DenTanDrawStyle {
    std::int32_t background = 0xFFFFFF;  // BACK_COLOR
    bool grid = false;                   // ENABLE_GRID
    QFont font;                          // pixel size from the pitch
    bool printing = false;               // white lines print black
    // A station's 5-character unit text for its caption.
    std::function<std::string(int station)> stationText;
};

// A pending jump as the drawing needs it.
struct JumpMark {
    TerminalRef terminal;
    std::string name;
    int format = 0;
    std::int32_t colour = 0;
};

// "%6.3d" with a point inserted at position 4, trimmed (analog), or "%04X".
std::string CommValueText(int kind, std::int16_t value);

void DrawStationCard(QPainter& painter, const model::CommLinkSlot& slot, int station, int card, int pitch,
                     int scrollX, int scrollY, const DenTanDrawStyle& style, const CommValueFn& values);
void DrawLinkLabel(QPainter& painter, std::int32_t colour, int x, int y, int index, int kind, const std::string& name,
                   int pitch, bool noText, int stack, const DenTanDrawStyle& style);
void DrawTerminalLink(QPainter& painter, const model::CommLinkTable& table, std::int32_t colour, int station,
                      int slot, int index, int pitch, int scrollX, int scrollY, const DenTanDrawStyle& style);
// Lines wholly outside `visible` (pixels; empty = no limit) are skipped.
void DrawAllTerminalLinks(QPainter& painter, const model::CommLinkTable& table, int pitch, int scrollX, int scrollY,
                          const DenTanDrawStyle& style, const QRect& visible = QRect());
void DrawJumpLabels(QPainter& painter, const model::CommLinkTable& table, const std::vector<JumpMark>& marks,
                    int pitch, int scrollX, int scrollY, const DenTanDrawStyle& style, std::int32_t forceColour = -1);
// For each linked terminal, the values of the terminal it receives from, beside the line's
// end on the rows of that terminal's box.
void DrawFarMonitorValues(QPainter& painter, const model::CommLinkTable& table, int pitch, int scrollX, int scrollY,
                          const CommValueFn& values);
// Background, boxes from station 63 down, lines, pending jumps over width x height pixels.
void DrawCommDiagram(QPainter& painter, const model::CommLinkTable& table, const std::vector<JumpMark>& marks,
                     int pitch, int scrollX, int scrollY, int width, int height, const DenTanDrawStyle& style,
                     const CommValueFn& values);

}  // namespace kravin::wiring::comm

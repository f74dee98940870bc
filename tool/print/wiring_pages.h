// The pages of the wiring diagrams: the whole diagram fitted on one page, or
// tiles of it at a scale. The pages draw with the views' own drawing
// routines, straight onto the page through a clip.
#pragma once

#include "anatan_diagram.h"
#include "connections.h"
#include "dentan_draw.h"
#include "comment_layer.h"
#include "figure_layer.h"
#include "jump_records.h"
#include "print_pages.h"
#include "wiring_tiles.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace kravin::print {

// How a wiring diagram is printed: fitted, or tiled at the pitch of a scale.
struct WiringPrintSetup {
    bool fit = true;
    int pitch = 0;     // the scale's pitch on the 600 dpi page (also the fitted page's start value)
    TileGrid tiles;    // the tiles of a scaled print
};

// What an analog connection print draws: the diagram of one unit, its open
// jump marks (while the view is open) and its comment and figure layers.
struct AnalogSnapshot {
    UnitHeader unit;
    wiring::AnalogDiagram diagram;
    wiring::JumpList openJumps;
    std::shared_ptr<const model::CCommentMap> comments;
    std::shared_ptr<const model::CFigureMap> figures;
};

// What the open analog view shows, taken for a print from the view.
struct AnalogViewState {
    const wiring::AnalogDiagram* diagram = nullptr;
    const wiring::JumpList* openJumps = nullptr;
    const model::CCommentMap* comments = nullptr;
    const model::CFigureMap* figures = nullptr;
};

// The extent of the diagram in grid units. The fitted page moves blocks at
// negative positions into view by (shiftX, shiftY); the page count takes the
// positions as they are.
struct AnalogExtent {
    DiagramExtent extent;
    int shiftX = 0, shiftY = 0;
};
AnalogExtent measureAnalog(const AnalogSnapshot& snapshot, bool forPageCount);

// The setup of an analog print on a page of W x H dots.
WiringPrintSetup analogSetup(const AnalogSnapshot& snapshot, bool fit, int scale, int W, int H);

std::unique_ptr<PrintDocument> analogDocument(std::shared_ptr<const AnalogSnapshot> snapshot, WiringPrintSetup setup);

// What a communication terminal print draws: the connection table of the
// whole project, the pending jump labels (while the view is open) and the
// view's comment and figure layers.
struct CommSnapshot {
    std::shared_ptr<const model::CommLinkTable> table;
    std::vector<wiring::comm::JumpMark> pending;
    std::shared_ptr<const model::CCommentMap> comments;
    std::shared_ptr<const model::CFigureMap> figures;
    std::array<std::string, model::kStations> stationTexts;  // the stations' 5-character unit texts
};

// What the open communication view shows.
struct CommViewState {
    const model::CommLinkTable* table = nullptr;
    std::vector<wiring::comm::JumpMark> pending;
};

// The extent of the communication diagram for the fitted page or for the page count.
DiagramExtent measureComm(const CommSnapshot& snapshot, bool forPageCount);
WiringPrintSetup commSetup(const CommSnapshot& snapshot, bool fit, int scale, int W, int H);
std::unique_ptr<PrintDocument> commDocument(std::shared_ptr<const CommSnapshot> snapshot, WiringPrintSetup setup);

// The legend of the communication pages: the four terminal symbols and the PC
// mark in a row, each of size s.
void drawCommLegend(PageCanvas& canvas, int s);

}  // namespace kravin::print

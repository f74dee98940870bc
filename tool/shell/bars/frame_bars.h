// The button bars the shell puts on its frames: the system configuration bar
// and the function block list bar. Each bar's buttons open the other editors
// of the current unit through the view manager and close their frame.
#pragma once

#include "shell_texts.h"
#include "info_bar.h"
#include "view_bar.h"
#include "view_manager.h"

#include <functional>

namespace kravin::shell {

class ChildFrame;
class MainFrame;

// Button and bar ids.
namespace barid {
constexpr int SystemBar = 233;
constexpr int SystemDenTan = 1103;
constexpr int SystemBlkList = 1104;
constexpr int SystemClose = 1105;
constexpr int BlkListBar = 269;
constexpr int BlkListAnaTan = 1134;
constexpr int BlkListSeqBlk = 1135;
constexpr int BlkListSystem = 1136;
constexpr int BlkListBank = 1137;
constexpr int BlkListClose = 1138;
constexpr int AnaTanBar = 268;
constexpr int AnaTanBlkList = 1132;
constexpr int AnaTanClose = 1133;
constexpr int AnaTanInfoBar = 169;
constexpr int DenTanBar = 234;
constexpr int DenTanSystem = 1106;
constexpr int DenTanClose = 1104;
constexpr int DenTanInfoBar = 168;
}  // namespace barid

// What the bars ask of the tool.
struct FrameBarServices {
    UiLanguage language = UiLanguage::English;
    // A card that has a block list is selected.
    std::function<bool()> unitHasBlockList;
    // The current unit's model begins "PWZ" (the Bank button is shown).
    std::function<bool()> bankShown;
    // The bank shown now (0 or 2), its switch, and its reset when the list closes.
    std::function<int()> bank;
    std::function<void()> switchBank;
    std::function<void()> resetBank;
    // Writes the current unit's block codes; false reported and the next view not opened.
    std::function<bool()> writeUnit;
    // The analog view's info bar: the current unit and a sample of the current line format.
    std::function<InfoBarUnit()> unitInfo;
    std::function<void(QPainter&, const QRect&)> lineSample;
    // The communication view's info bar: its line format sample and the terminal legend.
    std::function<void(QPainter&, const QRect&)> commInfo;
};

// Builds the bar of a kind onto its frame (and the analog view's info bar below
// its bar); null for kinds without one here.
ViewBar* addFrameBar(ViewKind kind, ChildFrame& frame, MainFrame& main, const FrameBarServices& services);

}  // namespace kravin::shell

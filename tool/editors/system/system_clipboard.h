// Copy, move and paste of cards, two-slot cards and remote I/O stations
// through the clipboard, from the system configuration view. A paste reads and
// checks the whole copy, then runs every placement check, and only then clears
// and writes the target, between station undo records.
#pragma once

#include "current_unit.h"
#include "prompt.h"
#include "station_undo.h"
#include "system_clip_codec.h"

#include <functional>
#include <optional>
#include <string>

namespace kravin::editors {

namespace clipmsg {
constexpr int CannotApplySetting = 7101;  // "Cannot apply setting."
constexpr int CannotApply = 8110;         // "Cannot apply."
constexpr int ClipboardUnreadable = 7190; // the clipboard holds a copy that cannot be read
constexpr int CopyFailed = 7191;          // the copy did not reach the clipboard; nothing was moved
constexpr int WriteFailed = 7192;         // a file of the pasted unit could not be written
}  // namespace clipmsg

// The four formats' names.
inline constexpr const char* kClipCardFormat = "KRAV3 system data";
inline constexpr const char* kClipStationFormat = "KRAV3 system data2";
inline constexpr const char* kClipQv200wFormat = "KRAV3 system data3";
inline constexpr const char* kClipQv210wFormat = "KRAV3 system data4";

// Where copies go: the system clipboard in the tool, memory in tests.
class ClipboardPort {
public:
    virtual ~ClipboardPort() = default;
    // Replaces the clipboard's contents with the object under format.
    virtual void put(const std::string& format, const std::string& object) = 0;
    // The object under format; nothing when absent or not a whole block.
    virtual std::optional<std::string> get(const std::string& format) const = 0;
    virtual bool has(const std::string& format) const = 0;
};

struct SystemClipboardHooks {
    std::function<void()> setModified;
    std::function<void()> unitChanged;  // the current unit was selected again
    std::function<void()> invalidate;
    std::function<void()> rebuildDisplayData;
    std::function<void(bool)> waitCursor;
    // The default box position of a slot on the communication sheet.
    std::function<void(int station, int card, int* x, int* y)> defaultPosition;
};

class SystemClipboard {
public:
    enum class Result { Done, Nothing, Refused, Failed };

    SystemClipboard(model::UnitContext& unit, model::CStationUndo& undo, model::Prompt& prompt, ClipboardPort& port,
                    SystemClipboardHooks hooks = {});

    // "Copy" / Edit Copy: the selected card (a pair for QV200W, QV210W), or
    // the selected remote I/O station with its cards.
    Result Copy();
    // "Move" / Edit Cut: the copy, then the card is cleared once the copy reads back.
    Result Move();
    // "Paste" into the selected card slot (a pair when the clipboard holds one).
    Result Paste();
    // Edit Paste: a card or pair into a card slot, a station into the station column.
    Result EditPaste();
    // "Bulk copy V8RTU" / "Bulk paste V8RTU".
    Result CopyStation();
    Result BulkPasteStation();

    // The half a two-slot copy started from (1 right-hand, 0 left-hand).
    int copiedHalf() const { return copiedHalf_; }
    // A card's image was captured by a copy (the card field of the work
    // record is set); the view's popup then offers "Paste".
    bool workRecordHasCard() const { return workRecordCard_ != 0; }

private:
    bool copyCard(std::string& format, std::string& object);
    bool copyPair(bool qv210w, std::string& object);
    sysclip::UnitImage captureUnit(int station, int card);
    Result pasteCard(const sysclip::UnitImage& image);
    Result pastePair(const std::string& format);
    // Writes a copied unit into the selected slot's files (cleared before).
    bool writeUnit(int station, int card, const sysclip::UnitImage& image, bool fixItems);
    // Clears one slot from the tables and removes its files.
    void clearSlot(int station, int card);
    void select(int station, int card);
    void position(int station, int card);
    std::string cardKindName(int kind) const;
    void finish();
    Result notice(int id, Result result);

    model::UnitContext& unit_;
    model::CStationUndo& undo_;
    model::Prompt& prompt_;
    ClipboardPort& port_;
    SystemClipboardHooks hooks_;
    int copiedHalf_ = 0;
    int workRecordCard_ = 0;
};

}  // namespace kravin::editors

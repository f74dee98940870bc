// The registry monitor dialog's rules without its window: the digit filter of the GGNN
// and GGII edits, committing an edit into its row, scrolling, and the texts of the 20
// visible rows.
#pragma once

#include "monitor_engine.h"
#include "monitor_file.h"
#include "string_table.h"

#include <array>
#include <string>

namespace kravin::online {

constexpr int kRegistryVisibleRows = 20;
constexpr int kRegistryMaxTop = kMonitorRows - kRegistryVisibleRows;  // 80

// Message ids of the dialog's texts.
constexpr int kMsgEditMode = 9100;      // "Edit mode"
constexpr int kMsgMonitoring = 9101;    // "Monitoring"
constexpr int kMsgStopMonitor = 9102;   // "Stop Monitor"
constexpr int kMsgStartMonitor = 9103;  // "Start Monitor"

struct DigitFilterResult {
    std::string text;
    int caret = 0;
    bool beep = false;
};

// The filter run on every change of an edit: remembered is the text before the change,
// text and caret after it.
DigitFilterResult FilterDigits(const std::string& remembered, const std::string& text, int caret);

enum class RowField { Ggnn, Ggii };

// Leaving an edit: a text of 3 characters or fewer empties the field and switches the row
// off; else the decimal value goes into the field. True when the row was cleared.
bool CommitRowText(MonitorTargetRow& row, RowField field, const std::string& text);

// Turns the row's ON flag over.
void ToggleRow(MonitorTargetRow& row);
// Set All ON: rows with GGNN or GGII on, empty rows off. Set All OFF: every row off.
void SetAllRows(MonitorTargets& targets, bool on);
// At start: rows with neither GGNN nor GGII are switched off.
void SwitchOffEmptyRows(MonitorTargets& targets);

enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Thumb, Other };
// The new top row, 0..80.
int ScrollRows(int top, ScrollAction action, int thumb = 0);

struct RegistryRowTexts {
    std::string label;  // "%02d" of the row
    std::string ggnn;   // "%04d", empty when not set
    std::string ggii;
    std::string data;   // the monitored value or its message, when the row is on
    bool on = false;
};

// Row r as the dialog shows it; values may be null (nothing read yet).
RegistryRowTexts RowTexts(const MonitorTargets& targets, const RegistryValues* values, int r, res::Language language);

}  // namespace kravin::online

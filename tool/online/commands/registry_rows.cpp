#include "registry_rows.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace kravin::online {

namespace {

constexpr std::size_t kMaxDigits = 4;

bool allDigits(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string fourDigits(int v)
{
    if (v < 0) return {};
    char text[16];
    std::snprintf(text, sizeof text, "%04d", v);
    return text;
}

}  // namespace

DigitFilterResult FilterDigits(const std::string& remembered, const std::string& text, int caret)
{
    DigitFilterResult r{text, caret, false};
    if (!allDigits(text)) {
        r.text = remembered;
        r.beep = true;
        r.caret = std::max(0, caret - 1);
    } else {
        if (!remembered.empty() && remembered.size() < text.size()) {
            // Typing overwrites the digit after the one typed.
            std::size_t at = 0;
            while (at < remembered.size() && remembered[at] == text[at]) ++at;
            if (at + 1 < r.text.size()) r.text.erase(at + 1, 1);
        }
        if (r.text.size() > kMaxDigits) {
            r.text.resize(kMaxDigits);
            r.beep = true;
        }
    }
    r.caret = std::clamp(r.caret, 0, static_cast<int>(r.text.size()));
    return r;
}

bool CommitRowText(MonitorTargetRow& row, RowField field, const std::string& text)
{
    std::int16_t& target = field == RowField::Ggnn ? row.ggnn : row.ggii;
    if (text.size() <= 3) {
        target = -1;
        row.on = 0;
        return true;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > 9999) {
        target = -1;
        row.on = 0;
        return true;
    }
    target = static_cast<std::int16_t>(value);
    return false;
}

void ToggleRow(MonitorTargetRow& row) { row.on = row.on == 0 ? kRowOn : 0; }

void SetAllRows(MonitorTargets& targets, bool on)
{
    for (MonitorTargetRow& row : targets.rows)
        row.on = on && (row.ggnn >= 0 || row.ggii >= 0) ? kRowOn : 0;
}

void SwitchOffEmptyRows(MonitorTargets& targets)
{
    for (MonitorTargetRow& row : targets.rows)
        if (row.ggnn < 0 && row.ggii < 0) row.on = 0;
}

int ScrollRows(int top, ScrollAction action, int thumb)
{
    int next = top;
    switch (action) {
    case ScrollAction::LineUp: next = top - 1; break;
    case ScrollAction::LineDown: next = top + 1; break;
    case ScrollAction::PageUp: next = top - kRegistryVisibleRows; break;
    case ScrollAction::PageDown: next = top + kRegistryVisibleRows; break;
    case ScrollAction::Thumb: next = thumb; break;
    case ScrollAction::Other: break;
    }
    return std::clamp(next, 0, kRegistryMaxTop);
}

RegistryRowTexts RowTexts(const MonitorTargets& targets, const RegistryValues* values, int r, res::Language language)
{
    RegistryRowTexts t;
    if (r < 0 || r >= kMonitorRows) return t;
    char label[8];
    std::snprintf(label, sizeof label, "%02d", r);
    t.label = label;
    const MonitorTargetRow& row = targets.rows[static_cast<std::size_t>(r)];
    t.ggnn = fourDigits(row.ggnn);
    t.ggii = fourDigits(row.ggii);
    t.on = row.on != 0;
    if (t.on && values) {
        const RegistryRowText& v = values->rows[static_cast<std::size_t>(r)];
        t.data = v.messageId != 0 ? res::message(v.messageId, language) : v.text;
    }
    return t;
}

}  // namespace kravin::online

#include "dentan_diagram.h"

#include <cctype>
#include <cstring>
#include <cmath>
#include <cstdio>

namespace kravin::wiring::comm {

namespace {

std::string_view kindOf(const model::CommLinkSlot& slot)
{
    return std::string_view(slot.kind.data(), ::strnlen(slot.kind.data(), slot.kind.size()));
}

bool named(const model::CommLinkTerminal& t) { return t.text[0] != 0; }

int pixel(double v, int pitch, int scroll) { return static_cast<int>(v * pitch) - scroll; }

}  // namespace

int TerminalColumn(int boxX, int index) { return boxX + (index % 8) * 3; }

void TerminalAnchor(int boxX, int boxY, int index, int* x, int* y)
{
    *x = TerminalColumn(boxX, index) + 2;
    *y = index < 8 ? boxY + kBoxTop : boxY + kBoxBottom;
}

std::string BoxCaption(int station, int card, std::string_view kindName, std::string_view unitText)
{
    char buf[96];
    const std::string kind(kindName);
    if (card < 0) {
        const std::string text(unitText.substr(0, 5));
        std::snprintf(buf, sizeof buf, "Station:%02x  Card:Y-Bus  %s %s", station & 0xff, kind.c_str(), text.c_str());
    } else {
        std::snprintf(buf, sizeof buf, "Station:%02x  Card:%X  %s", station & 0xff, card & 0xf, kind.c_str());
    }
    std::string s(buf);
    // The station prints as two upper-case hex digits.
    for (std::size_t i = 8; i < 10 && i < s.size(); ++i)
        s[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
    return s;
}

int DenTanLabelOffset(int kind, int index, int y, int c, int d, int e, int f)
{
    const bool bottom = index > 7;
    switch (kind) {
    case 1:
    case 3: return bottom ? y + c + f : y - c;
    case 2: return bottom ? y + c + d + f : y - c - d;
    case 4: return bottom ? y + c + e + f : y - c - e;
    default: return 0;
    }
}

int CountSharedEnds(const model::CommLinkTable& table, int station, int card, int index, int x, int y)
{
    int n = 0;
    for (int s = 0; s < model::kStations; ++s)
        for (int c = 0; c < 16; ++c)
            for (int t = 0; t < 16; ++t) {
                if (s == station && c == card && t == index) return n;
                const model::CommLinkTerminal& r = table.slots[s][c + 1].terminals[t];
                if (r.kind == 0 || !named(r)) continue;
                if (r.startX == x && r.startY == y) ++n;
                if (r.endX == x && r.endY == y) ++n;
            }
    return n;
}

int FarEndY(int endY, int nearKind, int farKind, int farNumber)
{
    if (nearKind == farKind) return endY;
    const int shift = (farKind == 3 || farKind == 4) ? 3 : 2;
    return farNumber > 18 ? endY + shift : endY - shift;
}

void DeviceDropAnchor(int column, int row, int* x, int* y)
{
    *x = column >= 14 ? column - 13 : 0;
    *y = row >= 5 ? row - 1 : 4;
}

int CommBlockKind(std::string_view name)
{
    std::string n;
    for (char ch : name.substr(0, 4)) n += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (n == "CDI") return 1;
    if (n == "CDO") return 2;
    if (n == "CAI") return 3;
    if (n == "CAO") return 4;
    return 0;
}

std::string CommBlockFunction(std::string_view name)
{
    static const char* const kNames[] = {"", "CDI 31", "CDO 32", "CAI 33", "CAO 34"};
    return kNames[CommBlockKind(name)];
}

UnitRef BoxAt(const model::CommLinkTable& table, int px, int py, int pitch, int scrollX, int scrollY)
{
    for (int s = 0; s < model::kStations; ++s)
        for (int k = 0; k <= 16; ++k) {
            const model::CommLinkSlot& slot = table.slots[s][k];
            if (slot.kind[0] == 0) continue;
            const int left = pixel(slot.x, pitch, scrollX);
            const int top = pixel(slot.y, pitch, scrollY);
            if (px >= left && px <= left + kBoxWidth * pitch && py >= top + kBoxTop * pitch &&
                py <= top + kBoxBottom * pitch)
                return {s, k - 1};
        }
    return {};
}

TerminalRef BlockDropTarget(const model::CommLinkTable& table, int px, int py, int pitch, int scrollX, int scrollY,
                            std::string_view block)
{
    const UnitRef box = BoxAt(table, px, py, pitch, scrollX, scrollY);
    if (!box.valid()) return {};
    const model::CommLinkSlot& slot = *table.slot(box.station, box.card);
    const std::string_view kind = kindOf(slot);
    if (kind.substr(0, 4) == "RNH6") return {};
    if (kind.substr(0, 5) == "TQRQ$" || kind.substr(0, 5) == "TQRC$") {
        const int k = CommBlockKind(block);
        if (k != 3 && k != 4) return {};
    }
    const int left = pixel(slot.x, pitch, scrollX);
    const int top = pixel(slot.y, pitch, scrollY);
    const int row = (5 * pitch + py - top) / (5 * pitch);
    int column = (px - left) / (3 * pitch);
    if (column == 8) column = 7;
    const int index = column + 8 * row;
    if (index < 0 || index > 15) return {};
    if (slot.terminals[index].kind != 0) return {};
    return {box, index};
}

TerminalRef TerminalAtCell(const model::CommLinkTable& table, double a, double b)
{
    for (int s = 0; s < model::kStations; ++s)
        for (int k = 0; k <= 16; ++k) {
            const model::CommLinkSlot& slot = table.slots[s][k];
            if (slot.kind[0] == 0) continue;
            const double rel = a - slot.x - 0.5;
            if (rel < 0 || a > slot.x + kBoxWidth) continue;
            int row = -1;
            if (b >= slot.y - 4 && b <= slot.y - 2) row = 0;
            else if (b >= slot.y + 3 && b <= slot.y + 5) row = 1;
            if (row < 0) continue;
            int column = static_cast<int>(rel / 3);
            if (column == 8) column = 7;
            if (column > 7) continue;
            return {{s, k - 1}, column + 8 * row};
        }
    return {};
}

TerminalRef LineAtCell(const model::CommLinkTable& table, double a, double b, double tolerance)
{
    TerminalRef best;
    double bestDistance = tolerance;
    for (int s = 0; s < model::kStations; ++s)
        for (int k = 0; k <= 16; ++k)
            for (int t = 0; t < 16; ++t) {
                const model::CommLinkTerminal& r = table.slots[s][k].terminals[t];
                if (r.kind == 0 || r.link != 1 || named(r)) continue;
                double px = r.startX, py = r.startY;
                const int n = ClampPointCount(r.points);
                for (int i = 0; i <= n; ++i) {
                    const double qx = i < n ? r.pointX[i] : r.endX;
                    const double qy = i < n ? r.pointY[i] : r.endY;
                    const double vx = qx - px, vy = qy - py;
                    const double len = vx * vx + vy * vy;
                    double u = len > 0 ? ((a - px) * vx + (b - py) * vy) / len : 0;
                    u = u < 0 ? 0 : u > 1 ? 1 : u;
                    const double d = std::hypot(a - (px + u * vx), b - (py + u * vy));
                    if (d <= bestDistance) {
                        bestDistance = d;
                        best = {{s, k - 1}, t};
                    }
                    px = qx, py = qy;
                }
            }
    return best;
}

}  // namespace kravin::wiring::comm

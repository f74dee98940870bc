#include "anatan_diagram.h"

#include "KRAVinA.h"
#include "connections.h"
#include "tan_geometry.h"
#include "text_codec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kravin::wiring {

namespace {

int twoDigits(const char* p)
{
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') return -1;
    return (p[0] - '0') * 10 + (p[1] - '0');
}

std::string cut(std::string_view text, std::size_t bytes) { return model::trimDbcs(text, bytes); }

std::string firstWord(std::string_view name)
{
    const auto blank = name.find(' ');
    return cut(name.substr(0, blank), 4);
}

}  // namespace

SourceRef ParseSourceRef(const char* text)
{
    SourceRef r;
    const std::size_t n = ::strnlen(text, 16);
    if (n < 4) return r;
    r.block = twoDigits(text);
    int item = 0;
    std::size_t digits = 0;
    for (std::size_t i = 2; i < n && text[i] >= '0' && text[i] <= '9' && digits < 3; ++i, ++digits)
        item = item * 10 + (text[i] - '0');
    r.item = digits ? item : -1;
    r.valid = r.block >= 0 && r.block <= 99 && r.item >= 0 && r.item < 99 && (r.item != 0 || r.block != 0);
    return r;
}

UnitLayout AnalogDiagram::layout() const
{
    UnitLayout l;
    for (int b = 0; b < kLayoutBlocks; ++b) {
        const DiagramBlock& d = blocks[static_cast<std::size_t>(b)];
        BlockLayout& e = l[static_cast<std::size_t>(b)];
        e.present = d.drawn && (b != 0 || hitBlockZero);
        e.x = d.x;
        e.y = d.y;
        e.inputs = static_cast<int>(d.inputs.size());
        e.outputs = static_cast<int>(d.outputs.size());
        e.width = d.drawn ? d.width : 0;
    }
    return l;
}

const DiagramInput* AnalogDiagram::input(int block, int item) const
{
    if (block < 0 || block >= kLayoutBlocks) return nullptr;
    for (const DiagramInput& in : blocks[static_cast<std::size_t>(block)].inputs)
        if (in.item == item) return &in;
    return nullptr;
}

void ReadAnalogDiagram(model::UnitContext& unit, AnalogDiagram& out, bool placeDefaults)
{
    out = AnalogDiagram{};
    out.hitBlockZero = model::fieldView(unit.g_curModel).substr(0, 6) == "QV210W";
    const bool drawZero = unit.modelStartsWith("V8RTU");
    const bool twoSlot = (unit.modelStartsWith("QV200W") || unit.modelStartsWith("QV210W")) &&
                         unit.g_curUnitText[0] == 1;
    const std::string model(unit.model());
    const std::string version(unit.version());

    for (int b = 0; b < kLayoutBlocks; ++b) {
        const model::BlockCode& code = unit.g_unitBlocks[static_cast<std::size_t>(b)];
        DiagramBlock& d = out.blocks[static_cast<std::size_t>(b)];
        if (code[0] == 0) continue;
        d.present = true;
        d.code = code;
        model::AnacomList list;
        unit.CollectAnacomItems(b, list);
        for (int k = 0; k < list.itemCount; ++k) {
            DiagramInput in;
            in.item = list.items[static_cast<std::size_t>(k)].index;
            in.name = cut(model::fieldView(list.items[static_cast<std::size_t>(k)].abbreviation), 4);
            d.inputs.push_back(std::move(in));
        }
        for (int t = 0; t < list.terminalCount; ++t) {
            const auto& term = list.terminals[static_cast<std::size_t>(t)];
            const bool carriedByInput = std::any_of(d.inputs.begin(), d.inputs.end(),
                                                    [&](const DiagramInput& in) { return in.item == term.number; });
            if (carriedByInput) continue;
            DiagramOutput o;
            o.terminal = term.index;
            o.item = term.number;
            o.name = cut(model::fieldView(term.abbreviation), 4);
            char type[KRAVINA_TERM_TYPE_SIZE] = {}, name[KRAVINA_TERM_NAME_SIZE] = {};
            if (unit.SelectGroupDefinition(b) == 0) {
                KRAVinA_Block_Inf_Get(1, term.index, type, name, nullptr, nullptr, nullptr, nullptr, nullptr);
                o.word = firstWord(model::fieldView(name));
            }
            d.outputs.push_back(std::move(o));
        }
        const int terminals = static_cast<int>(std::max(d.inputs.size(), d.outputs.size()));
        d.drawn = terminals > 0 && (b != 0 || drawZero || out.hitBlockZero) && !(twoSlot && b <= 5);
        d.width = d.drawn ? 3 * terminals : 0;

        int x = 0, y = 0;
        KRAVinA_Data_XY_Get(b, &x, &y);
        if (x == 0 && y == 0 && d.drawn) {
            model::GetBlockCellPosition(unit, b, &x, &y);
            if (placeDefaults) KRAVinA_Data_XY_Set(b, x, y);
        }
        d.x = x;
        d.y = y;

        const std::string id(code.data() + 2, 3);
        d.codeText = id + "(" + std::string(code.data(), 2) + ")";
        std::string name;
        if (unit.GetBlockName(model, version, id, name) == 0) d.name = name;
        if (b == 2 || b == 3) {
            char tag[KRAVINA_UNIT_ITEM_SIZE + 1] = {};
            KRAVinA_Data_Item_Get(b, 80, tag);
            d.tag = std::string(tag, ::strnlen(tag, KRAVINA_UNIT_ITEM_SIZE));
        }
    }

    // Lines: an input whose reference names an output of a present block.
    for (int b = 0; b < kLayoutBlocks; ++b) {
        DiagramBlock& d = out.blocks[static_cast<std::size_t>(b)];
        if (!d.drawn) continue;
        for (DiagramInput& in : d.inputs) {
            char text[KRAVINA_UNIT_ITEM_SIZE + 1] = {};
            KRAVinA_Data_Item_Get(b, in.item, text);
            const SourceRef ref = ParseSourceRef(text);
            if (!ref.valid) continue;
            const DiagramBlock& s = out.blocks[static_cast<std::size_t>(ref.block)];
            if (!s.drawn) continue;
            for (std::size_t j = 0; j < s.outputs.size(); ++j) {
                if (s.outputs[j].terminal != ref.item) continue;
                in.connected = true;
                in.sourceBlock = ref.block;
                in.sourceItem = ref.item;
                in.sourceOutput = static_cast<int>(j);
                in.line = model::readAcon(unit.g_curStation, unit.g_curCard, b, in.item, unit.workFolder);
                in.line.kind = std::clamp(in.line.kind, 0, model::kLinePoints);
                break;
            }
        }
    }
}

}  // namespace kravin::wiring

namespace kravin::wiring {

GroupChoices SelectGroupChoices(const model::UnitContext& unit, const std::string& code5)
{
    GroupChoices c;
    for (int g = 0; g < model::kGroups; ++g) {
        const auto& list = unit.validBlocks[static_cast<std::size_t>(g)];
        const int n = unit.validBlockCount[static_cast<std::size_t>(g)];
        for (int i = 0; i < n; ++i)
            if (std::string_view(list.data() + 5 * i, 5) == code5) {
                c.groups.push_back(g);
                break;
            }
    }
    if (c.groups.empty()) return c;
    static constexpr int kRanges[][2] = {{2, 3}, {4, 10}, {11, 26}, {30, 61}, {62, 69}, {72, 79}};
    int preferredGroup = 0;
    for (const auto& r : kRanges) {
        if (c.groups[0] < r[0] || c.groups[0] > r[1]) continue;
        preferredGroup = r[1];
        for (int g = r[0]; g <= r[1]; ++g)
            if (unit.g_unitBlocks[static_cast<std::size_t>(g)][0] == 0) {
                preferredGroup = g;
                break;
            }
        break;
    }
    const auto it = std::find(c.groups.begin(), c.groups.end(), preferredGroup);
    c.preferred = it == c.groups.end() ? 0 : static_cast<int>(it - c.groups.begin());
    return c;
}

}  // namespace kravin::wiring

namespace kravin::wiring {

bool FindLineAt(const AnalogDiagram& diagram, int x, int y, int pitch, int scrollX, int scrollY, int* block,
                int* item, int* terminal)
{
    double best = 99999.0 * pitch;
    bool found = false;
    const auto px = [&](double gx) { return TanGridToPixelF(gx, pitch, scrollX); };
    const auto py = [&](double gy) { return TanGridToPixelF(gy, pitch, scrollY); };
    const auto measure = [&](GridPointF a, GridPointF b, int blk, int itm, int k) {
        const double d = TanSegmentDistance(x, y, px(a.x), py(a.y), px(b.x), py(b.y)).distance;
        if (d <= best && d <= 16.0) {
            best = d;
            *block = blk;
            *item = itm;
            *terminal = k;
            found = true;
        }
    };
    for (int b = 0; b < kLayoutBlocks; ++b) {
        const DiagramBlock& d = diagram.blocks[static_cast<std::size_t>(b)];
        if (!d.drawn) continue;
        for (std::size_t k = 0; k < d.inputs.size(); ++k) {
            const DiagramInput& in = d.inputs[k];
            if (!in.connected) continue;
            const DiagramBlock& s = diagram.blocks[static_cast<std::size_t>(in.sourceBlock)];
            const double ix = AnalogDiagram::inputPinColumn(d, static_cast<int>(k));
            const double sx = AnalogDiagram::outputPinColumn(s, in.sourceOutput);
            if (in.line.text[0] != 0) {
                measure({ix, d.y - 4.0}, {ix, d.y - 7.0}, b, in.item, static_cast<int>(k));
                measure({sx - 2, s.y + 7.0}, {sx, s.y + 11.0}, b, in.item, static_cast<int>(k));
                continue;
            }
            GridPointF prev{ix, d.y - 5.0};
            for (int p = 0; p < in.line.kind; ++p) {
                const GridPointF next{static_cast<double>(in.line.px[static_cast<std::size_t>(p)]),
                                      static_cast<double>(in.line.py[static_cast<std::size_t>(p)])};
                measure(prev, next, b, in.item, static_cast<int>(k));
                prev = next;
            }
            measure(prev, {sx, s.y + 8.0}, b, in.item, static_cast<int>(k));
        }
    }
    return found;
}

}  // namespace kravin::wiring

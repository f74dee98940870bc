#include "ladder_convert.h"

#include <algorithm>

namespace kravin::ladder {

namespace {

enum class NodeKind { Contact, Series, Parallel };

struct Node {
    NodeKind kind = NodeKind::Contact;
    int32_t value = 0;
    int a = -1;
    int b = -1;
};

class Converter {
public:
    explicit Converter(LadderGrid& grid) : grid_(grid) {}

    int Run(const std::array<StepCode, kStepsPerGroup>& input);

private:
    bool Load(int32_t value);
    bool Combine(NodeKind kind);
    bool Extend(NodeKind kind, int32_t value);
    bool PlaceRung();   // lays the rung's contacts out on row_
    bool CloseContactRung();
    bool Coil(int32_t value);
    bool AdvancePastRung();
    bool Place(int n, int row, int col, int& right, int& bottom);
    void Flatten(int n, NodeKind kind, int* out, int& count) const;
    int FreeRowBelow(int row, int col) const;

    LadderGrid& grid_;
    Node nodes_[kStepsPerGroup * 2];
    int nodeCount_ = 0;
    int stack_[kStepsPerGroup];
    int depth_ = 0;
    int row_ = 0;      // first row of the current rung
    int height_ = 0;   // rows used below it
    int prevType_ = 0;
};

bool IsContactType(int t) { return t >= kTypeLoad && t <= kTypeOrNot; }
bool IsCoilType(int t) { return t >= kTypeOut && t <= kTypeBranch; }

bool Converter::Load(int32_t value)
{
    if (nodeCount_ >= static_cast<int>(std::size(nodes_)) || depth_ >= kStepsPerGroup) return false;
    nodes_[nodeCount_] = Node{NodeKind::Contact, value, -1, -1};
    stack_[depth_++] = nodeCount_++;
    return true;
}

bool Converter::Combine(NodeKind kind)
{
    if (depth_ < 2 || nodeCount_ >= static_cast<int>(std::size(nodes_))) return false;
    int b = stack_[--depth_];
    int a = stack_[depth_ - 1];
    nodes_[nodeCount_] = Node{kind, 0, a, b};
    stack_[depth_ - 1] = nodeCount_++;
    return true;
}

bool Converter::Extend(NodeKind kind, int32_t value)
{
    if (depth_ < 1) return false;
    if (!Load(value)) return false;
    return Combine(kind);
}

void Converter::Flatten(int n, NodeKind kind, int* out, int& count) const
{
    const Node& node = nodes_[n];
    if (node.kind != kind) {
        out[count++] = n;
        return;
    }
    Flatten(node.a, kind, out, count);
    Flatten(node.b, kind, out, count);
}

int Converter::FreeRowBelow(int row, int col) const
{
    for (int r = row + 1; r < kLadderRows; ++r) {
        bool free = true;
        for (int c = col; c < kLadderCols && free; ++c) free = grid_.Cell(r, c) == kCellEmpty;
        if (free) return r;
    }
    return -1;
}

bool Converter::Place(int n, int row, int col, int& right, int& bottom)
{
    const Node& node = nodes_[n];
    if (row >= kLadderRows || col >= kLadderCols) return false;
    if (node.kind == NodeKind::Contact) {
        grid_.Cell(row, col) = node.value;
        right = col;
        bottom = row;
        return true;
    }
    int parts[kStepsPerGroup];
    int count = 0;
    Flatten(n, node.kind, parts, count);
    bottom = row;
    if (node.kind == NodeKind::Series) {
        int c = col;
        for (int i = 0; i < count; ++i) {
            int r = 0, b = 0;
            if (!Place(parts[i], row, c, r, b)) return false;
            c = r + 1;
            right = r;
            bottom = std::max(bottom, b);
        }
        return true;
    }
    // Parallel: branches go below one another at the block's start column,
    // joined at its left edge and at the rightmost column the branches reach.
    int d = 0;
    if (!Place(parts[0], row, col, d, bottom)) return false;
    for (int i = 1; i < count; ++i) {
        int target = FreeRowBelow(row, col);
        if (target < 0) return false;
        int r = 0, b = 0;
        if (!Place(parts[i], target, col, r, b)) return false;
        for (int rr = row; rr <= target; ++rr)
            for (int c = kLadderCols - 1; c > d; --c)
                if (c >= col && grid_.Cell(rr, c) != kCellEmpty) d = c;
        for (int rr = row; rr < target; ++rr) {
            if (col > 0) grid_.SetLink(rr, col - 1, true);
            grid_.SetLink(rr, d, true);
        }
        for (int c = col; c <= d; ++c) {
            if (grid_.Cell(row, c) == kCellEmpty) grid_.Cell(row, c) = kCellWire;
            if (grid_.Cell(target, c) == kCellEmpty) grid_.Cell(target, c) = kCellWire;
        }
        bottom = std::max(bottom, b);
    }
    right = d;
    return true;
}

bool Converter::PlaceRung()
{
    // A rung's contacts hold exactly one more load than block operations.
    if (depth_ != 1) return false;
    int right = 0, bottom = 0;
    if (!Place(stack_[0], row_, 0, right, bottom)) return false;
    height_ = bottom - row_;
    depth_ = 0;
    nodeCount_ = 0;
    for (int c = 0; c < kLadderCols; ++c)
        if (grid_.Cell(row_, c) == kCellEmpty) grid_.Cell(row_, c) = kCellWire;
    return true;
}

bool Converter::CloseContactRung()
{
    if (!PlaceRung()) return false;
    grid_.g_ladderCoils[row_] = kCoilWire;
    return true;
}

bool Converter::AdvancePastRung()
{
    row_ += height_ + 1;
    height_ = 0;
    return row_ < kLadderRows;
}

bool Converter::Coil(int32_t value)
{
    if (IsContactType(prevType_)) {
        if (!PlaceRung()) return false;
        grid_.g_ladderCoils[row_] = value;
        return true;
    }
    if (IsCoilType(prevType_)) {
        int r = row_;
        while (r < kLadderRows && grid_.g_ladderCoils[r] != kCoilNone) ++r;
        if (r >= kLadderRows) return false;
        grid_.g_ladderCoils[r] = value;
        grid_.SetLink(r - 1, kCoilLineBit, true);
        height_ = std::max(height_, r - row_);
        return true;
    }
    // After a step, a timer or at the start: an output-only rung.
    if (row_ >= kLadderRows) return false;
    for (int c = 0; c < kLadderCols; ++c) grid_.Cell(row_, c) = kCellWire;
    grid_.g_ladderCoils[row_] = value;
    height_ = 0;
    return true;
}

int Converter::Run(const std::array<StepCode, kStepsPerGroup>& input)
{
    grid_.Clear();
    for (int slot = 0; slot < kStepsPerGroup; ++slot) {
        const StepCode& code = input[slot];
        DecodedStep d = DecodeStep(code);
        if (!d.ok) return -1;
        if (d.type == kTypeNop) continue;   // no operation: not drawn
        if (d.end) {
            if (IsContactType(prevType_)) return CloseContactRung() ? 0 : -1;
            return 0;
        }
        int32_t value = MakeValue(d.type, d.kk, d.nn);
        bool ok = true;
        if (IsBlockAnd(code)) {
            ok = Combine(NodeKind::Series);
        } else if (IsBlockOr(code)) {
            ok = Combine(NodeKind::Parallel);
        } else if (d.type < kTypeLoad || d.type > kTypeTimer) {
            ok = false;
        } else if (d.type == kTypeLoad || d.type == kTypeLoadNot) {
            if (!IsContactType(prevType_)) {
                // A new rung.
                if (IsCoilType(prevType_)) ok = AdvancePastRung();
                depth_ = 0;
                nodeCount_ = 0;
            }
            ok = ok && Load(value);
        } else if (d.type == kTypeAnd || d.type == kTypeAndNot) {
            ok = IsContactType(prevType_) && Extend(NodeKind::Series, value);
        } else if (d.type == kTypeOr || d.type == kTypeOrNot) {
            ok = IsContactType(prevType_) && Extend(NodeKind::Parallel, value);
        } else if (IsCoilType(d.type)) {
            ok = Coil(value);
        } else {
            // Step or timer: closes the rung before it.
            if (IsContactType(prevType_)) ok = CloseContactRung();
            if (ok && (IsContactType(prevType_) || IsCoilType(prevType_))) ok = AdvancePastRung();
            if (ok && row_ >= kLadderRows) ok = false;
            if (ok) {
                grid_.Cell(row_, 0) = d.type == kTypeStep ? MakeStepValue(d.nn)
                                                          : MakeTimerValue(d.timerKind, d.timerSeconds);
                for (int c = 1; c < kLadderCols; ++c) grid_.Cell(row_, c) = kCellWire;
                grid_.g_ladderCoils[row_] = kCoilWire;
                ++row_;
                height_ = 0;
            }
        }
        if (!ok) return -1;
        prevType_ = d.type;
    }
    // 89 codes without an end code.
    if (IsContactType(prevType_)) return CloseContactRung() ? 0 : -1;
    return 0;
}

}  // namespace

int ConvertStepsToGrid(const std::array<StepCode, kStepsPerGroup>& codes, LadderGrid& grid,
                       int selectedStep, int* scrollRow)
{
    Converter converter(grid);
    int result = converter.Run(codes);
    if (selectedStep > 0 && scrollRow) {
        for (int r = 0; r < kLadderRows; ++r)
            if (grid.Cell(r, 0) == MakeStepValue(selectedStep)) {
                *scrollRow = r;
                break;
            }
    }
    return result;
}

int ConvertSeqToLadder(LadderContext& ctx, const StepTable& table)
{
    const auto* row = table.Row(ctx.g_seqGroup);
    if (!row) {
        ctx.Grid().Clear();
        return -1;
    }
    return ConvertStepsToGrid(*row, ctx.Grid(), ctx.g_seqSelectedStep, &ctx.g_ladderScrollRequest);
}

}  // namespace kravin::ladder

#include "ladder_translate.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace kravin::ladder {

namespace {

constexpr int kLastRow = kLadderRows - 1;

const char* const kErrorTexts[] = {
    "Connection is not completed.",
    "First element is invalid.",
    "Contact is not allowed with branching from a coil.",
    "Item number overflow.",
    "Contact is not allowed in the middle of a row if the first element is other than contact.",
    "OR connection is not allowed if the first element is other than contact.",
    "Specify output instruction in coil if the first element is other than contact.",
    "Connection is invalid if the first element is other than contact",
    "A new command has been created before STEP command.",
    "Incorrect STEP number.",
    "Duplicate STEP number.",
    "OR connection to STEP command is not allowed.",
    "Contact is not allowed in STEP command.",
    "Output is not allowed in STEP command.",
    "Timer is not allowed in STEP00.",
    "OR connection to a timer is not allowed.",
    "Contact is not allowed in Timer command.",
    "Output is not allowed in Timer command.",
    "Cannot translate.",
    "Specify output in STEP00.",
    "Branching to STEP00 is not allowed.",
    "Branching from STEP00 is not allowed.",
    "STEP00 or STEP01 does not exist.",
    "STEP02 or following steps are not allowed without STEP01 defined.",
    "Ladder without an output is valid only immediately before STEP or END command.",
};
constexpr int kFirstErrorMessageId = 8229;
const char* const kUnknownErrorText = "Unknown error type.";

bool KnownError(int code) { return code <= kErrNotConnected && code >= kErrRungWithoutOutput; }

// Out-of-grid cells read as empty.
int32_t CellAt(const LadderGrid& g, int r, int c)
{
    if (r < 0 || r >= kLadderRows || c < 0 || c >= kLadderCols) return kCellEmpty;
    return g.Cell(r, c);
}
bool EmptyAt(const LadderGrid& g, int r, int c) { return CellAt(g, r, c) == kCellEmpty; }
bool IsElement(int32_t v) { return v >= 0; }
bool WireOrEmpty(int32_t v) { return v == kCellWire || v == kCellEmpty; }

void ClearRow(LadderGrid& g, int r)
{
    for (int c = 0; c < kLadderCols; ++c) g.Cell(r, c) = kCellEmpty;
    g.g_ladderCoils[r] = kCoilNone;
    g.g_ladderLinks[r] = 0;
}

void CopyRow(LadderGrid& g, int to, int from)
{
    for (int c = 0; c < kLadderCols; ++c) g.Cell(to, c) = g.Cell(from, c);
    g.g_ladderCoils[to] = g.g_ladderCoils[from];
    g.g_ladderLinks[to] = g.g_ladderLinks[from];
}

std::string SeqConnectionText(const char* format, int slot, const StepCode& code)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, format, kFirstStepItem + slot, CodeText(code).c_str());
    return buf;
}

}  // namespace

int LadderErrorMessageId(int code)
{
    return KnownError(code) ? kFirstErrorMessageId + (kErrNotConnected - code)
                            : kFirstErrorMessageId + 25;
}

const char* LadderErrorText(int code)
{
    return KnownError(code) ? kErrorTexts[kErrNotConnected - code] : kUnknownErrorText;
}

std::string SeqConnectionAskText(int slot, const StepCode& code)
{
    return SeqConnectionText("Error in sequence connection. Do you want to continue? ( It%02d Dt=%s)", slot, code);
}

bool LadderPrompt::SeqConnection(bool ask, int slot, const StepCode& code)
{
    if (ask) return AskOkCancel(kMsgSeqConnectionAsk, SeqConnectionAskText(slot, code));
    ShowMessage(kMsgSeqConnectionReport, SeqConnectionReportText(slot, code));
    return true;
}

std::string SeqConnectionReportText(int slot, const StepCode& code)
{
    return SeqConnectionText("Error in sequence connection. ( It%02d Dt=%s)", slot, code);
}

// ---------------------------------------------------------------- normalisation

void RemoveEmptyRows(LadderGrid& g)
{
    int to = 0;
    for (int from = 0; from < kLadderRows; ++from) {
        if (g.RowEmpty(from)) {
            // A line that ended in the removed row stops at the row above;
            // only lines passing through it go on to the next row.
            if (to > 0) g.g_ladderLinks[to - 1] &= g.g_ladderLinks[from];
            continue;
        }
        if (to != from) CopyRow(g, to, from);
        ++to;
    }
    for (int r = to; r < kLadderRows; ++r) ClearRow(g, r);
}

void RedrawOutputBranches(LadderGrid& g)
{
    for (int lower = 1; lower < kLadderRows; ++lower) {
        const int r = lower - 1;
        if (g.g_ladderCoils[lower] <= 0 || g.Link(r, kCoilLineBit)) continue;
        int k = -1;
        for (int j = kCoilLineBit - 1; j >= 0 && k < 0; --j)
            if (g.Link(r, j)) k = j;
        if (k < 0) continue;
        bool plain = true;
        for (int c = k + 1; c < kLadderCols && plain; ++c)
            plain = WireOrEmpty(g.Cell(r, c)) && WireOrEmpty(g.Cell(lower, c));
        if (!plain) continue;
        // The rows above up to the rung's coil row must not branch right of k
        // either; a branch with no coil row above it in its rung is left alone.
        int top = r;
        bool coilRow = false;
        while (true) {
            for (int c = k + 1; c < kLadderCols; ++c)
                if (IsElement(g.Cell(top, c))) return;
            if (g.g_ladderCoils[top] > 0) {
                coilRow = true;
                break;
            }
            if (top == 0 || g.g_ladderLinks[top - 1] == 0) break;
            --top;
        }
        if (!coilRow) continue;
        if (g.Cell(lower, k) == kCellEmpty) g.SetLink(r, k, false);
        for (int c = k + 1; c < kLadderCols; ++c) g.Cell(lower, c) = kCellEmpty;
        for (int rr = top; rr <= r; ++rr) g.SetLink(rr, kCoilLineBit, true);
    }
}

void RemoveWireOnlyParallels(LadderGrid& g)
{
    for (int r = 0; r <= kLastRow - 2; ++r) {
        for (int j = 0; j < kLadderCols - 1; ++j) {
            if (g.Cell(r, j) != kCellWire) continue;
            if (j > 0 && !g.Link(r, j - 1)) continue;
            int k = -1;
            for (int c = j; c < kLadderCols && k < 0; ++c)
                if (g.Link(r, c)) k = c;
            if (k < 0) continue;
            auto continues = [&](int s) { return (j == 0 || g.Link(s, j - 1)) && g.Link(s, k); };
            int s = r + 1;
            while (s < kLastRow && g.Cell(s, j) == kCellEmpty && continues(s)) ++s;
            if (s >= kLastRow) continue;
            bool wiresOnly = true;
            for (int c = j; c <= k && wiresOnly; ++c) wiresOnly = g.Cell(s, c) == kCellWire;
            if (!wiresOnly) continue;
            for (int c = j; c <= k; ++c) g.Cell(s, c) = kCellEmpty;
            for (int t = s - 1; t >= r; --t) {
                const int low = t + 1;
                if (j > 0 && EmptyAt(g, low, j - 1) && EmptyAt(g, low, j) && !g.Link(low, j - 1))
                    g.SetLink(t, j - 1, false);
                bool rightFree = k < kCoilLineBit
                                     ? EmptyAt(g, low, k) && EmptyAt(g, low, k + 1) && !g.Link(low, k)
                                     : EmptyAt(g, low, k) && g.g_ladderCoils[low] == kCoilNone &&
                                           !g.Link(low, kCoilLineBit);
                if (rightFree) g.SetLink(t, k, false);
            }
        }
    }
}

void CloseOutputGaps(LadderGrid& g)
{
    bool moved = true;
    for (int round = 0; moved && round < kLadderRows; ++round) {
        moved = false;
        for (int r = 0; r < kLastRow; ++r) {
            const int lower = r + 1;
            if (g.g_ladderCoils[lower] <= 0 || !g.Link(r, kCoilLineBit) || g.g_ladderCoils[r] > 0) continue;
            // Climb the chain of coil-column lines.
            int t = r;
            while (t > 0 && g.Link(t - 1, kCoilLineBit) && g.g_ladderCoils[t - 1] <= 0) --t;
            // t is the row just below the nearest coil row, or the top of the chain.
            const int dest = t;
            g.g_ladderCoils[dest] = g.g_ladderCoils[lower];
            g.g_ladderCoils[lower] = kCoilNone;
            moved = true;
            // Lines below the moved output that now lead nowhere are dropped.
            int bottom = lower;
            while (bottom < kLastRow && g.Link(bottom, kCoilLineBit)) ++bottom;
            for (int u = bottom - 1; u >= dest; --u) {
                const int below = u + 1;
                if (g.g_ladderCoils[below] == kCoilNone && g.Cell(below, kLadderCols - 1) == kCellEmpty &&
                    !g.Link(below, kCoilLineBit))
                    g.SetLink(u, kCoilLineBit, false);
            }
        }
    }
}

void CompactSeriesSegments(LadderGrid& g)
{
    for (int r = 0; r < kLadderRows; ++r) {
        int c = 0;
        while (c < kLadderCols) {
            if (g.Cell(r, c) == kCellEmpty) {
                ++c;
                continue;
            }
            // A run of filled cells with no vertical line at its inner edges.
            int end = c;
            while (end + 1 < kLadderCols && g.Cell(r, end + 1) != kCellEmpty && !g.Link(r, end) &&
                   !g.Link(r - 1, end))
                ++end;
            int to = c;
            for (int i = c; i <= end; ++i)
                if (IsElement(g.Cell(r, i))) g.Cell(r, to++) = g.Cell(r, i);
            for (int i = to; i <= end; ++i) g.Cell(r, i) = kCellWire;
            c = end + 1;
        }
    }
}

void NormaliseLadder(LadderGrid& g)
{
    RemoveEmptyRows(g);
    RedrawOutputBranches(g);
    RemoveWireOnlyParallels(g);
    RemoveEmptyRows(g);
    CloseOutputGaps(g);
    RemoveEmptyRows(g);
    CompactSeriesSegments(g);
}

// ---------------------------------------------------------------- translation

namespace {

enum class NodeKind { Contact, Series, Parallel };

struct TreeNode {
    NodeKind kind;
    int32_t value;   // contact
    int key;         // row * 8 + column of its top-left contact
    int a;
    int b;
};

struct Edge {
    int u;
    int v;
    int node;
    bool alive;
};

class Translator {
public:
    explicit Translator(const LadderGrid& g) : g_(g) {}
    LadderTranslation Run();

private:
    bool Fail(int code, int r, int c)
    {
        if (out_.error == kLadderOk) {
            out_.error = code;
            out_.errorPos = {r, c};
        }
        return false;
    }
    bool Emit(const StepCode& code, int r, int c);
    bool Emit(int type, int kk, int nn, int r, int c);
    bool CheckConnections();
    bool CheckCoilBranches();
    bool StepRow(int r);
    bool TimerRow(int r);
    bool OutputRung(int first, int end);
    bool ContactRung(int first, int end);
    bool Outputs(int first, int end);
    bool BuildTree(int first, int end, int& root);
    int NewNode(NodeKind kind, int32_t value, int key, int a, int b);
    void Flatten(int n, NodeKind kind, std::vector<int>& out) const;
    bool EmitLoad(int n);
    bool EmitJoined(int n, NodeKind under);
    bool EmitContact(int n, int loadType, int joinedType);
    int Find(int x);

    const LadderGrid& g_;
    LadderTranslation out_;
    int curStep_ = -1;
    bool stepUsed_[20] = {};
    int rungFirst_ = 0;
    std::vector<TreeNode> nodes_;
    std::vector<Edge> edges_;
    std::vector<int> parent_;
    std::vector<int> degree_;
};

bool Translator::Emit(const StepCode& code, int r, int c)
{
    if (out_.count >= kStepsPerGroup) return Fail(kErrItemOverflow, r, c);
    out_.codes[out_.count++] = code;
    return true;
}

bool Translator::Emit(int type, int kk, int nn, int r, int c)
{
    StepCode code;
    if (!EncodeStep(type, kk, nn, code)) return Fail(kErrCannotTranslate, r, c);
    return Emit(code, r, c);
}

bool Translator::CheckConnections()
{
    auto lineAt = [&](int r, int bit) { return g_.Link(r - 1, bit) || g_.Link(r, bit); };
    for (int r = 1; r < kLadderRows; ++r) {
        for (int c = 0; c < kLadderCols; ++c) {
            if (g_.Cell(r, c) == kCellEmpty) continue;
            if (c > 0 && EmptyAt(g_, r, c - 1) && !lineAt(r, c - 1)) return Fail(kErrFirstElement, r, c);
            if (c < kLadderCols - 1) {
                if (EmptyAt(g_, r, c + 1) && !lineAt(r, c)) return Fail(kErrNotConnected, r, c);
            } else if (g_.g_ladderCoils[r] == kCoilNone && !lineAt(r, kCoilLineBit)) {
                return Fail(kErrNotConnected, r, c);
            }
        }
    }
    for (int r = 0; r < kLadderRows; ++r) {
        for (int j = 0; j < 8; ++j) {
            if (!g_.Link(r, j)) continue;
            if (!g_.Link(r - 1, j) && g_.Cell(r, j) == kCellEmpty) return Fail(kErrFirstElement, r, j);
            if (g_.Link(r + 1, j) || r == kLastRow) continue;
            bool reached = j < kCoilLineBit
                               ? !EmptyAt(g_, r + 1, j) || !EmptyAt(g_, r + 1, j + 1)
                               : g_.g_ladderCoils[r + 1] != kCoilNone || !EmptyAt(g_, r + 1, j);
            if (!reached) return Fail(kErrNotConnected, r, j);
        }
    }
    return true;
}

bool Translator::CheckCoilBranches()
{
    for (int r = 1; r < kLadderRows; ++r) {
        if (g_.g_ladderCoils[r] <= 0 || g_.Link(r - 1, kCoilLineBit)) continue;
        int k = -1;
        for (int j = kCoilLineBit - 1; j >= 0 && k < 0; --j)
            if (g_.Link(r - 1, j)) k = j;
        if (k < 0) continue;
        for (int c = kLadderCols - 1; c > k; --c) {
            if (IsContact(g_.Cell(r, c))) return Fail(kErrContactOnCoilBranch, r, c);
            if (IsContact(g_.Cell(r - 1, c))) return Fail(kErrContactOnCoilBranch, r - 1, c);
        }
    }
    return true;
}

bool Translator::StepRow(int r)
{
    const int ss = ValueTerminal(g_.Cell(r, 0));
    const int kk = ValueBlock(g_.Cell(r, 0));
    if (ss < 0 || ss > 19) return Fail(kErrStepNumber, r, 0);
    if (stepUsed_[ss]) return Fail(kErrDuplicateStep, r, 0);
    if (g_.g_ladderLinks[r] != 0 || (r > 0 && g_.g_ladderLinks[r - 1] != 0)) return Fail(kErrOrToStep, r, 0);
    for (int c = 1; c < kLadderCols; ++c)
        if (g_.Cell(r, c) != kCellWire) return Fail(kErrContactInStep, r, c);
    if (g_.g_ladderCoils[r] != kCoilWire) return Fail(kErrOutputInStep, r, kCoilCol);
    if (!Emit(kTypeStep, kk, ss, r, 0)) return false;
    stepUsed_[ss] = true;
    curStep_ = ss;
    return true;
}

bool Translator::TimerRow(int r)
{
    const int32_t v = g_.Cell(r, 0);
    if (curStep_ == 0) return Fail(kErrTimerInStep00, r, 0);
    if (g_.g_ladderLinks[r] != 0 || (r > 0 && g_.g_ladderLinks[r - 1] != 0)) return Fail(kErrOrToTimer, r, 0);
    for (int c = 1; c < kLadderCols; ++c)
        if (g_.Cell(r, c) != kCellWire) return Fail(kErrContactInTimer, r, c);
    if (g_.g_ladderCoils[r] != kCoilWire) return Fail(kErrOutputInTimer, r, kCoilCol);
    StepCode code;
    if (!EncodeTimer((v % 10000) / 1000, v % 1000, code)) return Fail(kErrCannotTranslate, r, 0);
    return Emit(code, r, 0);
}

bool Translator::OutputRung(int first, int end)
{
    for (int r = first; r <= end; ++r)
        for (int c = 0; c < kLadderCols; ++c)
            if (IsContact(g_.Cell(r, c))) return Fail(kErrContactInOutputRung, r, c);
    for (int r = first; r <= end; ++r)
        for (int j = 0; j < kCoilLineBit; ++j)
            if (g_.Link(r, j)) return Fail(kErrOrInOutputRung, r, j);
    for (int r = first; r <= end; ++r) {
        const int32_t coil = g_.g_ladderCoils[r];
        if (coil < 70000 || coil >= 120000) return Fail(kErrNoOutputInOutputRung, r, kCoilCol);
    }
    for (int r = first; r <= end; ++r)
        for (int c = 0; c < kLadderCols; ++c) {
            const int32_t v = g_.Cell(r, c);
            if (r == first ? v != kCellWire : v == kCellWire) return Fail(kErrOutputRungShape, r, c);
        }
    for (int r = first; r <= end; ++r) {
        const int32_t coil = g_.g_ladderCoils[r];
        if (!Emit(ValueKind(coil), ValueBlock(coil), ValueTerminal(coil), r, kCoilCol)) return false;
    }
    return true;
}

int Translator::NewNode(NodeKind kind, int32_t value, int key, int a, int b)
{
    nodes_.push_back(TreeNode{kind, value, key, a, b});
    return static_cast<int>(nodes_.size()) - 1;
}

int Translator::Find(int x)
{
    while (parent_[x] != x) {
        parent_[x] = parent_[parent_[x]];
        x = parent_[x];
    }
    return x;
}

// Reduces the rung's contacts to one series-parallel tree between the left
// rail and the coil junction of its first row.
bool Translator::BuildTree(int first, int end, int& root)
{
    const int rows = end - first + 1;
    const int points = rows * 9;
    auto pt = [&](int r, int b) { return (r - first) * 9 + b; };
    parent_.resize(points);
    degree_.assign(points, 0);
    for (int i = 0; i < points; ++i) parent_[i] = i;
    auto unite = [&](int x, int y) { parent_[Find(x)] = Find(y); };
    nodes_.clear();
    edges_.clear();

    for (int r = first; r <= end; ++r) {
        unite(pt(r, 0), pt(first, 0));   // the left rail
        for (int j = 0; j < 8 && r < end; ++j)
            if (g_.Link(r, j)) unite(pt(r, j + 1), pt(r + 1, j + 1));
        for (int c = 0; c < kLadderCols; ++c)
            if (g_.Cell(r, c) == kCellWire) unite(pt(r, c), pt(r, c + 1));
    }
    for (int r = first; r <= end; ++r)
        for (int c = 0; c < kLadderCols; ++c) {
            const int32_t v = g_.Cell(r, c);
            if (v == kCellEmpty || v == kCellWire) continue;
            if (!IsContact(v)) return Fail(kErrCannotTranslate, r, c);
            int n = NewNode(NodeKind::Contact, v, r * 8 + c, -1, -1);
            edges_.push_back(Edge{Find(pt(r, c)), Find(pt(r, c + 1)), n, true});
        }
    const int source = Find(pt(first, 0));
    const int sink = Find(pt(first, 8));
    auto failAt = [&](const Edge& e) {
        const int key = nodes_[e.node].key;
        return Fail(kErrCannotTranslate, key / 8, key % 8);
    };

    for (bool changed = true; changed;) {
        changed = false;
        for (auto& e : edges_)
            if (e.alive && e.u == e.v) return failAt(e);   // shorted by a wire
        // Parallel: two elements between the same two points.
        for (std::size_t i = 0; i < edges_.size(); ++i) {
            if (!edges_[i].alive) continue;
            for (std::size_t j = i + 1; j < edges_.size(); ++j) {
                Edge& e = edges_[i];
                Edge& f = edges_[j];
                if (!f.alive) continue;
                if (e.u == f.v && e.v == f.u) return failAt(f);
                if (e.u != f.u || e.v != f.v) continue;
                const int key = std::min(nodes_[e.node].key, nodes_[f.node].key);
                e.node = NewNode(NodeKind::Parallel, 0, key, e.node, f.node);
                f.alive = false;
                changed = true;
            }
        }
        // Series: a point that only joins two elements.
        std::fill(degree_.begin(), degree_.end(), 0);
        for (const auto& e : edges_)
            if (e.alive) {
                ++degree_[e.u];
                ++degree_[e.v];
            }
        for (std::size_t i = 0; i < edges_.size(); ++i) {
            if (!edges_[i].alive) continue;
            const int x = edges_[i].v;
            if (x == sink || x == source) continue;
            if (degree_[x] == 1) return failAt(edges_[i]);   // leads nowhere
            if (degree_[x] != 2) continue;
            for (std::size_t j = 0; j < edges_.size(); ++j) {
                if (j == i || !edges_[j].alive) continue;
                Edge& e = edges_[i];
                Edge& f = edges_[j];
                if (f.v == x) return failAt(f);   // both elements end at x
                if (f.u != x) continue;
                const int key = std::min(nodes_[e.node].key, nodes_[f.node].key);
                e.node = NewNode(NodeKind::Series, 0, key, e.node, f.node);
                e.v = f.v;
                f.alive = false;
                --degree_[x];
                --degree_[x];
                changed = true;
                break;
            }
        }
        for (const auto& e : edges_)
            if (e.alive && e.u != source && e.u != sink && degree_[e.u] == 1) return failAt(e);
    }
    const Edge* last = nullptr;
    int alive = 0;
    for (const auto& e : edges_)
        if (e.alive) {
            ++alive;
            if (!last || nodes_[e.node].key < nodes_[last->node].key) last = &e;
        }
    if (!last) return Fail(kErrCannotTranslate, first, 0);
    if (alive != 1 || last->u != source || last->v != sink) return failAt(*last);
    root = last->node;
    return true;
}

void Translator::Flatten(int n, NodeKind kind, std::vector<int>& out) const
{
    const TreeNode& node = nodes_[n];
    if (node.kind != kind) {
        out.push_back(n);
        return;
    }
    Flatten(node.a, kind, out);
    Flatten(node.b, kind, out);
}

bool Translator::EmitContact(int n, int loadType, int joinedType)
{
    const TreeNode& node = nodes_[n];
    const int type = (IsNormallyOpen(node.value) ? 0 : 1) + (loadType ? loadType : joinedType);
    const int r = node.key / 8, c = node.key % 8;
    const int kk = ValueBlock(node.value), nn = ValueTerminal(node.value);
    // An open contact on block 00 terminal 00 would read back as a block operation.
    if (!loadType && kk == 0 && nn == 0 && (type == kTypeAnd || type == kTypeOr))
        return Fail(kErrCannotTranslate, r, c);
    return Emit(type, kk, nn, r, c);
}

// Emits n as a new value: a load followed by what joins to it.
bool Translator::EmitLoad(int n)
{
    const TreeNode& node = nodes_[n];
    if (node.kind == NodeKind::Contact) return EmitContact(n, kTypeLoad, 0);
    std::vector<int> parts;
    Flatten(n, node.kind, parts);
    if (node.kind == NodeKind::Parallel)
        std::sort(parts.begin(), parts.end(), [&](int x, int y) { return nodes_[x].key < nodes_[y].key; });
    if (!EmitLoad(parts[0])) return false;
    for (std::size_t i = 1; i < parts.size(); ++i)
        if (!EmitJoined(parts[i], node.kind)) return false;
    return true;
}

// Emits n joined to the value before it, in series or in parallel.
bool Translator::EmitJoined(int n, NodeKind under)
{
    const bool series = under == NodeKind::Series;
    if (nodes_[n].kind == NodeKind::Contact) return EmitContact(n, 0, series ? kTypeAnd : kTypeOr);
    if (!EmitLoad(n)) return false;
    return Emit(MakeStepCode(series ? kAndBlockCode : kOrBlockCode), rungFirst_, 0);
}

bool Translator::ContactRung(int first, int end)
{
    rungFirst_ = first;
    int root = -1;
    if (!BuildTree(first, end, root)) return false;
    if (!EmitLoad(root)) return false;
    return Outputs(first, end);
}

bool Translator::Outputs(int first, int end)
{
    if (g_.g_ladderCoils[first] == kCoilNone) return Fail(kErrNotConnected, first, kCoilCol);
    for (int r = first; r <= end && g_.g_ladderCoils[r] != kCoilNone; ++r) {
        const int32_t coil = g_.g_ladderCoils[r];
        if (coil == kCoilWire) {
            if (curStep_ == 0) return Fail(kErrNoOutputInStep00, r, kCoilCol);
            bool atEnd = end + 1 < kLadderRows && IsStepCell(g_.Cell(end + 1, 0));
            if (!atEnd) {
                atEnd = true;
                for (int rr = end + 1; rr < kLadderRows && atEnd; ++rr) {
                    if (g_.g_ladderCoils[rr] > 0) atEnd = false;
                    for (int c = 0; c < kLadderCols && atEnd; ++c)
                        if (IsContact(g_.Cell(rr, c))) atEnd = false;
                }
            }
            if (!atEnd) return Fail(kErrRungWithoutOutput, r, kCoilCol);
            continue;
        }
        if (!IsOutputCoil(coil)) return Fail(kErrCannotTranslate, r, kCoilCol);
        if (ValueKind(coil) == kTypeBranch) {
            if (ValueTerminal(coil) == 0) return Fail(kErrBranchToStep00, r, kCoilCol);
            if (curStep_ == 0) return Fail(kErrBranchFromStep00, r, kCoilCol);
        }
        if (!Emit(ValueKind(coil), ValueBlock(coil), ValueTerminal(coil), r, kCoilCol)) return false;
    }
    return true;
}

LadderTranslation Translator::Run()
{
    for (auto& code : out_.codes) code = MakeStepCode(kEmptyCode);
    if (!CheckConnections() || !CheckCoilBranches()) return out_;

    for (int row = 0; row < kLadderRows && out_.error == kLadderOk;) {
        if (g_.RowEmpty(row) && g_.g_ladderLinks[row] == 0) {
            ++row;
            continue;
        }
        if (out_.count >= kStepsPerGroup) {
            Fail(kErrItemOverflow, row, 0);
            break;
        }
        const int end = g_.RungEnd(row);
        const int32_t v0 = g_.Cell(row, 0);
        if (curStep_ < 0 && !IsStepCell(v0)) {
            Fail(kErrBeforeStep, row, 0);
            break;
        }
        if (IsStepCell(v0)) {
            StepRow(row);
            ++row;
            continue;
        }
        if (IsTimerCell(v0)) {
            TimerRow(row);
            ++row;
            continue;
        }
        if (IsContact(v0) || v0 == kCellWire) {
            // A step or timer cannot be joined to a rung.
            for (int r = row + 1; r <= end && out_.error == kLadderOk; ++r) {
                if (IsStepCell(g_.Cell(r, 0))) Fail(kErrOrToStep, r, 0);
                if (IsTimerCell(g_.Cell(r, 0))) Fail(kErrOrToTimer, r, 0);
            }
            if (out_.error != kLadderOk) break;
            if (IsContact(v0)) ContactRung(row, end);
            else OutputRung(row, end);
            row = end + 1;
            continue;
        }
        ++row;   // empty, END or no-operation in column 0
    }
    if (out_.error != kLadderOk) return out_;
    if (!stepUsed_[0] && !stepUsed_[1]) {
        Fail(kErrNoStep00Or01, 0, 0);
        return out_;
    }
    if (!stepUsed_[1])
        for (int s = 2; s < 20; ++s)
            if (stepUsed_[s]) {
                Fail(kErrNoStep01, 0, 0);
                return out_;
            }
    if (out_.count < kStepsPerGroup) out_.codes[out_.count] = MakeStepCode(kEndCode);
    return out_;
}

}  // namespace

LadderTranslation TranslateGrid(LadderGrid& grid)
{
    NormaliseLadder(grid);
    return Translator(grid).Run();
}

void ReportLadderError(LadderPrompt& prompt, int code)
{
    if (code == kLadderOk) return;
    prompt.ShowMessage(LadderErrorMessageId(code), LadderErrorText(code));
}

int TranslateLadder(LadderContext& ctx, StepTable& table, SequenceCheck& check, LadderPrompt& prompt,
                    int mode)
{
    auto* row = table.Row(ctx.g_seqGroup);
    if (mode == kTranslateSilent) {
        LadderGrid scratch = ctx.Grid();
        LadderTranslation t = TranslateGrid(scratch);
        if (t.error != kLadderOk) return t.error;
        if (!row) return kErrCannotTranslate;
        for (int slot = 0; slot < kStepsPerGroup && !IsEndOfProgram(t.codes[slot]); ++slot)
            if (check.CheckStepCode(t.codes[slot]) != 0) return 1;
        return 0;
    }

    LadderTranslation t = TranslateGrid(ctx.Grid());
    if (t.error == kLadderOk && !row) t.error = kErrCannotTranslate;
    if (t.error != kLadderOk) {
        ctx.g_ladderErrorPos = t.errorPos;
        ReportLadderError(prompt, t.error);
        return t.error;
    }
    *row = t.codes;

    int result = 0;
    for (int slot = 0; slot < kStepsPerGroup && !IsEndOfProgram(t.codes[slot]); ++slot) {
        if (check.CheckStepCode(t.codes[slot]) == 0) continue;
        if (mode == kTranslateAsk) {
            if (!prompt.SeqConnection(true, slot, t.codes[slot])) return 1;
        } else {
            prompt.SeqConnection(false, slot, t.codes[slot]);
            result = 1;
        }
    }
    return result;
}

void PointCursorAtLadderError(LadderContext& ctx)
{
    const int visible = ctx.g_ladderShowComments ? 6 : 10;
    ctx.g_ladderCursor = ctx.g_ladderErrorPos;
    const int row = ctx.g_ladderErrorPos.row;
    ctx.g_ladderScrollRequest = row + visible > kLadderRows ? kLadderRows - visible : row;
}

LadderSettle SettleLadderEdit(LadderContext& ctx, StepTable& table, SequenceCheck& check, LadderPrompt& prompt,
                              int mode)
{
    if (!ctx.g_ladderEdited) return LadderSettle::Nothing;
    if (mode == kTranslateSilent) mode = kTranslateAsk;   // settling always speaks
    auto* row = table.Row(ctx.g_seqGroup);
    const auto before = row ? *row : std::array<StepCode, kStepsPerGroup>{};
    const int result = TranslateLadder(ctx, table, check, prompt, mode);
    if (result == 0) {
        ctx.g_stepTableBackup = table;
        ctx.g_ladderEdited = false;
        return LadderSettle::Committed;
    }
    if (result < 0) PointCursorAtLadderError(ctx);
    else if (row) *row = before;   // written but not accepted: keep the table as it was
    return LadderSettle::Refused;
}

}  // namespace kravin::ladder

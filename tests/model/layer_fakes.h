// Test doubles for the layers: an undo sink that keeps what it hears and a
// scripted comment dialog.
#pragma once

#include "comment_layer.h"
#include "figure_layer.h"

#include <vector>

namespace kravin::model::test {

struct HeardComment {
    int kind;
    int slot;
    CommentRecord record;
};
struct HeardFigure {
    int kind;
    int slot;
    FigureRecord record;
};

class RecordingUndo : public LayerUndo {
public:
    void RecordComment(int kind, int slot, const CommentRecord& r) override { comments.push_back({kind, slot, r}); }
    void RecordFigure(int kind, int slot, const FigureRecord& r) override { figures.push_back({kind, slot, r}); }
    void BeginStep() override { ++depth; }
    void EndStep() override
    {
        if (--depth == 0) ++steps;
    }
    std::vector<HeardComment> comments;
    std::vector<HeardFigure> figures;
    int depth = 0;
    int steps = 0;
};

class ScriptedDialog : public CommentDialog {
public:
    bool run(CommentDialogData& data) override
    {
        seen.push_back(data);
        if (!ok) return false;
        data.text = text;
        data.colour = colour;
        data.deleteRequested = deleteRequested;
        return true;
    }
    bool ok = true;
    std::string text = "note";
    std::int32_t colour = 0x00C0FFFF;
    bool deleteRequested = false;
    std::vector<CommentDialogData> seen;
};

// A layer environment that counts modified marks and messages.
struct EnvProbe {
    int modified = 0;
    std::vector<int> messages;
    LayerEnv env(LayerUndo* undo = nullptr)
    {
        return {[this] { ++modified; }, [this](int id) { messages.push_back(id); }, undo};
    }
};

}  // namespace kravin::model::test

// Fixtures for the undo store tests: a project work folder, a snapshot of
// every file in it, and a wiring view that holds real layers.
#pragma once

#include "KRAVinA.h"
#include "comment_layer.h"
#include "figure_layer.h"
#include "temp_dir.h"
#include "undo_view.h"
#include "unit_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kravin::model::test {

using Files = std::map<std::string, std::vector<unsigned char>>;

// Every file under the folder by its relative path.
inline Files snapshotFolder(const std::filesystem::path& root)
{
    Files files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::vector<unsigned char> bytes(e.file_size());
        std::ifstream in(e.path(), std::ios::binary);
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        files[std::filesystem::relative(e.path(), root).string()] = std::move(bytes);
    }
    return files;
}

// Names of the files that differ between two snapshots (for readable failures).
inline std::vector<std::string> changedFiles(const Files& a, const Files& b)
{
    std::vector<std::string> out;
    for (const auto& [name, bytes] : a)
        if (!b.count(name) || b.at(name) != bytes) out.push_back(name);
    for (const auto& [name, bytes] : b)
        if (!a.count(name)) out.push_back(name);
    return out;
}

// A wiring view with its own layers and link lists.
class FakeView : public UndoView {
public:
    FakeView(WiringViewKind kind, const std::string& folder, std::string commentFile, std::string figureFile,
             const LayerEnv& env = {})
        : kind_(kind),
          comments(env, folder, std::move(commentFile)),
          figures(env, folder, std::move(figureFile))
    {
    }
    WiringViewKind kind() const override { return kind_; }
    CCommentMap& commentLayer() override { return comments; }
    CFigureMap& figureLayer() override { return figures; }
    void restoreLink(const LinkRecord& saved) override
    {
        std::erase_if(links, [&](const LinkRecord& r) { return std::strncmp(r.name, saved.name, 16) == 0; });
        if (saved.inUse == 1) links.push_back(saved);
        pendingCleared = true;
    }
    int currentBlock() const override { return block; }
    LineEnd selectedLineEnd(int which) const override { return which == 1 ? end1 : end2; }
    void forgetBlockHeight(int b) override { forgotten.push_back(b); }
    TerminalSelection terminalSelection(int which) const override { return which == 1 ? sel1 : sel2; }

    WiringViewKind kind_;
    CCommentMap comments;
    CFigureMap figures;
    std::vector<LinkRecord> links;
    bool pendingCleared = false;
    int block = 0;
    LineEnd end1, end2;
    std::vector<int> forgotten;
    TerminalSelection sel1, sel2;
};

// A project work folder created through KRAVinA.
struct ProjectFolder {
    kravin::test::TempDir dir;
    ProjectFolder() { EXPECT_EQ(KRAVinA_Proj_Create("undo", "", "", dir.str().c_str()), 1); }
    std::string str() const { return dir.str(); }
    Files files() const { return snapshotFolder(dir.path()); }
};

// A text in a zero-padded field of N bytes.
template <std::size_t N>
std::array<char, N> field(const std::string& s)
{
    std::array<char, N> a{};
    std::memcpy(a.data(), s.data(), std::min(s.size(), a.size()));
    return a;
}
inline auto itemText(const std::string& s) { return field<kItemBytes>(s); }
inline auto termText(const std::string& s) { return field<kTermBytes>(s); }

}  // namespace kravin::model::test

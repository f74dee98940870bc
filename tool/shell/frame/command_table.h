// The main frame's commands by id: the work of each and the rule that enables it.
// The menus, the toolbar and the accelerators run through it; each feature adds
// the commands it serves when it is made.
#pragma once

#include <functional>
#include <map>

namespace kravin::shell {

class CommandTable {
public:
    using Handler = std::function<void()>;
    using Rule = std::function<bool()>;

    // Adds a command, or replaces the one under the id. Without a rule it is
    // enabled whenever the frame's state allows it.
    void add(int id, Handler handler, Rule enabled = {});
    bool has(int id) const { return entries_.count(id) != 0; }
    // Whether the command is added and its rule allows it now.
    bool enabled(int id) const;
    // Runs the command's work; false when the id has none.
    bool run(int id) const;

private:
    struct Entry {
        Handler handler;
        Rule enabled;
    };
    std::map<int, Entry> entries_;
};

}  // namespace kravin::shell

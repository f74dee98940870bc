#include "command_table.h"

namespace kravin::shell {

void CommandTable::add(int id, Handler handler, Rule enabled)
{
    entries_[id] = Entry{std::move(handler), std::move(enabled)};
}

bool CommandTable::enabled(int id) const
{
    const auto it = entries_.find(id);
    return it != entries_.end() && (!it->second.enabled || it->second.enabled());
}

bool CommandTable::run(int id) const
{
    const auto it = entries_.find(id);
    if (it == entries_.end() || !it->second.handler) return false;
    // A copy: the work may replace its own entry.
    const Handler handler = it->second.handler;
    handler();
    return true;
}

}  // namespace kravin::shell

// The view in the main frame's child frame of a kind, as its type.
#pragma once

#include "child_frame.h"
#include "main_frame.h"

namespace kravin::test {

// Null when no such frame is open or its view is of another type.
template <class V>
V* openView(shell::MainFrame& frame, shell::ViewKind kind)
{
    shell::ChildFrame* f = frame.frame(kind);
    return f ? qobject_cast<V*>(f->view()) : nullptr;
}

}  // namespace kravin::test

#include "open_pages.h"

#include "anatan_page.h"
#include "child_frame.h"
#include "dentan_page.h"
#include "main_frame.h"
#include "system_view_page.h"

namespace kravin::shell {

namespace {

template <class Page>
Page* pageOf(const MainFrame* frame, ViewKind kind)
{
    ChildFrame* f = frame ? frame->frame(kind) : nullptr;
    return f ? qobject_cast<Page*>(f->view()) : nullptr;
}

}  // namespace

ShellSystemView* systemViewOf(const MainFrame* frame) { return pageOf<ShellSystemView>(frame, ViewKind::System); }

AnaTanPage* anaTanPageOf(const MainFrame* frame) { return pageOf<AnaTanPage>(frame, ViewKind::AnaTan); }

DenTanPage* denTanPageOf(const MainFrame* frame) { return pageOf<DenTanPage>(frame, ViewKind::DenTan); }

}  // namespace kravin::shell

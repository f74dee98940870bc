// What the system view's commands and its clipboard tell the running tool the
// same way: the project is modified, the current unit changed, the open system
// view repaints or rebuilds its display data, an open communication view follows
// the changed units, the wait cursor.
#pragma once

#include "dentan_page.h"
#include "main_frame.h"
#include "open_pages.h"
#include "project.h"
#include "system_view_page.h"

#include <QGuiApplication>

namespace kravin::shell {

// Hooks: editors::SystemCommandHooks or editors::SystemClipboardHooks.
template <class Hooks>
void fillSystemViewHooks(Hooks& hooks, MainFrame* frame, model::ProjectSession& session, ModelUnitSelection& selection)
{
    hooks.setModified = [&session] { session.projectRecord.modified = 1; };
    hooks.unitChanged = [&selection] {
        if (selection.changed) selection.changed();
    };
    hooks.invalidate = [frame] {
        if (ShellSystemView* view = systemViewOf(frame)) view->requestRedraw(true);
    };
    hooks.rebuildDisplayData = [frame] {
        if (ShellSystemView* view = systemViewOf(frame)) view->RebuildDisplayData();
        if (DenTanPage* comm = denTanPageOf(frame)) comm->view()->followProject();
    };
    hooks.waitCursor = [](bool on) {
        if (on)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    };
}

}  // namespace kravin::shell

// The pages of the views open in the main frame, found by their kind.
#pragma once

namespace kravin::shell {

class AnaTanPage;
class DenTanPage;
class MainFrame;
class ShellSystemView;

// Each is null when the frame or its view of the kind is not open.
ShellSystemView* systemViewOf(const MainFrame* frame);
AnaTanPage* anaTanPageOf(const MainFrame* frame);
DenTanPage* denTanPageOf(const MainFrame* frame);

}  // namespace kravin::shell

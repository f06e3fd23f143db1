#pragma once
#include <memory>

#include "ui/Backend.h"

namespace ui {

// The toolkit on Windows: every control is a native window (static labels, a progress bar
// of the common controls, owner-drawn push buttons that show a normal or a disabled
// image), a bevel is painted by its form, and message boxes are the system's. IconId
// names the program's icon resource, shown in every form's title bar.
//
// Threads: forms and controls are built on the user-interface thread, which owns their
// windows. A change forwarded from any other thread (the update engine reports from its
// download workers) is carried to the user-interface thread with SendMessage and made
// there, in the order the changes were made; the sender waits until it is done. This
// cannot deadlock as long as that thread keeps taking messages while it waits for a
// worker, which every wait of the program does. Message boxes run on the user-interface
// thread the same way, so that they are always modal to the window that owns them.
//
// Built only for Windows; it calls InitCommonControlsEx once.
std::unique_ptr<TBackend> CreateWin32Backend(int IconId);

}  // namespace ui

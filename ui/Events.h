#pragma once
#include <functional>

#include "core/Component.h"

namespace ui {

// A handler of a component's notification; an empty one is skipped.
using TNotifyEvent = std::function<void(TObject *Sender)>;
// Asked before a window closes; clearing CanClose keeps it open.
using TCloseQueryEvent = std::function<void(TObject *Sender, bool &CanClose)>;

// Runs Handler for Sender as a user action does: an error escaping the handler goes to
// the application's general error handler instead of ending the program.
void RunHandler(const TNotifyEvent &Handler, TObject *Sender);

}  // namespace ui

#pragma once
#include <string>

#include "ui/Backend.h"

namespace ui {

// The system's modal message box, owned by Owner (may be nullptr); returns the button
// chosen. May be called from any thread. (Not named MessageBox: windows.h would rename it.)
TModalResult ShowMessageBox(TForm *Owner, const std::string &Text, const std::string &Caption, TMsgButtons Buttons,
                            TMsgIcon Icon);

}  // namespace ui

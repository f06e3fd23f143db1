#include "ui/Dialogs.h"

namespace ui {

TModalResult ShowMessageBox(TForm *Owner, const std::string &Text, const std::string &Caption, TMsgButtons Buttons,
                            TMsgIcon Icon) {
  return Backend().ShowMessageBox(Owner, Text, Caption, Buttons, Icon);
}

}  // namespace ui

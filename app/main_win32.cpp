// QuilletUpdate.exe: the updater's program start. A Windows program (no console); the
// C runtime of mingw-w64 calls main for it as well.
#include "app/ResourceIds.h"
#include "app/uQuilletUpdate.h"
#include "lang/Language.h"
#include "sys/uGlobal.h"
#include "ui/Application.h"
#include "ui/Win32Backend.h"

int main() {
  // The language manager first: every window's language component registers with it.
  TLangMgrScope languageManager;
  // Fixed here as designed, though nothing reads it: the engine and the language
  // manager each take the same directory themselves.
  AppDir = ExecutableDirectory();
  ui::Application().SetTitle("QuilletUpdate");
  ui::InstallBackend(ui::CreateWin32Backend(IDI_QUILLETUPDATE));
  // Built from its layout, with the texts of its language applied and acInitExecute run;
  // freed once the message loop has ended with its closing.
  TfrmQuilletUpdate window;
  return ui::Application().Run(window);
}

#include "ui/Application.h"

#include "sys/MessageQueue.h"
#include "ui/Dialogs.h"

namespace ui {

TApplication &Application() {
  static TApplication application;
  return application;
}

int TApplication::Run(TForm &MainForm) {
  if (MainForm.Closed()) return 0;
  sys::CreateMessageQueue();
  FThread = sys::CurrentThreadId();
  FMainForm = &MainForm;
  // Closing the form from here on posts the quit request that ends the loop, even when
  // it closes while being shown.
  MainForm.Show();
  const int exitCode = Backend().RunMessageLoop();
  FMainForm = nullptr;
  FThread = 0;
  return exitCode;
}

void TApplication::Terminate() {
  const sys::ThreadId thread = FThread;
  if (!thread) return;
  if (thread == sys::CurrentThreadId())
    sys::PostQuit(0);
  else
    sys::PostTask(thread, [] { sys::PostQuit(0); });
}

void TApplication::ShowException(const std::exception &E) {
  ShowMessageBox(FMainForm, E.what(), FTitle, TMsgButtons::OK, TMsgIcon::Error);
}

void RunHandler(const TNotifyEvent &Handler, TObject *Sender) {
  if (!Handler) return;
  try {
    Handler(Sender);
  } catch (const std::exception &E) {
    Application().ShowException(E);
  }
}

}  // namespace ui

#pragma once
#include <atomic>
#include <exception>
#include <string>

#include "sys/Thread.h"
#include "ui/Form.h"

namespace ui {

// The program's user-interface thread: its message loop, its main form and the general
// error handler.
class TApplication {
 public:
  const std::string &Title() const { return FTitle; }
  void SetTitle(const std::string &Value) { FTitle = Value; }

  // Shows MainForm and runs the calling thread's message loop (that thread becomes the
  // user-interface thread) until MainForm closes or Terminate is called. Returns the
  // loop's exit code.
  int Run(TForm &MainForm);
  // Ends the running loop; may be called from any thread. Does nothing when no loop runs.
  void Terminate();
  TForm *MainForm() const { return FMainForm; }

  // The general error handler: an error that escaped a handler is shown in a message box
  // with an error icon and the title as caption, and the program carries on.
  void ShowException(const std::exception &E);

 private:
  std::string FTitle;
  std::atomic<TForm *> FMainForm{nullptr};
  std::atomic<sys::ThreadId> FThread{0};
};

TApplication &Application();

}  // namespace ui

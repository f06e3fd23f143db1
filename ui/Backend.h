#pragma once
#include <functional>
#include <memory>
#include <string>

namespace ui {

class TControl;
class TForm;

// The native counterpart of one control (a window on Win32, a recorder in tests). The
// backend builds it from the control's settings when the control's window finishes its
// layout; afterwards the control forwards every change of its texts and state here, even
// a write of the value it already holds. A peer that has nothing to do for a change
// leaves the default, which ignores it.
class TControlPeer {
 public:
  virtual ~TControlPeer() = default;

  // Caption of a label or button; title of a form.
  virtual void CaptionChanged(const std::string & /*Caption*/) {}
  virtual void HintChanged(const std::string & /*Hint*/) {}
  virtual void EnabledChanged(bool /*Enabled*/) {}
  // Position of a progress bar.
  virtual void PositionChanged(int /*Position*/) {}
  virtual void ColumnCaptionChanged(int /*Index*/, const std::string & /*Caption*/) {}
  // A form is shown or closed.
  virtual void Shown() {}
  virtual void Closed() {}

  // For a form: runs Call on the thread that owns the form's window and returns once it
  // has run there (at once when that is the calling thread).
  virtual void RunOnOwnerThread(const std::function<void()> &Call) { Call(); }
  // For a form: queues Task to run on that thread when it next takes its messages, a
  // modal loop of its own included (the window dragged, a menu open).
  virtual void PostToOwnerThread(std::function<void()> Task) { Task(); }
};

enum class TMsgButtons { OK, OKCancel };
enum class TMsgIcon { None, Information, Warning, Error, Question };
// The button that ended a message box; closing an OK/Cancel box counts as Cancel.
enum class TModalResult { OK, Cancel };

// What the toolkit needs from a windowing system. The program installs the Win32 backend
// at start-up; tests run on a headless one of their own.
class TBackend {
 public:
  virtual ~TBackend() = default;

  // Builds the native counterpart of Control inside Parent's (nullptr for a form). May
  // return nullptr for a component that needs none.
  virtual std::unique_ptr<TControlPeer> CreatePeer(TControl &Control, TControlPeer *Parent) = 0;

  // Shows a modal message box owned by Owner (may be nullptr) and returns the button
  // chosen. May be called from any thread.
  virtual TModalResult ShowMessageBox(TForm *Owner, const std::string &Text, const std::string &Caption,
                                      TMsgButtons Buttons, TMsgIcon Icon) = 0;

  // Runs the calling thread's message loop until a quit request; returns its exit code.
  virtual int RunMessageLoop();
};

// The backend in use. A program installs its backend before it builds any window; until
// then there is none, and asking for it ends the program with a message.
TBackend &Backend();

// Makes Backend the one in use, for every window built afterwards, and returns the one
// it replaces. Windows keep the peers they were built with.
std::unique_ptr<TBackend> InstallBackend(std::unique_ptr<TBackend> Backend);

}  // namespace ui

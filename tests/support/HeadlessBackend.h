#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "sys/Event.h"
#include "ui/Backend.h"

namespace ui {

// A backend without windows, for tests on every build. It records every change that the
// controls forward (texts, positions, enabled state, shown and closed forms) and every
// message box, and answers message boxes from a script. Its message loop is the platform
// layer's, so tasks posted to the user-interface thread and the waits that dispatch them
// behave as in the program. Safe to use from several threads.
class THeadlessBackend : public TBackend {
 public:
  // One forwarded change: the control's name, what changed ("Caption", "Hint",
  // "Enabled", "Position", "Columns[1].Caption", "Shown", "Closed") and the new value
  // as text ("1"/"0" for Enabled, the number for Position, "" for Shown and Closed).
  struct TChange {
    std::string Control;
    std::string What;
    std::string Value;
    bool operator==(const TChange &Other) const {
      return Control == Other.Control && What == Other.What && Value == Other.Value;
    }
  };
  struct TMessageBoxRecord {
    std::string Owner;  // the owner's name; "" for none
    std::string Text;
    std::string Caption;
    TMsgButtons Buttons;
    TMsgIcon Icon;
    TModalResult Answer;
  };

  std::unique_ptr<TControlPeer> CreatePeer(TControl &Control, TControlPeer *Parent) override;
  // Takes the next scripted answer; without one it waits, as the user would keep the box
  // open, until a test scripts one.
  TModalResult ShowMessageBox(TForm *Owner, const std::string &Text, const std::string &Caption, TMsgButtons Buttons,
                              TMsgIcon Icon) override;

  // Queues the answer of a message box yet to be shown (or one waiting now).
  void ScriptAnswer(TModalResult Answer);
  // The waits below wait as the user-interface thread does: the calling thread's messages
  // (work that other threads pass to its windows) are dispatched meanwhile.
  //
  // Waits until Count message boxes have been answered, at most TimeoutMs; true if they were.
  bool WaitForMessageBoxes(std::size_t Count, int TimeoutMs) const;
  // Waits until Count message boxes are open at once, waiting for answers, at most
  // TimeoutMs; true if they were.
  bool WaitForOpenMessageBoxes(std::size_t Count, int TimeoutMs) const;

  // Waits until Condition holds for the changes recorded since the last ClearRecords, at
  // most TimeoutMs; true if it does. Condition runs under the backend's lock.
  bool WaitUntil(const std::function<bool(const std::vector<TChange> &)> &Condition, int TimeoutMs) const;
  // Waits until Control's What has taken Value (at any time since the last ClearRecords),
  // at most TimeoutMs; true if it has.
  bool WaitForChange(const std::string &Control, const std::string &What, const std::string &Value,
                     int TimeoutMs) const;

  std::vector<TChange> Changes() const;
  // The values that one kind of change of one control took, in order.
  std::vector<std::string> ChangesOf(const std::string &Control, const std::string &What) const;
  std::vector<TMessageBoxRecord> MessageBoxes() const;
  void ClearRecords();

 private:
  bool WaitAsTheUserInterfaceThread(const std::function<bool()> &Holds, int TimeoutMs) const;

  class TRecordingPeer;
  // Shared with the peers, so that a control built on this backend may outlive it.
  struct TRecords {
    std::mutex Mutex;
    std::condition_variable Changed;
    std::vector<TChange> Changes;
    std::vector<TMessageBoxRecord> MessageBoxes;
    std::deque<TModalResult> Answers;
    std::size_t OpenBoxes = 0;
    // Set on every change: wakes the waits, which also take messages meanwhile.
    sys::Event ChangedSignal{sys::Event::Mode::AutoReset};
  };
  std::shared_ptr<TRecords> FRecords = std::make_shared<TRecords>();
};

// Installs a fresh headless backend and returns it (for tests, which keep it in use).
THeadlessBackend &UseHeadlessBackend();

}  // namespace ui

#include "tests/support/HeadlessBackend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "sys/MessageQueue.h"
#include "ui/Form.h"

namespace ui {

// Turns every forwarded change of one control into a record of the backend.
class THeadlessBackend::TRecordingPeer : public TControlPeer {
 public:
  // Built on the thread that ends the form's layout, which is the form's own thread.
  TRecordingPeer(std::shared_ptr<TRecords> Records, const TControl &Control)
      : FRecords(std::move(Records)), FControl(Control), FOwnerThread(sys::CurrentThreadId()) {}

  void CaptionChanged(const std::string &Caption) override { Record("Caption", Caption); }
  void HintChanged(const std::string &Hint) override { Record("Hint", Hint); }
  void EnabledChanged(bool Enabled) override { Record("Enabled", Enabled ? "1" : "0"); }
  void PositionChanged(int Position) override { Record("Position", std::to_string(Position)); }
  void ColumnCaptionChanged(int Index, const std::string &Caption) override {
    Record("Columns[" + std::to_string(Index) + "].Caption", Caption);
  }
  void Shown() override { Record("Shown", ""); }
  void Closed() override { Record("Closed", ""); }

  // As on Windows: the owner thread runs what it is given when it takes its messages. A
  // form whose thread cannot take any is a broken test: it stops at once, so that work
  // meant for the user-interface thread never quietly runs on another.
  void RunOnOwnerThread(const std::function<void()> &Call) override {
    if (sys::CurrentThreadId() == FOwnerThread) {
      Call();
      return;
    }
    sys::Event ran(sys::Event::Mode::ManualReset);
    if (!sys::PostTask(FOwnerThread, [&] {
          Call();
          ran.Set();
        })) {
      NoQueue();
    }
    ran.Wait(sys::kInfiniteWait);
  }
  void PostToOwnerThread(std::function<void()> Task) override {
    if (!sys::PostTask(FOwnerThread, std::move(Task))) NoQueue();
  }

 private:
  void Record(const std::string &What, const std::string &Value) {
    std::lock_guard<std::mutex> lock(FRecords->Mutex);
    FRecords->Changes.push_back({FControl.Name(), What, Value});
    FRecords->Changed.notify_all();
    FRecords->ChangedSignal.Set();
  }

  static void NoQueue() {
    std::fputs("headless backend: the form's thread takes no messages (sys::CreateMessageQueue)\n", stderr);
    std::abort();
  }

  std::shared_ptr<TRecords> FRecords;
  const TControl &FControl;
  const sys::ThreadId FOwnerThread;
};

std::unique_ptr<TControlPeer> THeadlessBackend::CreatePeer(TControl &Control, TControlPeer *) {
  return std::make_unique<TRecordingPeer>(FRecords, Control);
}

TModalResult THeadlessBackend::ShowMessageBox(TForm *Owner, const std::string &Text, const std::string &Caption,
                                              TMsgButtons Buttons, TMsgIcon Icon) {
  TRecords &records = *FRecords;
  std::unique_lock<std::mutex> lock(records.Mutex);
  ++records.OpenBoxes;
  records.Changed.notify_all();
  records.ChangedSignal.Set();
  records.Changed.wait(lock, [&] { return !records.Answers.empty(); });
  TModalResult answer = records.Answers.front();
  records.Answers.pop_front();
  // An OK-only box has no Cancel button: closing it answers OK, as on Windows.
  if (Buttons == TMsgButtons::OK) answer = TModalResult::OK;
  --records.OpenBoxes;
  records.MessageBoxes.push_back({Owner ? Owner->Name() : std::string(), Text, Caption, Buttons, Icon, answer});
  records.Changed.notify_all();
  records.ChangedSignal.Set();
  return answer;
}

void THeadlessBackend::ScriptAnswer(TModalResult Answer) {
  std::lock_guard<std::mutex> lock(FRecords->Mutex);
  FRecords->Answers.push_back(Answer);
  FRecords->Changed.notify_all();
}

bool THeadlessBackend::WaitAsTheUserInterfaceThread(const std::function<bool()> &Holds, int TimeoutMs) const {
  // A slice short enough that the time limit is seen, whatever else happens.
  constexpr int kSliceMs = 50;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  bool held = false;
  sys::WaitDispatchingMessages(FRecords->ChangedSignal, kSliceMs, [&] {
    std::lock_guard<std::mutex> lock(FRecords->Mutex);
    held = Holds();
    return held || std::chrono::steady_clock::now() >= deadline;
  });
  return held;
}

bool THeadlessBackend::WaitForMessageBoxes(std::size_t Count, int TimeoutMs) const {
  return WaitAsTheUserInterfaceThread([&] { return FRecords->MessageBoxes.size() >= Count; }, TimeoutMs);
}

bool THeadlessBackend::WaitForOpenMessageBoxes(std::size_t Count, int TimeoutMs) const {
  return WaitAsTheUserInterfaceThread([&] { return FRecords->OpenBoxes >= Count; }, TimeoutMs);
}

bool THeadlessBackend::WaitUntil(const std::function<bool(const std::vector<TChange> &)> &Condition,
                                 int TimeoutMs) const {
  return WaitAsTheUserInterfaceThread([&] { return Condition(FRecords->Changes); }, TimeoutMs);
}

bool THeadlessBackend::WaitForChange(const std::string &Control, const std::string &What, const std::string &Value,
                                     int TimeoutMs) const {
  const TChange wanted{Control, What, Value};
  return WaitUntil(
      [&](const std::vector<TChange> &changes) {
        return std::find(changes.begin(), changes.end(), wanted) != changes.end();
      },
      TimeoutMs);
}

std::vector<THeadlessBackend::TChange> THeadlessBackend::Changes() const {
  std::lock_guard<std::mutex> lock(FRecords->Mutex);
  return FRecords->Changes;
}

std::vector<std::string> THeadlessBackend::ChangesOf(const std::string &Control, const std::string &What) const {
  std::lock_guard<std::mutex> lock(FRecords->Mutex);
  std::vector<std::string> values;
  for (const TChange &change : FRecords->Changes)
    if (change.Control == Control && change.What == What) values.push_back(change.Value);
  return values;
}

std::vector<THeadlessBackend::TMessageBoxRecord> THeadlessBackend::MessageBoxes() const {
  std::lock_guard<std::mutex> lock(FRecords->Mutex);
  return FRecords->MessageBoxes;
}

void THeadlessBackend::ClearRecords() {
  std::lock_guard<std::mutex> lock(FRecords->Mutex);
  FRecords->Changes.clear();
  FRecords->MessageBoxes.clear();
}

THeadlessBackend &UseHeadlessBackend() {
  auto backend = std::make_unique<THeadlessBackend>();
  THeadlessBackend &headless = *backend;
  InstallBackend(std::move(backend));
  return headless;
}

}  // namespace ui

namespace {

// Every test program with windows starts on a headless backend, since the toolkit has no
// default one; a test may install a fresh one for its own records.
const bool kHeadlessFromTheStart = (ui::UseHeadlessBackend(), true);

}  // namespace

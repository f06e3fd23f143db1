#pragma once
// The update window: two status lines, a progress bar and two buttons, leading the user
// through the two-state update flow (1: check for a newer release, 2: download and
// install it) of the update engine it owns.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "engine/SoftUpdater.h"
#include "lang/Language.h"
#include "sys/Thread.h"
#include "ui/Actions.h"
#include "ui/Form.h"

// What the window takes from the system, replaceable for tests.
struct TQuilletUpdateSettings {
  // The engine's program directory; empty for the running executable's.
  std::string ProgramDir;
  // The system's default language identifier (a LANGID), which selects the language.
  std::function<std::uint16_t()> SystemLangId;
  // The pause after ending the running main program, before its files are replaced.
  unsigned MainProgramExitPauseMs = kMainProgramExitPauseMs;
};

// Threads. The check runs on the user-interface thread, as do the buttons. The engine
// raises its download notifications on its download worker threads, and uptFileDowning,
// uptFileAllDowned (with the pause and the installation) and uptCopyFile run right there,
// so that the worker, not the user-interface thread, waits for the user to close the
// completion notice. They change the controls only through the toolkit, whose native
// backend carries every change and message box over to the user-interface thread and
// makes it there in the order given; FState is atomic. What follows an outcome (from
// the moment the state and the busy flag let a click through) runs on the
// user-interface thread itself, so that a click and a worker never write the same text.
//
// Closing. A check or a download is abandoned when the window closes: freeing the engine
// stops its transfers and starts nothing further. An installation is never cut short:
// a close asked for while one runs (from the last download's end to the completion
// notice) is held back and carried out when it is done. The window itself is freed only
// after the message loop has ended, which cannot happen while a check, whose wait runs
// that loop's messages, is on the user-interface thread's stack.
class TfrmQuilletUpdate : public ui::TForm {
 public:
  // Builds the layout, lets Lang apply the texts of the current language and runs
  // acInitExecute. Call on the user-interface thread.
  explicit TfrmQuilletUpdate(TQuilletUpdateSettings Settings = TQuilletUpdateSettings(), TComponent *AOwner = nullptr);
  ~TfrmQuilletUpdate() override;

  // The components, in the window's component order.
  ui::TLabel *lblOper;
  ui::TLabel *lblInfo;
  ui::TProgressBar *PBar;
  ui::TBevel *Bevel1;
  ui::TImageButton *btnUpdate;
  ui::TImageButton *btnClose;
  TSoftUpdater *upt;
  TLanguage *Lang;
  ui::TActionList *ActionList;
  ui::TAction *acClose;
  ui::TAction *acUpdate;
  ui::TAction *acInit;
  ui::TAction *acUninit;
  ui::TAction *acOnShow;
  ui::TAction *Action6;
  ui::TAction *Action7;

  // 1: check; 2: download.
  std::int32_t State() const { return FState; }

  void acInitExecute(TObject *Sender);
  void acUpdateExecute(TObject *Sender);
  void acCloseExecute(TObject *Sender);
  void acUninitExecute(TObject *Sender);
  void acOnShowExecute(TObject *Sender);
  void uptFileDowning(TObject *Sender, int CurSize, int TotSize, std::string Speed);
  void uptFileAllDowned(TObject *Sender);
  void uptCopyFile(TObject *Sender, const std::string &src, const std::string &dest, int count, int index);

 private:
  void BuildLayout();
  void SelectLanguage();
  void CheckForUpdate();
  void StartDownloads();
  // Ends the main program and installs the downloads; true when every file was installed.
  bool InstallDownloads();
  void ReportInstalled();
  void ReportFailure();
  // "Msg213" with the update host: what the window says of an update it could not verify.
  std::string NotVerifiedText() const;
  void FormCloseQuery(TObject *Sender, bool &CanClose);

  const TQuilletUpdateSettings FSettings;
  std::atomic<std::int32_t> FState{1};
  // From starting a chain of downloads until its outcome is shown (the engine's own flags
  // leave a gap between the last download and the installation).
  std::atomic<bool> FChainBusy{false};
  // Decides between a close and an installation that begin at the same time.
  std::mutex FCloseLock;
  int FInstalling = 0;          // installations running (a new one may begin as one ends)
  bool FCloseDeferred = false;  // a close waits for it
  bool FClosing = false;        // the window has agreed to close
};

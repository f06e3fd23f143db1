#include "app/uQuilletUpdate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sys/CodePage.h"
#include "sys/FileLock.h"
#include "sys/Event.h"
#include "sys/FileSystem.h"
#include "sys/MessageQueue.h"
#include "sys/uGlobal.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ReleaseServer.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/SignedRelease.h"
#include "tests/support/TestDir.h"
#include "ui/Application.h"
#include "tests/support/HeadlessBackend.h"

using namespace testing_support;
using Values = std::vector<std::string>;
using ui::TModalResult;

namespace {

constexpr int kGenerous = 60000;

std::string MainProgram(const std::string &version) {
  return ReadWholeFile(ExecutableDirectory() + "quillet-fixtures" + sys::kPathSep + "Quillet-" + version + ".exe");
}

// Messages that say which key produced them, with their argument where they take one.
const char kTestMessages[] =
    "[Message]\n"
    "Msg200=Box\nMsg201=Installing\nMsg202=Installed notice\nMsg203=Done\nMsg204=Now at %s\n"
    "Msg205=Check\nMsg206=Current %s\nMsg207=New %s\nMsg208=Get %s?\nMsg209=Update now\n"
    "Msg210=Downloading\nMsg211=No server %s\nMsg212=Failed\nMsg213=Unverified %s\nMsg214=Proxy %s\n";

std::string LanguageFile(const std::string &title) {
  return "[TfrmQuilletUpdate]\nfrmQuilletUpdate.Caption=" + title + "\nbtnClose.Caption=" + title + " close\n" +
         kTestMessages;
}

// Four files, one of them big enough for many progress reports per percent.
const char kFourFiles[] =
    "[conf]\ncurr_version=1.3.0.0\n\n"
    "[files_ver_1.3.0.0]\nf1=Quillet.exe\nf2=plugins/big.dll\n\n"
    "[files_ver_1.2.0.0]\nf1=readme.txt\nf2=Language/eng.ini\n\n"
    "[files_ver_1.1.0.0]\nf1=old.txt\n";

// The window on the headless backend over an installation at 1.1.0.0, checking against
// its own update directory on the nginx fixture. The test's thread is the window's
// user-interface thread.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!server.Ready()) GTEST_SKIP() << "needs the nginx fixture (run through CTest)";
    ui::Application().SetTitle("QuilletUpdate test");
    WriteWholeFile(install / "Quillet.exe", MainProgram("1.1.0.0"));
    WriteWholeFile(install / "Language/eng.ini", LanguageFile("English"));
    WriteWholeFile(install / "Language/chs.ini", LanguageFile("Simplified"));
    WriteWholeFile(install / "Language/cht.ini", LanguageFile("Traditional"));
  }

  void Open(std::uint16_t systemLanguage = 0x0409) {
    window.reset();
    languages.reset();
    languages.reset(new TLangMgrScope(install.path()));
    TQuilletUpdateSettings settings;
    settings.ProgramDir = install.path();
    settings.SystemLangId = [systemLanguage] { return systemLanguage; };
    settings.MainProgramExitPauseMs = 10;
    window.reset(new TfrmQuilletUpdate(settings));
    window->upt->Host = server.Host();
    window->upt->Path = server.Path();
    // What creation wrote (the texts of the language) is not what the tests look at.
    backend.ClearRecords();
  }

  void TearDown() override {
    window.reset();
    languages.reset();
  }

  void PublishFourFiles() {
    server.SetManifest(kFourFiles);
    server.Publish("Quillet.exe", MainProgram("1.3.0.0"));
    server.Publish("plugins/big.dll", BigFile());
    server.Publish("readme.txt", "read me\n");
    server.Publish("Language/eng.ini", LanguageFile("English 1.3"));
  }
  static std::string BigFile() {
    std::string content(1 << 20, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = char(i * 7 + i / 4096);
    return content;
  }

  // Runs the update to its completion notice, which stays open.
  void UpdateUntilNotice() {
    backend.ScriptAnswer(TModalResult::OK);
    window->btnUpdate->Click();
    ASSERT_TRUE(backend.WaitForOpenMessageBoxes(1, kGenerous)) << "no completion notice";
  }

  Values Of(const char *control, const char *what) { return backend.ChangesOf(control, what); }

  // Waits for the last change of a successful update: the bar at 100 after the texts.
  bool WaitForUpdateEnd() {
    const ui::THeadlessBackend::TChange installed{"lblInfo", "Caption", "Now at 1.3.0.0"};
    const ui::THeadlessBackend::TChange full{"PBar", "Position", "100"};
    return backend.WaitUntil(
        [&](const std::vector<ui::THeadlessBackend::TChange> &changes) {
          return !changes.empty() && changes.back() == full &&
                 std::find(changes.begin(), changes.end(), installed) != changes.end();
        },
        kGenerous);
  }

  ui::THeadlessBackend &backend = ui::UseHeadlessBackend();
  TestDir install;
  ReleaseServer server;
  std::unique_ptr<TLangMgrScope> languages;
  std::unique_ptr<TfrmQuilletUpdate> window;
};

// The main program, running from another directory under its name while a test updates.
class RunningMainProgram {
 public:
  RunningMainProgram() {
    std::filesystem::copy_file(QUILLET_WAIT_HELPER, dir / "Quillet.exe");
    process.reset(new ChildProcess(dir / "Quillet.exe"));
  }
  TestDir dir;
  std::unique_ptr<ChildProcess> process;
};

TEST_F(WindowTest, LayoutAndCreation) {
  // No language file: the window keeps its built-in texts.
  std::filesystem::remove_all(install / "Language");
  Open();
  EXPECT_EQ(window->Name(), "frmQuilletUpdate");
  EXPECT_EQ(window->ClassName(), "TfrmQuilletUpdate");
  EXPECT_EQ(window->Caption(), "Vantoro Quillet Update");
  EXPECT_EQ(window->ClientWidth(), 471);
  EXPECT_EQ(window->ClientHeight(), 139);
  EXPECT_EQ(window->State(), 1);
  // Built in, in the system code page ("?" for each character that code page lacks).
  EXPECT_EQ(window->btnUpdate->Caption(), Utf8ToSystemCodePage("检测更新"));
  EXPECT_EQ(window->btnClose->Caption(), Utf8ToSystemCodePage("关闭"));
  EXPECT_EQ(window->lblOper->Caption(), "");

  Values names;
  for (int i = 0; i < window->ComponentCount(); ++i) names.push_back(window->Components(i)->Name());
  EXPECT_EQ(names, (Values{"lblOper", "lblInfo", "PBar", "Bevel1", "btnUpdate", "btnClose", "upt", "Lang", "ActionList",
                           "acClose", "acUpdate", "acInit", "acUninit", "acOnShow", "Action6", "Action7"}));
  Values actions;
  for (int i = 0; i < window->ActionList->ActionCount(); ++i) {
    actions.push_back(window->ActionList->Actions(i)->Name());
    EXPECT_EQ(window->ActionList->Actions(i)->Caption(), actions.back());
  }
  EXPECT_EQ(actions, (Values{"acClose", "acUpdate", "acInit", "acUninit", "acOnShow", "Action6", "Action7"}));

  struct Bounds {
    ui::TControl *control;
    int left, top, width, height, tabOrder;
  };
  for (const Bounds &b :
       {Bounds{window->lblOper, 8, 8, 449, 18, -1}, Bounds{window->lblInfo, 8, 34, 449, 18, -1},
        Bounds{window->PBar, 8, 56, 449, 16, 2}, Bounds{window->Bevel1, 4, 80, 461, 9, -1},
        Bounds{window->btnUpdate, 256, 96, 96, 25, 0}, Bounds{window->btnClose, 368, 96, 75, 25, 1}}) {
    SCOPED_TRACE(b.control->Name());
    EXPECT_EQ(b.control->Left(), b.left);
    EXPECT_EQ(b.control->Top(), b.top);
    EXPECT_EQ(b.control->Width(), b.width);
    EXPECT_EQ(b.control->Height(), b.height);
    EXPECT_EQ(b.control->TabOrder(), b.tabOrder);
  }
  EXPECT_EQ(window->lblOper->Color(), ui::clSilver);
  EXPECT_EQ(window->lblInfo->Font().Color, ui::clNavy);
  EXPECT_EQ(window->Bevel1->Shape(), ui::TBevelShape::TopLine);
  EXPECT_EQ(window->Bevel1->Style(), ui::TBevelStyle::Raised);
  EXPECT_NE(window->btnUpdate->ImageId(), window->btnUpdate->DisabledImageId());
  EXPECT_NE(window->btnUpdate->DisabledImageId(), 0);

  // acInitExecute configured the engine with the built-in server.
  TfrmQuilletUpdate fresh(TQuilletUpdateSettings{install.path(), [] { return std::uint16_t(0x0409); }, 0});
  EXPECT_FALSE(fresh.upt->Host.empty());
  EXPECT_EQ(fresh.upt->Path, "http://" + fresh.upt->Host + "/k9tz/Quillet/");
  EXPECT_EQ(fresh.upt->MainFile, install / "Quillet.exe");
}

TEST_F(WindowTest, SystemLanguageSelectsTheFile) {
  struct Case {
    std::uint16_t system;
    std::int32_t language;
    const char *title;
  };
  for (const Case &c : {Case{1028, 2, "Traditional"}, Case{2052, 1, "Simplified"}, Case{3076, 0, "English"},
                        Case{0x0409, 0, "English"}, Case{0x0004, 0, "English"}}) {
    SCOPED_TRACE(c.system);
    Open(c.system);
    EXPECT_EQ(LangMgr->LangId(), c.language);
    EXPECT_EQ(window->Caption(), c.title);
    EXPECT_EQ(window->btnClose->Caption(), std::string(c.title) + " close");
  }
}

TEST_F(WindowTest, CheckResultsInStateOne) {
  Open();
  // Nothing published: the manifest cannot be fetched.
  window->btnUpdate->Click();
  EXPECT_EQ(window->lblOper->Caption(), "Check");
  EXPECT_EQ(window->lblInfo->Caption(), "No server " + server.Host());
  EXPECT_EQ(window->State(), 1);

  // The newest release is the installed one.
  server.SetManifest("[conf]\ncurr_version=1.1.0.0\n\n[files_ver_1.1.0.0]\nf1=Quillet.exe\n");
  window->btnUpdate->Click();
  EXPECT_EQ(window->lblInfo->Caption(), "Current 1.1.0.0");
  EXPECT_EQ(window->State(), 1);

  // A newer one, declined twice: each click checks and asks again.
  PublishFourFiles();
  for (int round = 1; round <= 2; ++round) {
    backend.ScriptAnswer(TModalResult::Cancel);
    window->btnUpdate->Click();
    EXPECT_EQ(window->lblInfo->Caption(), "New 1.3.0.0");
    EXPECT_EQ(window->State(), 1);
    ASSERT_EQ(backend.MessageBoxes().size(), std::size_t(round));
  }
  const auto question = backend.MessageBoxes().back();
  EXPECT_EQ(question.Owner, "frmQuilletUpdate");
  EXPECT_EQ(question.Text, "Get 1.3.0.0?");
  EXPECT_EQ(question.Caption, "Box");
  EXPECT_EQ(question.Buttons, ui::TMsgButtons::OKCancel);
  EXPECT_EQ(question.Icon, ui::TMsgIcon::Information);
  EXPECT_EQ(Of("lblOper", "Caption"), (Values{"Check", "Check", "Check", "Check"}));
  EXPECT_EQ(Of("btnUpdate", "Caption"), Values{});
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.1.0.0"));
}

TEST_F(WindowTest, SecondClickDuringTheCheckRunsNestedAndFailsAtOnce) {
  Open();
  // The manifest is held back until the second click has run, so that the click is
  // certainly taken from the queue while the first check waits for the manifest.
  const std::string manifest = kFourFiles;
  const std::string length = std::to_string(manifest.size());
  ScriptedServer scripted("127.0.0.40",
                          {ScriptedServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: " + length + "\r\n\r\n"),
                           [&](ScriptedConnection &connection) {
                             connection.ReadRequest();
                             connection.Server().WaitReleased();
                             connection.Send("HTTP/1.1 206 Partial Content\r\nContent-Length: " + length +
                                             "\r\nContent-Range: bytes 0-" + std::to_string(manifest.size() - 1) + "/" +
                                             length + "\r\n\r\n" + manifest);
                           }});
  ASSERT_TRUE(scripted.Listening());
  window->upt->Host = scripted.Address();
  window->upt->Path = scripted.Url("");
  sys::PostTask(sys::CurrentThreadId(), [&] {
    window->btnUpdate->Click();
    scripted.Release();
  });
  backend.ScriptAnswer(TModalResult::Cancel);
  window->btnUpdate->Click();
  EXPECT_EQ(Of("lblInfo", "Caption"), (Values{"No server " + scripted.Address(), "New 1.3.0.0"}));
  EXPECT_EQ(backend.MessageBoxes().size(), 1u);
  EXPECT_EQ(window->State(), 1);
}

TEST_F(WindowTest, FullUpdateWithProgressInstallationAndTexts) {
  RunningMainProgram running;
  ASSERT_TRUE(running.process->Started());
  Open();
  PublishFourFiles();
  UpdateUntilNotice();
  EXPECT_EQ(Of("btnUpdate", "Caption"), Values{"Update now"});
  EXPECT_EQ(Of("lblOper", "Caption"), (Values{"Check", "Downloading", "Installing"}));
  // Every file is installed before the notice, and the running program was ended first.
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.3.0.0"));
  EXPECT_EQ(ReadWholeFile(install / "plugins/big.dll"), BigFile());
  EXPECT_EQ(ReadWholeFile(install / "readme.txt"), "read me\n");
  EXPECT_EQ(running.process->WaitForExit(kGenerous), kEndedByKillProcess);

  // Clicks while the installation waits for the notice change nothing.
  backend.ClearRecords();
  window->btnUpdate->Click();
  EXPECT_TRUE(backend.Changes().empty());
  EXPECT_EQ(window->State(), 2);

  backend.ScriptAnswer(TModalResult::OK);
  ASSERT_TRUE(WaitForUpdateEnd());
  const auto notice = backend.MessageBoxes().back();
  EXPECT_EQ(notice.Text, "Installed notice");
  EXPECT_EQ(notice.Caption, "Box");
  EXPECT_EQ(notice.Buttons, ui::TMsgButtons::OK);
  EXPECT_EQ(notice.Icon, ui::TMsgIcon::Information);
  EXPECT_EQ(notice.Owner, "frmQuilletUpdate");
  EXPECT_EQ(Of("btnUpdate", "Caption"), Values{"Check"});
  EXPECT_EQ(Of("lblOper", "Caption"), Values{"Done"});
  EXPECT_EQ(Of("lblInfo", "Caption"), Values{"Now at 1.3.0.0"});
  EXPECT_EQ(window->State(), 1);
}

TEST_F(WindowTest, ProgressBarFollowsEachFileAndEachCopy) {
  Open();
  PublishFourFiles();
  UpdateUntilNotice();
  backend.ScriptAnswer(TModalResult::OK);
  ASSERT_TRUE(WaitForUpdateEnd());

  const Values positions = Of("PBar", "Position");
  const Values infos = Of("lblInfo", "Caption");
  // Downloads: written only on a change of the current file's share, up to 100 for each
  // file; then 0 before the installation, whose four copies give 25, 50, 75 and 100.
  ASSERT_GT(positions.size(), 6u);
  const auto installation = positions.end() - 6;
  EXPECT_EQ(Values(installation, positions.end()), (Values{"0", "25", "50", "75", "100", "100"}));
  const Values downloads(positions.begin(), installation);
  EXPECT_GT(downloads.size(), 100u);  // the big file alone reports every percent
  EXPECT_EQ(downloads.back(), "100");
  for (std::size_t i = 1; i < downloads.size(); ++i)
    EXPECT_NE(downloads[i], downloads[i - 1]) << "bar written twice with " << downloads[i];

  EXPECT_NE(std::find(infos.begin(), infos.end(), "plugins/big.dll  1048576/1048576"), infos.end());
  const Values copied(infos.end() - 5, infos.end() - 1);
  EXPECT_EQ(copied, (Values{install / "Quillet.exe", install / "plugins/big.dll", install / "readme.txt",
                            install / "Language/eng.ini"}));
}

TEST_F(WindowTest, IncompleteChainEndsNothingInstallsNothingAndRetries) {
  RunningMainProgram running;
  ASSERT_TRUE(running.process->Started());
  Open();
  PublishFourFiles();
  server.Withdraw("readme.txt");
  backend.ScriptAnswer(TModalResult::OK);
  window->btnUpdate->Click();
  ASSERT_TRUE(backend.WaitForChange("lblOper", "Caption", "Failed", kGenerous));
  EXPECT_EQ(window->State(), 2);
  EXPECT_EQ(backend.MessageBoxes().size(), 1u);  // the question only
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.1.0.0"));
  EXPECT_FALSE(sys::FileExists(install / "plugins/big.dll"));
  EXPECT_FALSE(running.process->WaitForExit(0).has_value());

  // The button runs the whole chain again, which now completes.
  server.Publish("readme.txt", "read me\n");
  window->btnUpdate->Click();
  ASSERT_TRUE(backend.WaitForOpenMessageBoxes(1, kGenerous));
  backend.ScriptAnswer(TModalResult::OK);
  ASSERT_TRUE(backend.WaitForChange("lblOper", "Caption", "Done", kGenerous));
  EXPECT_EQ(Of("lblOper", "Caption"), (Values{"Check", "Downloading", "Failed", "Downloading", "Installing", "Done"}));
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.3.0.0"));
  EXPECT_EQ(window->State(), 1);
}

// Clicks from the moment a chain ends race the end of the chain for the window's texts,
// unless the window writes them on its own thread alone (the ThreadSanitizer build sees
// it). The chain fails every time, so each click that is let through starts the next.
TEST_F(WindowTest, ClicksWhileAChainEndsNeverWriteAlongsideTheWorker) {
  Open();
  PublishFourFiles();
  server.Withdraw("readme.txt");
  std::atomic<int> downed{0};
  window->upt->OnFileDowned = [&](TObject *) { ++downed; };
  backend.ScriptAnswer(TModalResult::OK);
  window->btnUpdate->Click();
  // Nothing but clicks and this thread's messages until three chains of four files ended:
  // no look at the records, which would order this thread after the worker's writes.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGenerous);
  while (downed < 12 && std::chrono::steady_clock::now() < deadline) {
    window->btnUpdate->Click();
    sys::DispatchOneMessage();
    std::this_thread::yield();
  }
  ASSERT_GE(downed, 12) << "the chains did not end";
  // The last chain that a click started has ended and shown its outcome.
  const ui::THeadlessBackend::TChange outcomeShown{"PBar", "Position", "0"};
  ASSERT_TRUE(backend.WaitUntil(
      [&](const std::vector<ui::THeadlessBackend::TChange> &changes) {
        return !changes.empty() && changes.back() == outcomeShown && !window->upt->IsDownloading();
      },
      kGenerous));
  EXPECT_EQ(window->State(), 2);
  EXPECT_EQ(window->lblOper->Caption(), "Failed");
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.1.0.0"));
}

// A check that finds an installation it cannot complete now says so, not that the server
// is unreachable; clicks during a download and during the installation change nothing.
TEST_F(WindowTest, AnUnfinishedInstallationIsShownAsAFailedUpdate) {
  const std::string readme = install / "readme.txt";
  WriteWholeFile(readme + ".quillet-new", "new readme");
  sys::ForceDirectories(readme + sys::kPathSepText + "inside");
  WriteWholeFile(install / "cache/install.journal", "quillet installation journal 1\nreplacing\n" + readme + "\t" +
                                                        readme + ".quillet-new\t" + readme + ".quillet-old\t0\n");
  Open();
  PublishFourFiles();
  window->btnUpdate->Click();
  EXPECT_EQ(window->lblInfo->Caption(), "Failed");
  EXPECT_EQ(window->State(), 1);
  EXPECT_TRUE(backend.MessageBoxes().empty());
}

TEST_F(WindowTest, ClicksDuringTheDownloadsAndTheInstallationChangeNothing) {
  Open();
  PublishFourFiles();
  std::atomic<bool> clickedWhileDownloading{false}, clickedWhileInstalling{false};
  window->upt->OnFileDowned = [&](TObject *) {
    if (window->upt->FFileIndex != 0 || clickedWhileDownloading) return;
    // The first file's download has ended, the chain goes on: a click now is nested in a
    // running chain.
    window->RunOnOwnThread([&] {
      window->btnUpdate->Click();
      clickedWhileDownloading = true;
    });
  };
  UpdateUntilNotice();
  ASSERT_TRUE(clickedWhileDownloading);
  // The installation waits for the notice to close: a click now is nested in it.
  backend.ClearRecords();
  window->btnUpdate->Click();
  clickedWhileInstalling = true;
  EXPECT_TRUE(backend.Changes().empty());
  backend.ScriptAnswer(TModalResult::OK);
  ASSERT_TRUE(WaitForUpdateEnd());
  EXPECT_EQ(Of("lblOper", "Caption"), Values{"Done"});
  EXPECT_EQ(ReadWholeFile(install / "readme.txt"), "read me\n");
  EXPECT_EQ(window->State(), 1);
}

// A proxy that wants credentials the window cannot give: the window says so, naming the
// proxy, and stays ready for another check.
TEST_F(WindowTest, AProxyThatWantsCredentialsIsSaidSo) {
  const std::string refused = "HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n";
  // The probe's connection, the size probe and the transfer.
  ScriptedServer proxy("127.0.0.86", std::vector<ScriptedServer::Handler>(3, ScriptedServer::Answer(refused)));
  ASSERT_TRUE(proxy.Listening());
  Open();
  TProxyConfig config;
  ASSERT_TRUE(ParseProxyUrl("http://127.0.0.86:80", config.Proxy));
  window->upt->SetProxyConfig(config);
  window->btnUpdate->Click();
  EXPECT_EQ(window->lblInfo->Caption(), "Proxy 127.0.0.86");
  EXPECT_EQ(window->State(), 1);
  EXPECT_TRUE(backend.MessageBoxes().empty());
}

// A window that trusts a key: a manifest it did not sign is refused at the check, and a
// file that is not what was signed at the download; nothing is installed either way.
TEST_F(WindowTest, WhatTheKeyDidNotSignIsRefusedAndSaidSo) {
  const crypto::PrivateKey key = NewKey(), stranger = NewKey();
  Open();
  window->upt->SetTrustedKeys({key.Public});
  SignedRelease release;
  release.CurrVersion = "1.3.0.0";
  release.Releases = "[files_ver_1.3.0.0]\nf1=Quillet.exe\nf2=readme.txt\n\n[files_ver_1.1.0.0]\nf1=old.txt\n";
  release.Files = {{"Quillet.exe", MainProgram("1.3.0.0")}, {"readme.txt", "read me\n"}};
  for (const auto &file : release.Files) server.Publish(file.first, file.second);
  server.SetManifest(release.Manifest());
  server.Publish("update.ini.sig", release.SignatureFile({stranger}));
  window->btnUpdate->Click();
  EXPECT_EQ(window->lblInfo->Caption(), "Unverified " + server.Host());
  EXPECT_EQ(window->State(), 1);
  EXPECT_TRUE(backend.MessageBoxes().empty());

  server.Publish("update.ini.sig", release.SignatureFile({key}));
  server.Publish("readme.txt", "changed on the server\n");
  backend.ScriptAnswer(TModalResult::OK);
  window->btnUpdate->Click();
  ASSERT_TRUE(backend.WaitForChange("lblOper", "Caption", "Unverified " + server.Host(), kGenerous))
      << testing::PrintToString(Of("lblOper", "Caption")) << testing::PrintToString(Of("lblInfo", "Caption"))
      << " state " << window->State() << " " << window->upt->FailureReason();
  EXPECT_EQ(window->State(), 2);
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.1.0.0"));
  EXPECT_FALSE(sys::FileExists(install / "readme.txt"));

  // Without the message in the language file, the built-in text says it.
  WriteWholeFile(install / "Language/eng.ini", "[Message]\nMsg212=Failed\n");
  Open();
  window->upt->SetTrustedKeys({key.Public});
  server.Publish("update.ini.sig", release.SignatureFile({stranger}));
  window->btnUpdate->Click();
  EXPECT_EQ(window->lblInfo->Caption(),
            "The update from " + server.Host() + " could not be verified; nothing was changed.");
}

// A release that replaces a program that is running (the updater itself): its kept copy
// cannot go while it runs (held open without sharing here, on Windows). That is a whole
// installation, and the copy goes with a later run.
TEST_F(WindowTest, AKeptCopyThatCannotGoYetIsNoFailedUpdate) {
  Open();
  PublishFourFiles();
  sys::FileLock running;
  window->upt->SetInstallStepHook([&](const char *point) {
    if (std::string(point) == "cleaning") running.TryLock(install / "Quillet.exe.quillet-old");
  });
  UpdateUntilNotice();
  backend.ScriptAnswer(TModalResult::OK);
  ASSERT_TRUE(WaitForUpdateEnd());
  EXPECT_EQ(Of("lblOper", "Caption").back(), "Done");
  running.Unlock();
  window->btnUpdate->Click();
  EXPECT_EQ(window->lblInfo->Caption(), "Current 1.3.0.0");
  EXPECT_FALSE(sys::FileExists(install / "Quillet.exe.quillet-old"));
  EXPECT_FALSE(sys::FileExists(install / "cache/install.journal"));
}

TEST_F(WindowTest, FailedCopyIsReportedWithTheBuiltInTextWhenTheFileHasNone) {
  // A language file without the failure message (installed and released), and a
  // directory where a file must go.
  const char withoutFailureText[] = "[Message]\nMsg210=Downloading\n";
  WriteWholeFile(install / "Language/eng.ini", withoutFailureText);
  ASSERT_TRUE(sys::ForceDirectories(install / "readme.txt"));
  Open();
  PublishFourFiles();
  server.Publish("Language/eng.ini", withoutFailureText);
  backend.ScriptAnswer(TModalResult::OK);
  window->btnUpdate->Click();
  ASSERT_TRUE(backend.WaitForChange("lblOper", "Caption", "The update did not complete. Click the button to try again.",
                                    kGenerous));
  EXPECT_EQ(window->State(), 2);
  EXPECT_EQ(backend.MessageBoxes().size(), 1u);  // no completion notice
  // Backed out: nothing is left shown as installed.
  EXPECT_EQ(window->lblInfo->Caption(), "");
  EXPECT_EQ(window->PBar->Position(), 0);
}

TEST_F(WindowTest, MessagesAreNotPrintfFormats) {
  WriteWholeFile(install / "Language/eng.ini", "[Message]\nMsg207=%d %n %s %% %x\nMsg211=%n%s%s\n");
  Open();
  window->btnUpdate->Click();
  EXPECT_EQ(window->lblInfo->Caption(), "%n" + server.Host() + "%s");
  PublishFourFiles();
  backend.ScriptAnswer(TModalResult::Cancel);
  window->btnUpdate->Click();
  EXPECT_EQ(window->lblInfo->Caption(), "%d %n 1.3.0.0 % %x");
}

TEST_F(WindowTest, DownloadPercentageIsExactForLargeSizes) {
  Open();
  PublishFourFiles();
  backend.ScriptAnswer(TModalResult::Cancel);
  window->btnUpdate->Click();
  window->upt->FFileIndex = 1;
  window->uptFileDowning(window->upt, 2000000000, 2100000000, "");
  EXPECT_EQ(window->PBar->Position(), 95);
  EXPECT_EQ(window->lblInfo->Caption(), "plugins/big.dll  2000000000/2100000000");
}

TEST_F(WindowTest, ErrorEscapingTheUpdateIsShownAndTheStateKept) {
  Open();
  // Not an HTTP URL: the downloader refuses it with an error.
  window->upt->Path = "ftp://" + server.Host() + "/";
  backend.ScriptAnswer(TModalResult::OK);
  window->btnUpdate->Click();
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  const auto box = backend.MessageBoxes().back();
  EXPECT_EQ(box.Icon, ui::TMsgIcon::Error);
  EXPECT_EQ(box.Caption, "QuilletUpdate test");
  EXPECT_EQ(box.Text, "Invalid Host : !");
  EXPECT_EQ(window->State(), 1);
}

TEST_F(WindowTest, CloseDuringTheCheckShowsNothingMore) {
  Open();
  PublishFourFiles();
  sys::PostTask(sys::CurrentThreadId(), [this] { window->acCloseExecute(window->btnClose); });
  window->btnUpdate->Click();
  EXPECT_TRUE(window->Closed());
  EXPECT_TRUE(backend.MessageBoxes().empty());
  EXPECT_EQ(Of("lblInfo", "Caption"), Values{});
}

TEST_F(WindowTest, CloseDuringTheInstallationWaitsForItsEnd) {
  Open();
  PublishFourFiles();
  UpdateUntilNotice();
  window->acCloseExecute(window->btnClose);
  EXPECT_FALSE(window->Closed());

  backend.ScriptAnswer(TModalResult::OK);
  // The held-back close arrives on this thread's queue once the installation is done.
  sys::Event never(sys::Event::Mode::ManualReset);
  for (int waited = 0; !window->Closed() && waited < kGenerous; waited += 100)
    if (sys::WaitForEventOrMessage(never, 100) == sys::WaitResult::MessageArrived) sys::DispatchOneMessage();
  EXPECT_TRUE(window->Closed());
  EXPECT_EQ(Of("lblOper", "Caption").back(), "Done");
  EXPECT_EQ(ReadWholeFile(install / "readme.txt"), "read me\n");
}

TEST_F(WindowTest, FreeingTheWindowDuringADownloadAbandonsIt) {
  Open();
  PublishFourFiles();
  backend.ScriptAnswer(TModalResult::OK);
  window->btnUpdate->Click();
  window->acCloseExecute(window->btnClose);
  if (!window->Closed()) {
    backend.ScriptAnswer(TModalResult::OK);
    GTEST_SKIP() << "the downloads ended before the close";
  }
  // Agreed to close before the downloads ended: nothing gets installed any more.
  window.reset();
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.1.0.0"));
  EXPECT_EQ(backend.MessageBoxes().size(), 1u);
}

}  // namespace

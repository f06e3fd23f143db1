#include "engine/SoftUpdater.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "sys/Error.h"
#include "sys/FileSystem.h"
#include "ini/Profile.h"
#include "sys/uGlobal.h"
#include "tests/support/ReleaseServer.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TestDir.h"

using namespace testing_support;

namespace {

constexpr int kGenerous = 60000;

std::string MainProgram(const std::string &version) {
  return ReadWholeFile(ExecutableDirectory() + "quillet-fixtures" + sys::kPathSep + "Quillet-" + version + ".exe");
}

const char kThreeReleases[] =
    "[conf]\r\ncurr_version=1.3.0.0\r\n\r\n"
    "[files_ver_1.3.0.0]\r\nf1=Quillet.exe\r\nf2=Language/chs.ini\r\n\r\n"
    "[files_ver_1.2.0.0]\r\nf1=Quillet.exe\r\nf2=plugins/extra.dll\r\n\r\n"
    "[files_ver_1.1.0.0]\r\nf1=readme.txt\r\n";

struct CopyNotice {
  std::string src, dest;
  int count, index;
};

// An installation, a server and an engine between them, with every notification the
// tests look at recorded.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!server.Ready()) GTEST_SKIP() << "needs the nginx fixture (run through CTest)";
    WriteWholeFile(install / "Quillet.exe", MainProgram("1.1.0.0"));
    updater.reset(new TSoftUpdater(nullptr, install.path()));
    updater->Host = server.Host();
    updater->Path = server.Path();
    updater->MainFile = updater->FAppDir + "Quillet.exe";
    updater->OnFileAllDowned = [this](TObject *sender) {
      EXPECT_EQ(sender, updater.get());
      updater->CopyFiles();
      chainEnded.Set();
    };
    updater->OnCopyFile = [this](TObject *, const std::string &src, const std::string &dest, int count, int index) {
      std::lock_guard<std::mutex> lock(mutex);
      copies.push_back(CopyNotice{src, dest, count, index});
    };
  }

  void PublishThreeReleases() {
    server.SetManifest(kThreeReleases);
    server.Publish("Quillet.exe", MainProgram("1.3.0.0"));
    server.Publish("Language/chs.ini", "[Message]\r\nMsg200=\xC9\xFD\xBC\xB6\r\n");
    server.Publish("plugins/extra.dll", std::string(100000, 'x'));
  }

  // Checks, then downloads and installs as the window does; false when the chain did not end.
  bool RunChain() {
    std::string msg;
    if (updater->CheckUpdate(msg) != 1) return false;
    updater->StartDownload();
    return chainEnded.Wait(kGenerous);
  }

  std::vector<CopyNotice> Copies() {
    std::lock_guard<std::mutex> lock(mutex);
    return copies;
  }

  TestDir install;
  ReleaseServer server;
  std::unique_ptr<TSoftUpdater> updater;
  sys::Event chainEnded{sys::Event::Mode::ManualReset};
  std::mutex mutex;
  std::vector<CopyNotice> copies;
};

TEST_F(EngineTest, CheckRecordsTheInstalledVersionAndListsTheMissingReleases) {
  PublishThreeReleases();
  std::string msg;
  ASSERT_EQ(updater->CheckUpdate(msg), 1);
  EXPECT_EQ(msg, "New version: 1.3.0.0");
  EXPECT_EQ(updater->FFileList.Items(),
            (std::vector<std::string>{"Quillet.exe", "Language/chs.ini", "plugins/extra.dll"}));
  EXPECT_EQ(updater->GetCurrVersion(), "1.1.0.0");
  EXPECT_EQ(updater->GetNewVersion(), "1.3.0.0");
  EXPECT_FALSE(updater->IsCheckUpdateing());
  EXPECT_EQ(ini::ReadProfileString(updater->FCacheDir + "update.ini", "conf", "last_version", "?"), "1.1.0.0");
}

TEST_F(EngineTest, WholeChainStagesAndInstallsEveryFile) {
  PublishThreeReleases();
  WriteWholeFile(install / "Language/chs.ini", "old texts");
  ASSERT_TRUE(RunChain());
  EXPECT_TRUE(updater->LastChainComplete());
  EXPECT_TRUE(updater->LastInstallComplete());
  EXPECT_FALSE(updater->IsDownloading());
  EXPECT_FALSE(updater->IsCopyFileing());
  EXPECT_EQ(updater->FFileIndex, 2);

  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.3.0.0"));
  EXPECT_EQ(ReadWholeFile(install / "Language/chs.ini"), "[Message]\r\nMsg200=\xC9\xFD\xBC\xB6\r\n");
  EXPECT_EQ(ReadWholeFile(install / "plugins/extra.dll"), std::string(100000, 'x'));
  EXPECT_EQ(updater->GetCurrVersion(), "1.3.0.0");
  // Staged copies stay in the cache.
  EXPECT_EQ(ReadWholeFile(install / "cache/plugins/extra.dll"), std::string(100000, 'x'));

  std::vector<CopyNotice> seen = Copies();
  ASSERT_EQ(seen.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(seen[std::size_t(i)].count, 3);
    EXPECT_EQ(seen[std::size_t(i)].index, i);
  }
  EXPECT_EQ(seen[2].src, install / "cache/plugins/extra.dll");
  EXPECT_EQ(seen[2].dest, install / "plugins/extra.dll");

  // Once installed, the next check finds the installation current.
  std::string msg;
  EXPECT_EQ(updater->CheckUpdate(msg), 0);
  EXPECT_EQ(msg, "The curr version is the last version!");
  EXPECT_TRUE(updater->FFileList.Empty());
}

TEST_F(EngineTest, FileMissingOnTheServerInstallsNothing) {
  PublishThreeReleases();
  server.Withdraw("Language/chs.ini");
  ASSERT_TRUE(RunChain());
  EXPECT_FALSE(updater->LastChainComplete());
  EXPECT_FALSE(updater->LastInstallComplete());
  EXPECT_TRUE(Copies().empty());
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.1.0.0"));
  EXPECT_FALSE(sys::FileExists(install / "plugins/extra.dll"));
}

TEST_F(EngineTest, StaleStagedCopyOfAFileNowMissingIsNotInstalled) {
  PublishThreeReleases();
  server.Withdraw("plugins/extra.dll");
  WriteWholeFile(install / "cache/plugins/extra.dll", "staged by an earlier run");
  ASSERT_TRUE(RunChain());
  EXPECT_FALSE(updater->LastChainComplete());
  EXPECT_TRUE(Copies().empty());
  EXPECT_FALSE(sys::FileExists(install / "plugins/extra.dll"));
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.1.0.0"));
}

TEST_F(EngineTest, UnsafeNamesAreNeitherFetchedNorInstalled) {
  server.SetManifest(
      "[conf]\r\ncurr_version=2.0\r\n[files_ver_2.0]\r\n"
      "a=../escaped.txt\r\nb=/absolute.txt\r\nc=C:/drive.txt\r\nd=sub/../../up.txt\r\ne=ok.txt\r\n");
  server.Publish("ok.txt", "fine");
  ASSERT_TRUE(RunChain());
  EXPECT_EQ(updater->FFileList.Items(), std::vector<std::string>{"ok.txt"});
  EXPECT_TRUE(updater->LastInstallComplete());
  EXPECT_EQ(ReadWholeFile(install / "ok.txt"), "fine");
  const std::string parent = sys::WithTrailingSeparator(sys::ExtractFileDir(sys::ExtractFileDir(install.path())));
  EXPECT_FALSE(sys::FileExists(parent + "escaped.txt"));
  EXPECT_FALSE(sys::FileExists(parent + "up.txt"));
}

TEST_F(EngineTest, CheckFinishesAnInterruptedInstallationFirst) {
  // A run was killed after staging 1.3.0.0 beside the installation, before replacing it.
  PublishThreeReleases();
  const std::string program = install / "Quillet.exe";
  WriteWholeFile(program + ".quillet-new", MainProgram("1.3.0.0"));
  WriteWholeFile(install / "cache/install.journal", "quillet installation journal 1\nreplacing\n" + program + "\t" +
                                                        program + ".quillet-new\t" + program + ".quillet-old\t1\n");
  std::string msg;
  EXPECT_EQ(updater->CheckUpdate(msg), 0);
  EXPECT_EQ(ReadWholeFile(program), MainProgram("1.3.0.0"));
  EXPECT_FALSE(sys::FileExists(install / "cache/install.journal"));
}

TEST_F(EngineTest, EmptyFileListMeansCurrent) {
  server.SetManifest("[conf]\r\ncurr_version=1.1.0.0\r\n[files_ver_1.1.0.0]\r\nf1=Quillet.exe\r\n");
  std::string msg;
  EXPECT_EQ(updater->CheckUpdate(msg), 0);
  EXPECT_EQ(msg, "The curr version is the last version!");
  // A list of nothing but unsafe names is the empty list too.
  server.SetManifest("[conf]\r\ncurr_version=2.0\r\n[files_ver_2.0]\r\nf1=../x\r\n");
  EXPECT_EQ(updater->CheckUpdate(msg), 0);
}

TEST_F(EngineTest, CheckFailsWithoutHostOrManifest) {
  std::string msg;
  updater->Host = "";
  EXPECT_EQ(updater->CheckUpdate(msg), -1);
  EXPECT_EQ(msg, "Connot connect to ");

  // No manifest on the server: the stale staged one is deleted first, so nothing is read.
  updater->Host = server.Host();
  WriteWholeFile(install / "cache/update.ini", kThreeReleases);
  EXPECT_EQ(updater->CheckUpdate(msg), -1);
  EXPECT_EQ(msg, "Connot connect to " + server.Host());
  EXPECT_FALSE(sys::FileExists(install / "cache/update.ini"));
  EXPECT_FALSE(updater->IsCheckUpdateing());

  // A file that names no newest version (an error page, garbage) is no manifest: the
  // installation is not called current.
  const char garbage[] = "MZ\x90\0\x03\0garbage\r\n[other]\r\nkey=value\r\n";
  server.SetManifest(std::string(garbage, sizeof garbage - 1));
  EXPECT_EQ(updater->CheckUpdate(msg), -1);

  // The next check runs normally.
  PublishThreeReleases();
  EXPECT_EQ(updater->CheckUpdate(msg), 1);
}

// Every check starts afresh: a failed one leaves neither the last list nor the last
// chain's or installation's outcome behind.
TEST_F(EngineTest, EveryCheckStartsFromACleanRecord) {
  PublishThreeReleases();
  ASSERT_TRUE(RunChain());
  ASSERT_TRUE(updater->LastChainComplete() && updater->LastInstallComplete());
  WriteWholeFile(install / "Quillet.exe", MainProgram("1.1.0.0"));
  server.SetManifest("not a manifest");
  std::string msg;
  EXPECT_EQ(updater->CheckUpdate(msg), -1);
  EXPECT_TRUE(updater->FFileList.Empty());
  EXPECT_FALSE(updater->LastChainComplete());
  EXPECT_FALSE(updater->LastInstallComplete());
  EXPECT_EQ(updater->LastCheckFailure(), TCheckFailure::kCannotConnect);
  EXPECT_EQ(updater->FailureReason(), "the server's manifest names no newest version");
  // Nor the last newest version, when the check fails before it fetches anything.
  PublishThreeReleases();
  ASSERT_EQ(updater->CheckUpdate(msg), 1);
  EXPECT_EQ(updater->GetNewVersion(), "1.3.0.0");
  updater->Host = "";
  EXPECT_EQ(updater->CheckUpdate(msg), -1);
  EXPECT_EQ(updater->GetNewVersion(), "");
}

TEST_F(EngineTest, AnInstallationWithoutItsProgramRecordsAnEmptyInstalledVersion) {
  PublishThreeReleases();
  sys::RemoveFile(install / "Quillet.exe");
  std::string msg;
  ASSERT_EQ(updater->CheckUpdate(msg), 1);
  EXPECT_EQ(ini::ReadProfileString(updater->FCacheDir + "update.ini", "conf", "last_version", "?"), "");
  // The newest release's own list.
  EXPECT_EQ(updater->FFileList.Items(), (std::vector<std::string>{"Quillet.exe", "Language/chs.ini"}));
}

// Release files named like the updater's own files are never fetched or installed, and do
// not keep the rest of the release from installing.
TEST_F(EngineTest, EntriesThatWouldReachTheUpdatersOwnFilesAreDropped) {
  server.SetManifest(
      "[conf]\r\ncurr_version=2.0\r\n[files_ver_2.0]\r\n"
      "a=install.journal\r\nb=update.ini\r\nc=cache/Quillet.exe\r\nd=Quillet.exe.quillet-old\r\n"
      "e=Cache./x\r\nf=INSTAL~1.JOU\r\ng=ok.txt\r\n");
  server.Publish("install.journal", "quillet installation journal 1\nrolling-back\n");
  server.Publish("ok.txt", "fine");
  ASSERT_TRUE(RunChain());
  EXPECT_EQ(updater->FFileList.Items(), std::vector<std::string>{"ok.txt"});
  EXPECT_TRUE(updater->LastInstallComplete());
  EXPECT_EQ(ReadWholeFile(install / "ok.txt"), "fine");
  EXPECT_FALSE(sys::FileExists(install / "cache/install.journal"));
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.1.0.0"));
}

// Two updaters on one installation: the second says another update runs and changes
// nothing until the first has ended its update.
TEST_F(EngineTest, ASecondUpdaterWaitsUntilTheFirstHasEndedItsUpdate) {
  PublishThreeReleases();
  std::string msg;
  ASSERT_EQ(updater->CheckUpdate(msg), 1);
  const std::string staged = ReadWholeFile(install / "cache/update.ini");
  TSoftUpdater second(nullptr, install.path());
  second.Host = server.Host();
  second.Path = server.Path();
  second.MainFile = second.FAppDir + "Quillet.exe";
  EXPECT_EQ(second.CheckUpdate(msg), -1);
  EXPECT_EQ(second.LastCheckFailure(), TCheckFailure::kAnotherUpdateRunning);
  EXPECT_EQ(second.FailureReason(), "another update of this installation is running");
  EXPECT_EQ(ReadWholeFile(install / "cache/update.ini"), staged);
  // The first one's update goes on unhindered.
  updater->StartDownload();
  ASSERT_TRUE(chainEnded.Wait(kGenerous));
  EXPECT_TRUE(updater->LastInstallComplete());
  EXPECT_EQ(second.CheckUpdate(msg), 0);

  // A declined update lets the other updater in at once.
  WriteWholeFile(install / "Quillet.exe", MainProgram("1.1.0.0"));
  ASSERT_EQ(second.CheckUpdate(msg), 1);
  EXPECT_EQ(updater->CheckUpdate(msg), -1);
  second.EndSession();
  EXPECT_EQ(updater->CheckUpdate(msg), 1);
}

TEST_F(EngineTest, AnUnfinishedInstallationStopsTheCheckAndIsReported) {
  PublishThreeReleases();
  // A journal promises readme.txt, but a folder stands in its way.
  const std::string readme = install / "readme.txt";
  WriteWholeFile(readme + ".quillet-new", "new readme");
  sys::ForceDirectories(readme + sys::kPathSepText + "inside");
  WriteWholeFile(install / "cache/install.journal", "quillet installation journal 1\nreplacing\n" + readme + "\t" +
                                                        readme + ".quillet-new\t" + readme + ".quillet-old\t0\n");
  WriteWholeFile(install / "cache/update.ini", "staged by the last check");
  std::string msg;
  EXPECT_EQ(updater->CheckUpdate(msg), -1);
  EXPECT_EQ(updater->LastCheckFailure(), TCheckFailure::kInstallationUnfinished);
  EXPECT_EQ(updater->FailureReason().rfind("the last installation is unfinished: cannot replace " + readme, 0), 0u)
      << updater->FailureReason();
  EXPECT_EQ(ReadWholeFile(install / "cache/update.ini"), "staged by the last check");
  EXPECT_TRUE(sys::FileExists(install / "cache/install.journal"));
  // Once the way is free, the next check completes it and goes on.
  ASSERT_TRUE(sys::RemoveEmptyDirectory(readme + sys::kPathSepText + "inside"));
  ASSERT_TRUE(sys::RemoveEmptyDirectory(readme));
  EXPECT_EQ(updater->CheckUpdate(msg), 1);
  EXPECT_EQ(ReadWholeFile(readme), "new readme");
}

TEST_F(EngineTest, RefusedUrlLeavesTheEngineIdle) {
  updater->Path = "ftp://elsewhere/";
  std::string msg;
  EXPECT_THROW(updater->CheckUpdate(msg), sys::Error);
  EXPECT_FALSE(updater->IsCheckUpdateing());
}

// A server whose second file stops half way: answers the size probe and the ranged GET
// of each name from `bodies`, and closes the connection after half of the named body.
ScriptedServer::Handler ServeFiles(std::map<std::string, std::string> bodies, std::string cutName) {
  return [bodies, cutName](ScriptedConnection &connection) {
    const std::string request = connection.ReadRequest();
    const bool head = request.compare(0, 5, "HEAD ") == 0;
    const std::size_t start = request.find(' ') + 2, end = request.find(' ', start);
    const std::string name = request.substr(start, end - start);
    auto found = bodies.find(name);
    if (found == bodies.end()) {
      connection.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
      return;
    }
    const std::string &body = found->second;
    const std::string size = std::to_string(body.size());
    connection.Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-" + std::to_string(body.size() - 1) + "/" +
                    size + "\r\nContent-Length: " + size + "\r\n\r\n");
    if (head) return;
    connection.Send(name == cutName ? body.substr(0, body.size() / 2) : body);
  };
}

TEST(EngineChain, ServerClosingMidBodyInstallsNothing) {
  const std::string manifest = "[conf]\r\ncurr_version=2.0\r\n[files_ver_2.0]\r\nf1=a.txt\r\nf2=b.bin\r\n";
  std::map<std::string, std::string> bodies{
      {"update.ini.rar", manifest}, {"a.txt.rar", "first file"}, {"b.bin.rar", std::string(50000, 'b')}};
  ScriptedServer server("127.0.0.80", std::vector<ScriptedServer::Handler>(6, ServeFiles(bodies, "b.bin.rar")));
  ASSERT_TRUE(server.Listening());
  TestDir install;
  TSoftUpdater updater(nullptr, install.path());
  updater.Host = "127.0.0.80";
  updater.Path = "http://127.0.0.80/";
  updater.MainFile = updater.FAppDir + "Quillet.exe";
  sys::Event ended(sys::Event::Mode::ManualReset);
  int copies = 0;
  updater.OnFileAllDowned = [&](TObject *) {
    updater.CopyFiles();
    ended.Set();
  };
  updater.OnCopyFile = [&](TObject *, const std::string &, const std::string &, int, int) { ++copies; };
  std::string msg;
  ASSERT_EQ(updater.CheckUpdate(msg), 1);
  updater.StartDownload();
  ASSERT_TRUE(ended.Wait(kGenerous));
  EXPECT_FALSE(updater.LastChainComplete());
  EXPECT_EQ(copies, 0);
  EXPECT_FALSE(sys::FileExists(install / "a.txt"));
  EXPECT_FALSE(sys::FileExists(install / "b.bin"));
}

// While a chain runs, a second StartDownload and a CopyFiles change nothing, and neither
// does a CopyFiles from within the installation.
TEST(EngineChain, StartingOrInstallingDuringAChainOrAnInstallationChangesNothing) {
  const std::string manifest = "[conf]\r\ncurr_version=2.0\r\n[files_ver_2.0]\r\nf1=slow.bin\r\nf2=next.bin\r\n";
  std::map<std::string, std::string> bodies{{"update.ini.rar", manifest}, {"next.bin.rar", "next"}};
  sys::Event firstChunk(sys::Event::Mode::ManualReset), goOn(sys::Event::Mode::ManualReset);
  auto serveAfterASignal = [&](ScriptedConnection &connection) {
    const std::string request = connection.ReadRequest();
    connection.Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-1999/2000\r\nContent-Length: 2000\r\n\r\n");
    if (request.compare(0, 5, "HEAD ") == 0) return;
    connection.Send(std::string(1000, 's'));
    goOn.Wait(kGenerous);
    connection.Send(std::string(1000, 's'));
  };
  ScriptedServer server("127.0.0.82", {ServeFiles(bodies, ""), ServeFiles(bodies, ""), serveAfterASignal,
                                       serveAfterASignal, ServeFiles(bodies, ""), ServeFiles(bodies, "")});
  ASSERT_TRUE(server.Listening());
  TestDir install;
  TSoftUpdater updater(nullptr, install.path());
  updater.Host = "127.0.0.82";
  updater.Path = "http://127.0.0.82/";
  updater.MainFile = updater.FAppDir + "Quillet.exe";
  sys::Event ended(sys::Event::Mode::ManualReset);
  int copies = 0;
  updater.OnFileDowning = [&](TObject *, int, int, std::string) { firstChunk.Set(); };
  updater.OnCopyFile = [&](TObject *, const std::string &, const std::string &, int, int) {
    ++copies;
    updater.CopyFiles();
  };
  updater.OnFileAllDowned = [&](TObject *) {
    updater.CopyFiles();
    ended.Set();
  };
  std::string msg;
  ASSERT_EQ(updater.CheckUpdate(msg), 1);
  updater.StartDownload();
  ASSERT_TRUE(firstChunk.Wait(kGenerous));
  updater.StartDownload();
  updater.CopyFiles();
  EXPECT_EQ(updater.CheckUpdate(msg), -1);
  EXPECT_EQ(updater.FFileIndex, 0);
  EXPECT_EQ(updater.FFileList.Count(), 2);
  EXPECT_EQ(server.ConnectionCount(), 4);
  goOn.Set();
  ASSERT_TRUE(ended.Wait(kGenerous));
  EXPECT_EQ(server.ConnectionCount(), 6);
  EXPECT_EQ(copies, 2);
  EXPECT_TRUE(updater.LastInstallComplete());
  EXPECT_EQ(ReadWholeFile(install / "next.bin"), "next");
}

TEST(EngineChain, DestroyingTheEngineStopsTheChain) {
  // The first file arrives slowly, piece by piece, so the engine is destroyed while it
  // is under way; the second file must then never be asked for.
  const std::string manifest = "[conf]\r\ncurr_version=2.0\r\n[files_ver_2.0]\r\nf1=slow.bin\r\nf2=next.bin\r\n";
  std::map<std::string, std::string> bodies{{"update.ini.rar", manifest}, {"next.bin.rar", "next"}};
  auto serveSlowly = [](ScriptedConnection &connection) {
    const std::string request = connection.ReadRequest();
    connection.Send(
        "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-99999/100000\r\nContent-Length: 100000\r\n\r\n");
    if (request.compare(0, 5, "HEAD ") == 0) return;
    for (int sent = 0; sent < 100000; sent += 1000) {
      if (!connection.Send(std::string(1000, 's'))) return;
      sys::SleepMs(20);
    }
  };
  ScriptedServer server("127.0.0.81", {ServeFiles(bodies, ""), ServeFiles(bodies, ""), serveSlowly, serveSlowly,
                                       ServeFiles(bodies, ""), ServeFiles(bodies, "")});
  ASSERT_TRUE(server.Listening());
  TestDir install;
  auto updater = std::make_unique<TSoftUpdater>(nullptr, install.path());
  updater->Host = "127.0.0.81";
  updater->Path = "http://127.0.0.81/";
  sys::Event transferring(sys::Event::Mode::ManualReset);
  std::atomic<bool> allDowned{false};
  updater->OnFileDowning = [&](TObject *, int, int, std::string) { transferring.Set(); };
  updater->OnFileAllDowned = [&](TObject *) { allDowned = true; };
  std::string msg;
  ASSERT_EQ(updater->CheckUpdate(msg), 1);
  updater->StartDownload();
  ASSERT_TRUE(transferring.Wait(kGenerous));
  updater.reset();
  EXPECT_FALSE(allDowned);
  EXPECT_EQ(server.ConnectionCount(), 4);
  EXPECT_FALSE(sys::FileExists(install / "slow.bin"));
}

}  // namespace

// The engine of a build that trusts signing keys, against signed releases on the nginx
// fixture: it installs what the vendor signed, and nothing else.
#include <gtest/gtest.h>

#include <memory>

#include "sys/FileLock.h"

#include "engine/SoftUpdater.h"
#include "ini/Profile.h"
#include "sys/FileSystem.h"
#include "sys/uGlobal.h"
#include "tests/support/ReleaseServer.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/SignedRelease.h"
#include "tests/support/TestDir.h"

using namespace testing_support;

namespace {

constexpr int kGenerous = 60000;

std::string MainProgram(const std::string &version) {
  return ReadWholeFile(ExecutableDirectory() + "quillet-fixtures" + sys::kPathSep + "Quillet-" + version + ".exe");
}

class SignedUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!server.Ready()) GTEST_SKIP() << "needs the nginx fixture (run through CTest)";
    WriteWholeFile(install / "Quillet.exe", MainProgram("1.1.0.0"));
    updater = NewUpdater();
    release.CurrVersion = "1.3.0.0";
    release.Releases = "[files_ver_1.3.0.0]\r\nf1=Quillet.exe\r\nf2=data/big.bin\r\n\r\n[files_ver_1.1.0.0]\r\nf1=readme.txt\r\n";
    release.Files = {{"Quillet.exe", MainProgram("1.3.0.0")}, {"data/big.bin", std::string(300000, 'b')},
                     {"readme.txt", "read me"}};
  }

  std::unique_ptr<TSoftUpdater> NewUpdater() {
    auto engine = std::make_unique<TSoftUpdater>(nullptr, install.path());
    engine->Host = server.Host();
    engine->Path = server.Path();
    engine->MainFile = engine->FAppDir + "Quillet.exe";
    engine->SetTrustedKeys({key.Public});
    engine->OnFileAllDowned = [this, raw = engine.get()](TObject *) {
      raw->CopyFiles();
      chainEnded.Set();
    };
    return engine;
  }

  // The release on the server, signed by the given keys (the trusted one by default).
  void Publish(const std::vector<crypto::PrivateKey> &keys = {}) {
    for (const auto &file : release.Files) server.Publish(file.first, file.second);
    server.SetManifest(release.Manifest());
    server.Publish("update.ini.sig", release.SignatureFile(keys.empty() ? std::vector<crypto::PrivateKey>{key} : keys));
  }

  int Check() {
    std::string msg;
    return updater->CheckUpdate(msg);
  }

  bool RunChain() {
    chainEnded.Reset();
    if (Check() != 1) return false;
    updater->StartDownload();
    return chainEnded.Wait(kGenerous);
  }

  // The check failed as not verified, for this reason, and changed nothing.
  void ExpectRefused(const std::string &reason) {
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(updater->LastCheckFailure(), TCheckFailure::kNotVerified);
    EXPECT_NE(updater->FailureReason().find(reason), std::string::npos) << updater->FailureReason();
    EXPECT_EQ(updater->GetNewVersion(), "");
    EXPECT_TRUE(updater->FFileList.Empty());
    EXPECT_FALSE(sys::FileExists(install / "cache/update.ini"));
    EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.1.0.0"));
    EXPECT_FALSE(sys::FileExists(install / "data/big.bin"));
  }

  crypto::PrivateKey key = NewKey();
  TestDir install;
  ReleaseServer server;
  SignedRelease release;
  std::unique_ptr<TSoftUpdater> updater;
  sys::Event chainEnded{sys::Event::Mode::ManualReset};
};

TEST_F(SignedUpdateTest, AnHonestSignedUpdateIsInstalled) {
  Publish();
  ASSERT_TRUE(RunChain());
  EXPECT_TRUE(updater->LastInstallComplete());
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.3.0.0"));
  EXPECT_EQ(ReadWholeFile(install / "data/big.bin"), std::string(300000, 'b'));
  // The serial is remembered; the same manifest again is fine, and current.
  EXPECT_NE(ReadWholeFile(install / "cache/trust.state").find("serial 1\n"), std::string::npos);
  EXPECT_EQ(Check(), 0);
}

TEST_F(SignedUpdateTest, ManifestsThatAreNotTheSignedOnesAreRefused) {
  const crypto::PrivateKey stranger = NewKey();
  Publish({stranger});
  ExpectRefused("signed by an unknown key");

  Publish();
  std::string changed = release.Manifest();
  changed[changed.find("1.3.0.0")] = '2';  // one byte
  server.SetManifest(changed);
  ExpectRefused("signature is invalid");

  Publish();
  server.Withdraw("update.ini.sig");
  ExpectRefused("signature is missing");
}

TEST_F(SignedUpdateTest, StaleAndReplayedManifestsAreRefused) {
  release.Expires = trust::NowUtc() - 60;
  Publish();
  ExpectRefused("the manifest expired on " + trust::FormatUtcTime(release.Expires) + " (this computer's clock says ");

  // Serial 5 accepted; 4 replayed afterwards is refused, and 5 with other content too.
  release.Expires = trust::NowUtc() + 86400;
  release.Serial = 5;
  Publish();
  EXPECT_EQ(Check(), 1);
  updater->EndSession();
  release.Serial = 4;
  Publish();
  ExpectRefused("serial 4 is older than 5");
  release.Serial = 5;
  release.Releases += "\r\n";
  Publish();
  ExpectRefused("serial 5 is one this installation accepted before, with other content");
}

// An older signed manifest shown to a newer installation (one that never saw a newer
// manifest) would offer that older release as the newest: it names no section for the
// installed version, and is refused.
TEST_F(SignedUpdateTest, AnOlderManifestIsRefusedByANewerInstallation) {
  WriteWholeFile(install / "Quillet.exe", MainProgram("1.3.0.0"));
  release.CurrVersion = "1.2.0.0";
  release.Releases = "[files_ver_1.2.0.0]\r\nf1=Quillet.exe\r\n\r\n[files_ver_1.1.0.0]\r\nf1=readme.txt\r\n";
  Publish();
  EXPECT_EQ(Check(), -1);
  EXPECT_NE(updater->FailureReason().find("no release section for the installed version 1.3.0.0"), std::string::npos)
      << updater->FailureReason();
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.3.0.0"));
}

TEST_F(SignedUpdateTest, SignaturesByARetiredKeyBesideTheCurrentOneAreFine) {
  const crypto::PrivateKey retired = NewKey();
  Publish({retired, key});
  ASSERT_TRUE(RunChain());
  EXPECT_TRUE(updater->LastInstallComplete());
}

TEST_F(SignedUpdateTest, AListedFileWithoutASignedHashIsRefused) {
  release.Files.erase("data/big.bin");
  Publish();
  server.Publish("data/big.bin", "unsigned");
  ExpectRefused("gives no size and hash for data/big.bin");
  // A manifest refused on any count raises no serial.
  EXPECT_FALSE(sys::FileExists(install / "cache/trust.state"));
}

TEST_F(SignedUpdateTest, AFileChangedOnTheServerIsNotInstalled) {
  Publish();
  ASSERT_EQ(Check(), 1);
  server.Publish("data/big.bin", std::string(300000, 'x'));
  updater->StartDownload();
  ASSERT_TRUE(chainEnded.Wait(kGenerous));
  EXPECT_FALSE(updater->LastChainComplete());
  EXPECT_EQ(updater->LastChainFailure(), TChainFailure::kNotVerified);
  EXPECT_EQ(updater->FailureReason(), "file data/big.bin does not match its signed size or hash");
  EXPECT_EQ(ReadWholeFile(install / "Quillet.exe"), MainProgram("1.1.0.0"));
  EXPECT_FALSE(sys::FileExists(install / "data/big.bin"));
}

// A new publication while the update downloads: its files come first, then its
// signature file; the client meets a file it did not sign and is told why.
TEST_F(SignedUpdateTest, APublicationDuringTheUpdateIsSaidSo) {
  Publish();
  ASSERT_EQ(Check(), 1);
  release.Files["data/big.bin"] = std::string(300000, 'n');
  release.Serial = 2;
  Publish();
  updater->StartDownload();
  ASSERT_TRUE(chainEnded.Wait(kGenerous));
  EXPECT_EQ(updater->LastChainFailure(), TChainFailure::kServerChanged);
  EXPECT_EQ(updater->FailureReason(), "the server changed during the update; try again");
  // Trying again gets the new release whole.
  ASSERT_TRUE(RunChain());
  EXPECT_TRUE(updater->LastInstallComplete());
  EXPECT_EQ(ReadWholeFile(install / "data/big.bin"), std::string(300000, 'n'));
}

// A server that announces a signed file longer than signed and sends it without end:
// nothing of it is stored, and the file is not installed.
TEST(SignedChain, AnEndlessFileStopsAtItsSignedSize) {
  TestDir install;
  const crypto::PrivateKey key = NewKey();
  SignedRelease release;
  release.CurrVersion = "2.0";
  release.Releases = "[files_ver_2.0]\r\nf1=endless.bin\r\n";
  release.Files = {{"endless.bin", std::string(10000, 'e')}};
  const std::string manifest = release.Manifest(), signature = release.SignatureFile({key});
  auto answer = [](const std::string &body) {
    return ScriptedServer::Answer("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-" +
                                  std::to_string(body.size() - 1) + "/" + std::to_string(body.size()) +
                                  "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  };
  std::atomic<bool> clientLeft{false};
  auto endless = [&](ScriptedConnection &connection) {
    connection.ReadRequest();
    connection.Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-999999999/1000000000\r\n"
                    "Content-Length: 1000000000\r\n\r\n");
    for (int sent = 0; sent < 100000; ++sent) {
      if (!connection.Send(std::string(1000, 'e'))) {
        clientLeft = true;
        return;
      }
    }
  };
  ScriptedServer server("127.0.0.83", {answer(manifest), answer(manifest), answer(signature), answer(signature),
                                       endless, endless});
  ASSERT_TRUE(server.Listening());
  TSoftUpdater updater(nullptr, install.path());
  updater.Host = "127.0.0.83";
  updater.Path = "http://127.0.0.83/";
  updater.MainFile = updater.FAppDir + "Quillet.exe";
  updater.SetTrustedKeys({key.Public});
  sys::Event ended(sys::Event::Mode::ManualReset);
  updater.OnFileAllDowned = [&](TObject *) { ended.Set(); };
  std::string msg;
  ASSERT_EQ(updater.CheckUpdate(msg), 1) << updater.FailureReason();
  updater.StartDownload();
  ASSERT_TRUE(ended.Wait(kGenerous));
  EXPECT_FALSE(updater.LastChainComplete());
  EXPECT_EQ(updater.LastChainFailure(), TChainFailure::kNotVerified);
  // Refused bytes do not stay staged.
  EXPECT_FALSE(sys::FileExists(install / "cache/endless.bin"));
}

// The same signed release to a build that trusts no key: as it always was.
TEST_F(SignedUpdateTest, ABuildWithoutKeysIgnoresTheSignature) {
  updater->SetTrustedKeys({});
  const crypto::PrivateKey stranger = NewKey();
  Publish({stranger});
  ASSERT_TRUE(RunChain());
  EXPECT_TRUE(updater->LastInstallComplete());
  EXPECT_FALSE(sys::FileExists(install / "cache/trust.state"));
}

// The engine freed at each step of a chain whose second file is refused for its hash,
// against a server that stalls at that step (the second file's probe runs on the first
// one's worker): freeing ends what runs within the transfer bounds, raises no completion,
// leaves nothing half fetched staged, and lets go of the installation.
TEST(SignedChain, FreeingTheEngineAtAnyStepOfAChainEndsItAndLetsGoOfTheInstallation) {
  const crypto::PrivateKey key = NewKey();
  SignedRelease release;
  release.CurrVersion = "2.0";
  release.Releases = "[files_ver_2.0]\r\nf1=a.bin\r\nf2=b.bin\r\n";
  release.Files = {{"a.bin", "first"}, {"b.bin", std::string(5000, 'b')}};
  const std::string manifest = release.Manifest(), signature = release.SignatureFile({key});
  auto head = [](std::size_t size) {
    return "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-" + std::to_string(size - 1) + "/" +
           std::to_string(size) + "\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n";
  };
  auto answer = [&](const std::string &body) { return ScriptedServer::Answer(head(body.size()) + body); };
  // Reads the request, sends what is given, then holds until the test lets it go.
  auto stall = [](const std::string &sent) {
    return [sent](ScriptedConnection &c) {
      c.ReadRequest();
      if (!sent.empty()) c.Send(sent);
      c.Server().WaitReleased();
    };
  };
  const std::string tampered(5000, 't');
  // Connections: 0-1 the manifest, 2-3 its signature file, 4-5 the first file, 6-7 the
  // second, and after its refusal 8-9 the signature file again.
  const struct {
    const char *step;
    int stalled;
    std::string sent;
  } steps[] = {{"the second file's probe", 6, ""},
               {"its headers", 7, ""},
               {"its body", 7, head(5000) + tampered.substr(0, 1000)},
               {"the signature file's probe at the chain's end", 8, ""},
               {"its headers", 9, ""},
               {"its body", 9, head(signature.size()) + signature.substr(0, 10)}};
  for (const auto &step : steps) {
    SCOPED_TRACE(step.step);
    std::vector<ScriptedServer::Handler> script{answer(manifest),  answer(manifest),  answer(signature),
                                                answer(signature), answer("first"),   answer("first"),
                                                answer(tampered),  answer(tampered),  answer(signature),
                                                answer(signature)};
    script[std::size_t(step.stalled)] = stall(step.sent);
    ScriptedServer server("127.0.0.84", script);
    ASSERT_TRUE(server.Listening());
    TestDir install;
    auto updater = std::make_unique<TSoftUpdater>(nullptr, install.path());
    updater->Host = "127.0.0.84";
    updater->Path = "http://127.0.0.84/";
    updater->MainFile = updater->FAppDir + "Quillet.exe";
    updater->SetTrustedKeys({key.Public});
    THttpFileDown::TimeLimits limits;
    limits.ConnectMs = limits.SendMs = limits.ReceiveMs = limits.ProbeMs = 1000;
    limits.HeaderPhaseMs = 2000;
    updater->SetTimeLimits(limits, 5000);
    std::atomic<bool> allDowned{false};
    updater->OnFileAllDowned = [&](TObject *) { allDowned = true; };
    std::string msg;
    ASSERT_EQ(updater->CheckUpdate(msg), 1) << updater->FailureReason();
    updater->StartDownload();
    ASSERT_TRUE(server.WaitForConnections(step.stalled + 1));
    updater.reset();
    EXPECT_FALSE(allDowned);
    EXPECT_FALSE(sys::FileExists(install / "cache/b.bin"));
    sys::FileLock lock;
    EXPECT_EQ(lock.TryLock(install / "cache/update.lock"), sys::FileLock::Result::kLocked);
    server.Release();
  }
}

// The manifest and its signature file are read whole into memory: past their bounds they
// are refused as too large, in a build with keys and without; cut short they are no
// manifest either. Nothing of them stays.
TEST(SignedChain, FilesOfTheUpdatersOwnThatDoNotArriveWholeAreRefusedAndNotKept) {
  const crypto::PrivateKey key = NewKey();
  SignedRelease release;
  release.CurrVersion = "2.0";
  release.Releases = "[files_ver_2.0]\r\nf1=a.bin\r\n";
  release.Files = {{"a.bin", "a"}};
  const std::string manifest = release.Manifest(), signature = release.SignatureFile({key});
  auto answer = [](const std::string &body) {
    return ScriptedServer::Answer("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-" +
                                  std::to_string(body.size() - 1) + "/" + std::to_string(body.size()) +
                                  "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  };
  // Announces one byte more than allowed and sends the first bytes of it.
  auto oversized = [](std::int64_t bound) {
    const std::string size = std::to_string(bound + 1);
    return ScriptedServer::Answer("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-" + std::to_string(bound) +
                                  "/" + size + "\r\nContent-Length: " + size + "\r\n\r\n" + std::string(4096, 'x'));
  };
  const std::string cut = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-" +
                          std::to_string(manifest.size() - 1) + "/" + std::to_string(manifest.size()) +
                          "\r\nContent-Length: " + std::to_string(manifest.size()) + "\r\n\r\n" +
                          manifest.substr(0, 50);
  const struct {
    const char *what;
    bool signedBuild;
    std::vector<ScriptedServer::Handler> script;
    const char *reason;
  } cases[] = {
      {"a manifest cut short", false, {answer(manifest), ScriptedServer::Answer(cut)}, "after 50 of"},
      {"an unsigned build's manifest", false, {oversized(trust::kMaxManifestSize), oversized(trust::kMaxManifestSize)},
       "is too large: 67108865 bytes announced, at most 67108864 allowed"},
      {"a signed build's manifest", true, {oversized(trust::kMaxManifestSize), oversized(trust::kMaxManifestSize)},
       "is too large"},
      {"the signature file",
       true,
       {answer(manifest), answer(manifest), oversized(trust::kMaxSignatureFileSize),
        oversized(trust::kMaxSignatureFileSize)},
       "the manifest's signature file is too large (over 64 KiB)"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedServer server("127.0.0.85", c.script);
    ASSERT_TRUE(server.Listening());
    TestDir install;
    TSoftUpdater updater(nullptr, install.path());
    updater.Host = "127.0.0.85";
    updater.Path = "http://127.0.0.85/";
    updater.MainFile = updater.FAppDir + "Quillet.exe";
    if (c.signedBuild) updater.SetTrustedKeys({key.Public});
    std::string msg;
    EXPECT_EQ(updater.CheckUpdate(msg), -1);
    EXPECT_NE(updater.FailureReason().find(c.reason), std::string::npos) << updater.FailureReason();
    EXPECT_FALSE(sys::FileExists(install / "cache/update.ini"));
    EXPECT_FALSE(sys::FileExists(install / "cache/update.ini.sig"));
  }
}

}  // namespace

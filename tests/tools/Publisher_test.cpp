#include "tools/Publisher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "crypto/Keys.h"
#include "crypto/Sha256.h"
#include "engine/ManifestTrust.h"
#include "ini/ProfileText.h"
#include "sys/Platform.h"
#include "tests/support/TestDir.h"
#include "tools/PublishCommand.h"

using testing_support::ReadWholeFile;
using testing_support::TestDir;
using testing_support::WriteWholeFile;

namespace {

PublishOptions Options(const std::string &server, const std::string &release, const std::string &version) {
  PublishOptions options;
  options.ServerDir = server;
  options.ReleaseDir = release;
  options.Version = version;
  return options;
}

namespace fs = std::filesystem;

using Tree = std::map<std::string, std::string>;  // relative name ("/" separated) -> content

// Every file and folder under root, with the files' contents ("<dir>" for a folder).
Tree Snapshot(const std::string &root) {
  Tree tree;
  if (!fs::exists(root)) return tree;
  for (const auto &entry : fs::recursive_directory_iterator(root)) {
    const std::string name = entry.path().lexically_relative(root).generic_string();
    tree[name] = entry.is_directory() ? "<dir>" : ReadWholeFile(entry.path().string());
  }
  return tree;
}

void MakeRelease(const TestDir &dir, const std::string &release, const Tree &files) {
  fs::create_directories(dir / release);
  for (const auto &[name, content] : files) WriteWholeFile(dir / (release + "/" + name), content);
}

// The "FileVersion" each test's releases report, by path; none by default.
struct FakeVersions {
  std::map<std::string, std::string> byPath;
  std::string operator()(const std::string &path) const {
    auto found = byPath.find(path);
    return found == byPath.end() ? std::string() : found->second;
  }
};

struct Outcome {
  int exitCode;
  std::string out, err;
};

Outcome RunPublish(const TestDir &dir, const std::string &release, const std::string &version, bool dryRun = false,
                   const FakeVersions &versions = FakeVersions()) {
  PublishCommandLine command;
  command.Options = Options(dir / "server", dir / release, version);
  command.DryRun = dryRun;
  std::ostringstream out, err;
  const int exitCode = RunPublishCommand(command, versions, out, err);
  return {exitCode, out.str(), err.str()};
}

const Tree kRelease1{{"Quillet.exe", "exe 1.1"}, {"Language/chs.ini", "chs 1"}, {"Read Me.txt", "readme"}};
const Tree kRelease2{{"Quillet.exe", "exe 1.2, longer"},
                    {"Language/chs.ini", "chs 1"},
                    {"Read Me.txt", "readme"},
                    {"plugins/sub/extra.dll", "extra"}};
const Tree kRelease3{{"Quillet.exe", "exe 1.3"},
                    {"Language/chs.ini", "chs 3"},
                    {"Read Me.txt", "readme"},
                    {"plugins/sub/extra.dll", "extra"}};

TEST(Publisher, ThreeReleasesInTurnBuildTheServerFolder) {
  TestDir dir;
  MakeRelease(dir, "r1", kRelease1);
  MakeRelease(dir, "r2", kRelease2);

  Publisher first(Options(dir / "server", dir / "r1", "1.1.0.0"), FakeVersions());
  ASSERT_TRUE(first.Plan());
  ASSERT_TRUE(first.Apply());
  ASSERT_EQ(first.Files().size(), 3u);
  EXPECT_EQ(first.Files()[0].Name, "Language/chs.ini");
  EXPECT_TRUE(first.Files()[0].Added);
  EXPECT_EQ(first.TotalBytes(), 7u + 5u + 6u);

  Publisher second(Options(dir / "server", dir / "r2", "1.2.0.0"), FakeVersions());
  ASSERT_TRUE(second.Plan());
  ASSERT_TRUE(second.Apply());
  ASSERT_EQ(second.Files().size(), 2u);
  EXPECT_EQ(second.Files()[0].Name, "Quillet.exe");
  EXPECT_FALSE(second.Files()[0].Added);
  EXPECT_EQ(second.Files()[1].Name, "plugins/sub/extra.dll");
  EXPECT_TRUE(second.Files()[1].Added);

  MakeRelease(dir, "r3", kRelease3);
  const Outcome third = RunPublish(dir, "r3", "1.3.0.0");
  ASSERT_EQ(third.exitCode, 0) << third.err;
  EXPECT_NE(third.out.find("Published version 1.3.0.0"), std::string::npos) << third.out;
  EXPECT_NE(third.out.find("0 added, 2 changed, 12 bytes"), std::string::npos) << third.out;

  EXPECT_EQ(ReadWholeFile(dir / "server/update.ini.rar"),
            "[conf]\r\ncurr_version=1.3.0.0\r\n\r\n"
            "[files_ver_1.3.0.0]\r\nf1=Language/chs.ini\r\nf2=Quillet.exe\r\n\r\n"
            "[files_ver_1.2.0.0]\r\nf1=Quillet.exe\r\nf2=plugins/sub/extra.dll\r\n\r\n"
            "[files_ver_1.1.0.0]\r\nf1=Language/chs.ini\r\nf2=Quillet.exe\r\nf3=Read Me.txt\r\n");
  // Each file as its newest content, and nothing else: no staging copies left behind.
  Tree expected;
  for (const auto &[name, content] : kRelease3) expected[name + ".rar"] = content;
  expected["Language"] = expected["plugins"] = expected["plugins/sub"] = "<dir>";
  expected["update.ini.rar"] = ReadWholeFile(dir / "server/update.ini.rar");
  EXPECT_EQ(Snapshot(dir / "server"), expected);
}

TEST(Publisher, AnExistingManifestKeepsItsOlderSectionsByteForByte) {
  TestDir dir;
  const std::string handWritten =
      "[conf]\nhost=example\ncurr_version=1.0\n; first release\n\n[files_ver_1.0]\n"
      "a = Quillet.exe\n";
  WriteWholeFile(dir / "server/update.ini.rar", handWritten);
  WriteWholeFile(dir / "server/Quillet.exe.rar", "exe 1.1");
  MakeRelease(dir, "r", {{"Quillet.exe", "exe 1.1"}, {"new.txt", "new"}});
  const Outcome outcome = RunPublish(dir, "r", "1.1");
  ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(ReadWholeFile(dir / "server/update.ini.rar"),
            "[conf]\nhost=example\ncurr_version=1.1\n; first release\n\n[files_ver_1.1]\nf1=new.txt\n\n"
            "[files_ver_1.0]\na = Quillet.exe\n");
}

TEST(Publisher, TheVersionComesFromTheReleasesMainProgram) {
  TestDir dir;
  MakeRelease(dir, "r", kRelease1);
  FakeVersions versions;
  versions.byPath[dir / "r/Quillet.exe"] = "1.1.0.0";
  Publisher byFile(Options(dir / "server", dir / "r", ""), versions);
  ASSERT_TRUE(byFile.Plan());
  EXPECT_EQ(byFile.Version(), "1.1.0.0");
  EXPECT_TRUE(byFile.Warnings().empty());

  // A version given by hand that the program does not report: the installation would
  // keep reporting the other one, which is worth a warning but no refusal.
  Publisher byHand(Options(dir / "server", dir / "r", "1.1.0.1"), versions);
  ASSERT_TRUE(byHand.Plan());
  EXPECT_EQ(byHand.Version(), "1.1.0.1");
  ASSERT_EQ(byHand.Warnings().size(), 1u);
  EXPECT_NE(byHand.Warnings()[0].find("\"1.1.0.0\""), std::string::npos);
}

TEST(Publisher, DryRunChangesNothing) {
  TestDir dir;
  MakeRelease(dir, "r1", kRelease1);
  const Outcome first = RunPublish(dir, "r1", "1.1.0.0", true);
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_NE(first.out.find("Would publish version 1.1.0.0"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find("added    Read Me.txt (6 bytes)"), std::string::npos) << first.out;
  EXPECT_FALSE(fs::exists(dir / "server"));

  ASSERT_EQ(RunPublish(dir, "r1", "1.1.0.0").exitCode, 0);
  MakeRelease(dir, "r2", kRelease2);
  const Tree before = Snapshot(dir / "server");
  const Outcome second = RunPublish(dir, "r2", "1.2.0.0", true);
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_NE(second.out.find("1 added, 1 changed"), std::string::npos) << second.out;
  EXPECT_EQ(Snapshot(dir / "server"), before);
}

// Publishes release 1.1.0.0, then expects each release below to be refused with a message
// holding `reason`, and the server folder to stay exactly as it was.
struct Refusal {
  const char *label;
  Tree files;
  std::string version;
  std::string reason;
};

TEST(Publisher, EveryRefusalLeavesTheServerAsItWas) {
  TestDir dir;
  MakeRelease(dir, "r1", kRelease1);
  ASSERT_EQ(RunPublish(dir, "r1", "1.1.0.0").exitCode, 0);
  Tree changed = kRelease1;
  changed["Quillet.exe"] = "exe 1.2";

  std::vector<Refusal> refusals{
      {"same version", changed, "1.1.0.0", "already published"},
      {"no change", kRelease1, "1.2.0.0", "changes nothing"},
      {"no files", {}, "1.2.0.0", "holds no files"},
      {"no version", changed, "", "no version"},
      {"bad version", changed, "1.2]", "the version"},
      {"empty file", {{"Quillet.exe", "exe 1.2"}, {"blank.cfg", ""}}, "1.2.0.0", "\"blank.cfg\" is empty"},
      {"percent", {{"Quillet.exe", "exe 1.2"}, {"100%.txt", "x"}}, "1.2.0.0", "\"100%.txt\""},
      {"hash", {{"Quillet.exe", "exe 1.2"}, {"a#b.txt", "x"}}, "1.2.0.0", "\"a#b.txt\""},
      {"leading blank", {{"Quillet.exe", "exe 1.2"}, {" x.txt", "x"}}, "1.2.0.0", "\" x.txt\""},
      {"manifest's place", {{"Quillet.exe", "exe 1.2"}, {"update.ini", "x"}}, "1.2.0.0", "\"update.ini\""},
      {"folder clash", {{"Quillet.exe", "exe 1.2"}, {"a", "x"}, {"a.rar/b", "y"}}, "1.2.0.0", "\"a.rar\""},
      {"journal's place", {{"Quillet.exe", "exe 1.2"}, {"install.journal", "x"}}, "1.2.0.0", "updater's own files"},
      {"signature's place", {{"Quillet.exe", "exe 1.2"}, {"update.ini.sig", "x"}}, "1.2.0.0", "updater's own files"},
      {"staging folder", {{"Quillet.exe", "exe 1.2"}, {"Cache/x.dll", "x"}}, "1.2.0.0", "updater's own files"},
      {"kept name", {{"Quillet.exe", "exe 1.2"}, {"a.dll.quillet-old", "x"}}, "1.2.0.0", "updater's own files"},
      {"short name", {{"Quillet.exe", "exe 1.2"}, {"INSTAL~1.JOU", "x"}}, "1.2.0.0", "short name"},
  };
  if (!sys::kIsWindows) {
    // Names Windows itself cannot hold, so only a Linux release folder can bring them.
    refusals.push_back(
        {"case twins", {{"Quillet.exe", "exe 1.2"}, {"A.txt", "1"}, {"a.txt", "2"}}, "1.2.0.0", "differ only in case"});
    refusals.push_back(
        {"device", {{"Quillet.exe", "exe 1.2"}, {"Language/Aux.ini", "x"}}, "1.2.0.0", "\"Language/Aux.ini\""});
    refusals.push_back(
        {"device folder", {{"Quillet.exe", "exe 1.2"}, {"com1/x.txt", "x"}}, "1.2.0.0", "\"com1/x.txt\""});
    refusals.push_back({"trailing dot", {{"Quillet.exe", "exe 1.2"}, {"name.", "x"}}, "1.2.0.0", "\"name.\""});
    refusals.push_back({"question mark", {{"Quillet.exe", "exe 1.2"}, {"a?.txt", "x"}}, "1.2.0.0", "\"a?.txt\""});
    refusals.push_back({"backslash", {{"Quillet.exe", "exe 1.2"}, {"a\\b", "x"}}, "1.2.0.0", "\"a\\b\""});
  }

  const Tree before = Snapshot(dir / "server");
  int index = 0;
  for (const Refusal &refusal : refusals) {
    const std::string release = "refused" + std::to_string(index++);
    MakeRelease(dir, release, refusal.files);
    const Outcome outcome = RunPublish(dir, release, refusal.version);
    EXPECT_EQ(outcome.exitCode, 1) << refusal.label;
    EXPECT_NE(outcome.err.find(refusal.reason), std::string::npos) << refusal.label << ": " << outcome.err;
    EXPECT_NE(outcome.err.find("nothing was changed"), std::string::npos) << refusal.label;
    EXPECT_EQ(outcome.out, "") << refusal.label;
    EXPECT_EQ(Snapshot(dir / "server"), before) << refusal.label;
  }
}

TEST(Publisher, VersionsAreTheSameReleaseWhateverTheirCase) {
  // The updater finds release sections without regard to case, so 1.0A would read 1.0a's.
  TestDir dir;
  MakeRelease(dir, "r1", {{"Quillet.exe", "a"}});
  MakeRelease(dir, "r2", {{"Quillet.exe", "b"}});
  ASSERT_EQ(RunPublish(dir, "r1", "1.0a").exitCode, 0);
  const Outcome outcome = RunPublish(dir, "r2", "1.0A");
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(outcome.err.find("already published"), std::string::npos) << outcome.err;
}

// Manifests that the publisher will not edit: "conf" among the releases (the updater would
// read it as one), and one saved as UTF-16, which the publisher does not write.
TEST(Publisher, ManifestsItCannotEditAreRefused) {
  const std::string utf16 = std::string("\xFF\xFE[\0c\0o\0n\0f\0]\0\r\0\n\0", 18);
  const struct {
    std::string manifest;
    const char *reason;
  } cases[] = {
      {"[files_ver_2]\nf1=a\n[conf]\ncurr_version=2\n[files_ver_1]\nf1=b\n", "between release sections"},
      {utf16, "is saved as UTF-16"},
  };
  for (const auto &c : cases) {
    TestDir dir;
    WriteWholeFile(dir / "server/update.ini.rar", c.manifest);
    MakeRelease(dir, "r", {{"a", "new"}});
    const Tree before = Snapshot(dir / "server");
    const Outcome outcome = RunPublish(dir, "r", "3");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find(c.reason), std::string::npos) << outcome.err;
    EXPECT_EQ(Snapshot(dir / "server"), before);
  }
}

TEST(Publisher, AServerFolderThatIsAFileIsRefused) {
  TestDir dir;
  WriteWholeFile(dir / "server", "not a folder");
  MakeRelease(dir, "r", kRelease1);
  const Outcome outcome = RunPublish(dir, "r", "1.1.0.0");
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(outcome.err.find("is a file"), std::string::npos) << outcome.err;
  EXPECT_EQ(ReadWholeFile(dir / "server"), "not a folder");
}

TEST(Publisher, AFailedWriteTakesBackEverythingItStaged) {
  TestDir dir;
  MakeRelease(dir, "r1", kRelease1);
  ASSERT_EQ(RunPublish(dir, "r1", "1.1.0.0").exitCode, 0);
  // A folder where the new manifest is to be staged: every file is staged (and a new
  // folder made for one of them) before the manifest fails.
  fs::create_directories(dir / "server/update.ini.rar.publishing");
  const Tree before = Snapshot(dir / "server");
  MakeRelease(dir, "r2", kRelease2);
  Publisher publisher(Options(dir / "server", dir / "r2", "1.2.0.0"), FakeVersions());
  ASSERT_TRUE(publisher.Plan());
  EXPECT_FALSE(publisher.Apply());
  ASSERT_FALSE(publisher.Problems().empty());
  EXPECT_NE(publisher.Problems()[0].find("update.ini.rar.publishing"), std::string::npos);
  EXPECT_EQ(Snapshot(dir / "server"), before);
}



// ---- signing -------------------------------------------------------------------------

struct Keys {
  explicit Keys(const TestDir &dir) : dir(dir) {}
  // A new key pair made by the publisher; its private key's path.
  std::string Make(const std::string &name) {
    PublishCommandLine command;
    command.KeyGen = true;
    command.PrivateKeyFile = dir / (name + ".key");
    command.PublicKeyFile = dir / (name + ".pub");
    std::ostringstream out, err;
    EXPECT_EQ(RunPublishCommand(command, FakeVersions(), out, err), 0) << err.str();
    return command.PrivateKeyFile;
  }
  crypto::PublicKey Public(const std::string &name) {
    std::vector<crypto::PublicKey> keys;
    EXPECT_TRUE(crypto::ReadPublicKeysPem(ReadWholeFile(dir / (name + ".pub")), keys));
    return keys.empty() ? crypto::PublicKey{} : keys[0];
  }
  const TestDir &dir;
};

Outcome RunSigned(const TestDir &dir, const std::string &release, const std::string &version,
                  const std::vector<std::string> &keys, bool refresh = false,
                  const std::vector<std::string> &adoptFrom = {}, std::uint64_t minSerial = 0) {
  PublishCommandLine command;
  command.Options = Options(dir / "server", refresh ? std::string() : dir / release, version);
  command.Options.KeyFiles = keys;
  command.Options.Refresh = refresh;
  for (const std::string &adopted : adoptFrom) command.Options.AdoptFrom.push_back(dir / adopted);
  command.Options.MinSerial = minSerial;
  std::ostringstream out, err;
  const int exitCode = RunPublishCommand(command, FakeVersions(), out, err);
  return {exitCode, out.str(), err.str()};
}

trust::TSignedFacts Facts(const TestDir &dir) {
  trust::TSignedFacts facts;
  std::string problem;
  EXPECT_TRUE(trust::ReadSignedFacts(ini::ProfileText(ReadWholeFile(dir / "server/update.ini.rar")), facts, problem))
      << problem;
  return facts;
}

bool Verifies(const TestDir &dir, const crypto::PublicKey &key) {
  return trust::CheckSignature(ReadWholeFile(dir / "server/update.ini.rar"), ReadWholeFile(dir / "server/update.ini.sig.rar"),
                               {key}) == trust::TSignatureCheck::kVerified;
}

TEST(SignedPublisher, KeyPairsAreNewFilesAndThePrivateOneIsTheOwnersAlone) {
  TestDir dir;
  Keys keys(dir);
  const std::string key = keys.Make("vendor");
  crypto::PrivateKey read;
  ASSERT_TRUE(crypto::ReadPrivateKeyPem(ReadWholeFile(key), read));
  EXPECT_EQ(read.Public, keys.Public("vendor"));
  if (!sys::kIsWindows) {
    EXPECT_EQ(fs::status(key).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  }
  // An existing key is never overwritten.
  PublishCommandLine again;
  again.KeyGen = true;
  again.PrivateKeyFile = key;
  again.PublicKeyFile = dir / "other.pub";
  std::ostringstream out, err;
  EXPECT_EQ(RunPublishCommand(again, FakeVersions(), out, err), 1);
  EXPECT_EQ(ReadWholeFile(key), crypto::PrivateKeyPem(read));
  EXPECT_FALSE(fs::exists(dir / "other.pub"));
}

TEST(SignedPublisher, ReleasesAreSignedWithTheirHashesAndAGrowingSerial) {
  TestDir dir;
  Keys keys(dir);
  const std::string key = keys.Make("vendor");
  MakeRelease(dir, "r1", kRelease1);
  MakeRelease(dir, "r2", kRelease2);
  ASSERT_EQ(RunSigned(dir, "r1", "1.1.0.0", {key}).exitCode, 0);
  const std::string firstManifest = ReadWholeFile(dir / "server/update.ini.rar");
  const Outcome second = RunSigned(dir, "r2", "1.2.0.0", {key});
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_NE(second.out.find("Signed: serial 2, valid until "), std::string::npos) << second.out;
  EXPECT_TRUE(Verifies(dir, keys.Public("vendor")));
  const trust::TSignedFacts facts = Facts(dir);
  EXPECT_EQ(facts.Serial, 2u);
  std::int64_t expires = 0;
  ASSERT_TRUE(trust::ParseUtcTime(facts.ExpiresText, expires));
  EXPECT_GT(expires, trust::NowUtc() + 29 * 86400);
  EXPECT_LE(expires, trust::NowUtc() + 30 * 86400);
  // Every listed file, each with its size and hash, the unchanged one carried over.
  for (const auto &[name, content] : kRelease2) {
    const trust::TSignedFile *file = facts.Find(name);
    ASSERT_NE(file, nullptr) << name;
    EXPECT_EQ(file->Size, content.size()) << name;
    EXPECT_EQ(file->Sha256, crypto::Sha256Of(content)) << name;
  }
  // The signature file signs the outgoing manifest too, for clients that fetch it still.
  EXPECT_EQ(trust::CheckSignature(firstManifest, ReadWholeFile(dir / "server/update.ini.sig.rar"),
                                  {keys.Public("vendor")}),
            trust::TSignatureCheck::kVerified);
  // The updater reads the files_hash section as no release.
  const std::string manifest = ReadWholeFile(dir / "server/update.ini.rar");
  EXPECT_LT(manifest.find("[files_hash]"), manifest.find("[files_ver_1.2.0.0]"));
}

TEST(SignedPublisher, ASignedFolderIsNeverLeftWithAnUnsignedOrWronglySignedManifest) {
  TestDir dir;
  Keys keys(dir);
  const std::string key = keys.Make("vendor"), other = keys.Make("other");
  MakeRelease(dir, "r1", kRelease1);
  MakeRelease(dir, "r2", kRelease2);
  ASSERT_EQ(RunSigned(dir, "r1", "1.1.0.0", {key}).exitCode, 0);
  const Tree before = Snapshot(dir / "server");
  const struct {
    const char *what;
    std::vector<std::string> keys;
    const char *reason;
  } refusals[] = {{"no key", {}, "publishing without --key"},
                  {"another key", {other}, "does not verify with the given keys"},
                  {"a file that is no key", {dir / "r1/Quillet.exe"}, "is no P-256 private key"}};
  for (const auto &refusal : refusals) {
    const Outcome outcome = RunSigned(dir, "r2", "1.2.0.0", refusal.keys);
    EXPECT_EQ(outcome.exitCode, 1) << refusal.what;
    EXPECT_NE(outcome.err.find(refusal.reason), std::string::npos) << refusal.what << ": " << outcome.err;
    EXPECT_EQ(Snapshot(dir / "server"), before) << refusal.what;
  }
  // Rotation: the old key and the new one together.
  const Outcome rotated = RunSigned(dir, "r2", "1.2.0.0", {key, other});
  ASSERT_EQ(rotated.exitCode, 0) << rotated.err;
  EXPECT_TRUE(Verifies(dir, keys.Public("other")));
}

TEST(SignedPublisher, AServedCopyThatNoLongerMatchesIsNeverSigned) {
  TestDir dir;
  Keys keys(dir);
  const std::string key = keys.Make("vendor");
  MakeRelease(dir, "r1", kRelease1);
  // The next release leaves "Read Me.txt" as the first one served it.
  Tree release2 = kRelease2;
  release2.erase("Read Me.txt");
  MakeRelease(dir, "r2", release2);
  ASSERT_EQ(RunSigned(dir, "r1", "1.1.0.0", {key}).exitCode, 0);
  WriteWholeFile(dir / "server/Read Me.txt.rar", "changed on the server");
  const Tree before = Snapshot(dir / "server");
  for (bool refresh : {false, true}) {
    const Outcome outcome = RunSigned(dir, "r2", refresh ? "" : "1.2.0.0", {key}, refresh);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("the served copy of \"Read Me.txt\" no longer matches its signed size and hash"),
              std::string::npos)
        << outcome.err;
    EXPECT_EQ(Snapshot(dir / "server"), before);
  }
}

// Nothing vouches for what an unsigned folder serves: its first signing needs the release
// folders that the files came from.
TEST(SignedPublisher, TheFirstSigningOfAFolderNeedsItsReleaseFolders) {
  TestDir dir;
  Keys keys(dir);
  const std::string key = keys.Make("vendor");
  MakeRelease(dir, "r1", kRelease1);
  MakeRelease(dir, "r2", kRelease2);
  ASSERT_EQ(RunPublish(dir, "r1", "1.1.0.0").exitCode, 0);
  const Tree before = Snapshot(dir / "server");
  const Outcome refused = RunSigned(dir, "r2", "1.2.0.0", {key});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("the published manifest is not signed"), std::string::npos) << refused.err;
  EXPECT_EQ(Snapshot(dir / "server"), before);
  const Outcome adopted = RunSigned(dir, "r2", "1.2.0.0", {key}, false, {"r1"});
  ASSERT_EQ(adopted.exitCode, 0) << adopted.err;
  EXPECT_TRUE(Verifies(dir, keys.Public("vendor")));
  EXPECT_EQ(Facts(dir).Serial, 1u);
  EXPECT_EQ(Facts(dir).Find("Read Me.txt")->Sha256, crypto::Sha256Of("readme"));
}

TEST(SignedPublisher, ARefreshSignsTheSameReleaseAgainWithANewSerial) {
  TestDir dir;
  Keys keys(dir);
  const std::string key = keys.Make("vendor");
  MakeRelease(dir, "r1", kRelease1);
  ASSERT_EQ(RunSigned(dir, "r1", "1.1.0.0", {key}).exitCode, 0);
  const trust::TSignedFacts before = Facts(dir);
  const Outcome outcome = RunSigned(dir, "", "", {key}, true);
  ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_NE(outcome.out.find("Signed version 1.1.0.0 again"), std::string::npos) << outcome.out;
  const trust::TSignedFacts after = Facts(dir);
  EXPECT_EQ(after.Serial, before.Serial + 1);
  EXPECT_EQ(after.Files.size(), before.Files.size());
  EXPECT_TRUE(Verifies(dir, keys.Public("vendor")));
  // Nothing to refresh in an unsigned folder.
  TestDir unsigned_;
  MakeRelease(unsigned_, "r1", kRelease1);
  ASSERT_EQ(RunPublish(unsigned_, "r1", "1.1.0.0").exitCode, 0);
  EXPECT_EQ(RunSigned(unsigned_, "", "", {key}, true).exitCode, 1);
}

// A signed folder whose signature file is gone may have been changed by anyone: an entry
// added to an old release with its file served beside it, the signed facts stripped so
// that it looks never signed, an older release's copy of a file served again.
TEST(SignedPublisher, AFolderThatLostItsSignatureIsSignedOnlyWhenReleaseFoldersVouchForIt) {
  enum class Tamper { kNone, kAddedEntry, kStripped, kOlderCopy };
  const struct {
    const char *what;
    Tamper tamper;
    bool refresh;
    std::vector<std::string> adoptFrom;
    std::uint64_t minSerial;
    const char *refusal;  // nullptr: signed, with serial
    std::uint64_t serial;
  } cases[] = {
      {"added entry", Tamper::kAddedEntry, false, {}, 0, "is missing: restore it from your copy of the folder", 0},
      {"added entry, refresh", Tamper::kAddedEntry, true, {}, 0, "is missing: restore it", 0},
      {"added entry, adopted", Tamper::kAddedEntry, false, {"r1", "r2"}, 0, "\"evil.dll\" is in no release folder", 0},
      {"stripped", Tamper::kStripped, false, {}, 0, "the published manifest is not signed", 0},
      {"an older copy, adopted", Tamper::kOlderCopy, false, {"r1", "r2"}, 0, "\"Read Me.txt\" is not the one in", 0},
      {"intact, adopted", Tamper::kNone, false, {"r0", "r1", "r2"}, 0, nullptr, 4},
      {"intact, adopted, refresh", Tamper::kNone, true, {"r1", "r2"}, 0, nullptr, 4},
      {"intact, adopted, serial from a backup", Tamper::kNone, false, {"r1", "r2"}, 40, nullptr, 40},
      {"intact, adopted, serial below the folder's", Tamper::kNone, false, {"r1", "r2"}, 2, nullptr, 4},
      {"stripped, adopted, serial given", Tamper::kStripped, false, {"r1", "r2"}, 4, nullptr, 4},
  };
  for (const auto &c : cases) {
    TestDir dir;
    Keys keys(dir);
    const std::string key = keys.Make("vendor");
    Tree release2 = kRelease1;
    release2["Read Me.txt"] = "readme 2";
    MakeRelease(dir, "r0", {{"unrelated.txt", "x"}});
    MakeRelease(dir, "r1", kRelease1);
    MakeRelease(dir, "r2", release2);
    MakeRelease(dir, "r3", kRelease2);
    ASSERT_EQ(RunSigned(dir, "r1", "1.1.0.0", {key}).exitCode, 0);
    ASSERT_EQ(RunSigned(dir, "r2", "1.2.0.0", {key}).exitCode, 0);
    ASSERT_EQ(RunSigned(dir, "", "", {key}, true).exitCode, 0);  // serial 3
    fs::remove(dir / "server/update.ini.sig.rar");
    const std::string manifest = ReadWholeFile(dir / "server/update.ini.rar");
    switch (c.tamper) {
      case Tamper::kNone:
        break;
      case Tamper::kAddedEntry:
        WriteWholeFile(dir / "server/update.ini.rar", manifest + "f9=evil.dll\r\n");
        WriteWholeFile(dir / "server/evil.dll.rar", "evil");
        break;
      case Tamper::kStripped: {
        std::string stripped;
        std::istringstream lines(manifest);
        bool inHashes = false;
        for (std::string line; std::getline(lines, line);) {
          if (line.rfind("[", 0) == 0) inHashes = line.rfind("[files_hash]", 0) == 0;
          if (!inHashes && line.rfind("serial=", 0) != 0 && line.rfind("expires=", 0) != 0) stripped += line + "\n";
        }
        WriteWholeFile(dir / "server/update.ini.rar", stripped);
        break;
      }
      case Tamper::kOlderCopy:
        WriteWholeFile(dir / "server/Read Me.txt.rar", "readme");
        break;
    }
    const Tree before = Snapshot(dir / "server");
    const Outcome outcome = RunSigned(dir, "r3", c.refresh ? "" : "1.3.0.0", {key}, c.refresh, c.adoptFrom, c.minSerial);
    if (c.refusal) {
      EXPECT_EQ(outcome.exitCode, 1) << c.what;
      EXPECT_NE(outcome.err.find(c.refusal), std::string::npos) << c.what << ": " << outcome.err;
      EXPECT_EQ(Snapshot(dir / "server"), before) << c.what;
      continue;
    }
    ASSERT_EQ(outcome.exitCode, 0) << c.what << ": " << outcome.err;
    EXPECT_TRUE(Verifies(dir, keys.Public("vendor"))) << c.what;
    EXPECT_EQ(Facts(dir).Serial, c.serial) << c.what;
    // Served as release 2 left it, unless release 3 brings its own.
    EXPECT_EQ(Facts(dir).Find("Read Me.txt")->Sha256, crypto::Sha256Of(c.refresh ? "readme 2" : "readme")) << c.what;
    EXPECT_EQ(Facts(dir).Find("Language/chs.ini")->Sha256, crypto::Sha256Of("chs 1")) << c.what;
  }
}

// A serial cannot grow past its 19 digits: the publication is refused rather than signed
// with one that no updater reads.
TEST(SignedPublisher, ASerialAtItsLargestIsNeverExceeded) {
  TestDir dir;
  Keys keys(dir);
  const std::string key = keys.Make("vendor");
  MakeRelease(dir, "r1", kRelease1);
  ASSERT_EQ(RunSigned(dir, "r1", "1.1.0.0", {key}, false, {}, trust::kMaxSerial).exitCode, 0);
  EXPECT_EQ(Facts(dir).Serial, trust::kMaxSerial);
  const Outcome outcome = RunSigned(dir, "", "", {key}, true);
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(outcome.err.find("cannot grow past its 19 digits"), std::string::npos) << outcome.err;
}

}  // namespace

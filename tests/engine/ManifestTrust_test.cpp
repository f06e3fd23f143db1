#include "engine/ManifestTrust.h"

#include <gtest/gtest.h>

#include "crypto/Encoding.h"
#include "crypto/Sha256.h"
#include "tests/support/SignedRelease.h"
#include "tests/support/TestDir.h"

namespace {

using testing_support::NewKey;
using testing_support::SignatureFileOver;

TEST(ManifestTrust, TimesInTheirOneFormBothWays) {
  struct Case {
    const char *text;
    std::int64_t seconds;
  };
  for (const Case &c : {Case{"1970-01-01T00:00:00Z", 0}, Case{"2026-12-09T02:18:18Z", 1796782698},
                        Case{"2000-02-29T23:59:59Z", 951868799}, Case{"2100-03-01T00:00:00Z", 4107542400}}) {
    std::int64_t seconds = -1;
    ASSERT_TRUE(trust::ParseUtcTime(c.text, seconds)) << c.text;
    EXPECT_EQ(seconds, c.seconds) << c.text;
    EXPECT_EQ(trust::FormatUtcTime(c.seconds), c.text);
  }
  for (const char *text : {"2026-12-09T02:18:18", "2026-12-09 02:18:18Z", "2026-13-01T00:00:00Z",
                           "2025-02-29T00:00:00Z", "2026-12-09T24:00:00Z", "2026-12-9T02:18:18Z", "+026-12-09T02:18:18Z",
                           "2026-12-09T02:18:18Z ", ""}) {
    std::int64_t seconds;
    EXPECT_FALSE(trust::ParseUtcTime(text, seconds)) << text;
  }
}

TEST(ManifestTrust, FileHashEntriesNameSizeHashAndName) {
  trust::TSignedFile file;
  const std::string hash(64, 'a');
  ASSERT_TRUE(trust::ReadFileHash("12 " + hash + " Read Me.txt", file));
  EXPECT_EQ(file.Size, 12u);
  EXPECT_EQ(file.Name, "Read Me.txt");
  EXPECT_EQ(trust::FileHashValue(file), "12 " + hash + " Read Me.txt");
  for (const std::string &bad : {"12 " + hash, "x " + hash + " a", "12 " + hash.substr(1) + " a", "-1 " + hash + " a",
                                 "12  " + hash + " a", std::string()}) {
    EXPECT_FALSE(trust::ReadFileHash(bad, file)) << bad;
  }
}

TEST(ManifestTrust, OneTrustedLineThatVerifiesIsEnough) {
  const crypto::PrivateKey current = NewKey(), retired = NewKey(), stranger = NewKey();
  const std::string manifest = "[conf]\r\ncurr_version=2\r\n";
  const std::vector<crypto::PublicKey> trusted{current.Public};
  using Check = trust::TSignatureCheck;
  EXPECT_EQ(trust::CheckSignature(manifest, SignatureFileOver(manifest, {current}), trusted), Check::kVerified);
  // Rotation and publications in progress: other lines around the one that verifies.
  const std::string several = SignatureFileOver(manifest, {retired}) + SignatureFileOver("older", {current}) +
                              SignatureFileOver(manifest, {current});
  EXPECT_EQ(trust::CheckSignature(manifest, several, trusted), Check::kVerified);
  EXPECT_EQ(trust::LinesVerifiedBy(manifest, several, {current.Public, retired.Public}).size(), 2u);
  // Line ends and the letter case of the key id do not matter.
  std::string crlf = SignatureFileOver(manifest, {current});
  crlf.insert(crlf.size() - 1, "\r");
  for (std::size_t i = 0; i < 64; ++i) crlf[i] = char(std::toupper(static_cast<unsigned char>(crlf[i])));
  EXPECT_EQ(trust::CheckSignature(manifest, crlf, trusted), Check::kVerified);

  EXPECT_EQ(trust::CheckSignature(manifest, "", trusted), Check::kMissing);
  EXPECT_EQ(trust::CheckSignature(manifest, "\r\n\n", trusted), Check::kMissing);
  EXPECT_EQ(trust::CheckSignature(manifest, SignatureFileOver(manifest, {stranger}), trusted), Check::kUnknownKey);
  EXPECT_EQ(trust::CheckSignature(manifest + " ", SignatureFileOver(manifest, {current}), trusted), Check::kInvalid);
  EXPECT_EQ(trust::CheckSignature(manifest, trust::KeyId(current.Public) + " not-base64!", trusted), Check::kInvalid);
}

TEST(ManifestTrust, SignedFactsNeedASerialAndAnExpiry) {
  trust::TSignedFacts facts;
  std::string problem;
  const std::string hash(64, '0');
  ASSERT_TRUE(trust::ReadSignedFacts(ini::ProfileText("[conf]\nserial=7\nexpires=2030-01-01T00:00:00Z\n[files_hash]\n"
                                                      "h1=3 " + hash + " Plugins/A.dll\nh2=4 " + hash + " b.txt\n"),
                                     facts, problem))
      << problem;
  EXPECT_EQ(facts.Serial, 7u);
  EXPECT_EQ(facts.ExpiresText, "2030-01-01T00:00:00Z");
  ASSERT_NE(facts.Find("plugins/a.DLL"), nullptr);
  EXPECT_EQ(facts.Find("plugins/a.DLL")->Size, 3u);
  EXPECT_EQ(facts.Find("c.txt"), nullptr);
  for (const char *bad : {"[conf]\nexpires=2030-01-01T00:00:00Z\n", "[conf]\nserial=7\n",
                          "[conf]\nserial=-7\nexpires=2030-01-01T00:00:00Z\n",
                          "[conf]\nserial=7\nexpires=2030-01-01\n",
                          "[conf]\nserial=7\nexpires=2030-01-01T00:00:00Z\n[files_hash]\nh1=3 nothex a\n"}) {
    EXPECT_FALSE(trust::ReadSignedFacts(ini::ProfileText(bad), facts, problem)) << bad;
    EXPECT_FALSE(problem.empty());
  }
}

TEST(ManifestTrust, TheTrustStateIsReadOnlyAsWritten) {
  testing_support::TestDir dir;
  const std::string path = dir / "trust.state";
  trust::TTrustState state;
  EXPECT_FALSE(trust::ReadTrustState(path, state));
  ASSERT_TRUE(trust::WriteTrustState(path, trust::TTrustState{42, std::string(64, 'c')}));
  ASSERT_TRUE(trust::ReadTrustState(path, state));
  EXPECT_EQ(state.Serial, 42u);
  EXPECT_EQ(state.Sha256Hex, std::string(64, 'c'));
  testing_support::WriteWholeFile(path, "serial x\nsha256 " + std::string(64, 'c') + "\n");
  EXPECT_FALSE(trust::ReadTrustState(path, state));
  testing_support::WriteWholeFile(path, "serial 1\nsha256 cc\n");
  EXPECT_FALSE(trust::ReadTrustState(path, state));
}

// The trust decision as a table: each refusal with its own reason, and the state an
// accepted manifest leaves behind.
TEST(ManifestTrust, TheDecisionRefusesEachFaultForItsOwnReason) {
  const crypto::PrivateKey key = NewKey(), stranger = NewKey();
  const std::int64_t now = 1796782698;
  auto manifest = [](const std::string &serial, const std::string &expires) {
    return "[conf]\r\ncurr_version=2.0\r\nserial=" + serial + "\r\nexpires=" + expires +
           "\r\n[files_ver_2.0]\r\nf1=a\r\n[files_ver_1.0]\r\nf1=b\r\n";
  };
  const std::string good = manifest("5", "2027-01-01T00:00:00Z");
  const std::string goodHash = crypto::HexEncode([&] {
    const crypto::Bytes32 d = crypto::Sha256Of(good);
    return std::string(d.begin(), d.end());
  }());
  const std::string signature = SignatureFileOver(good, {key});
  const struct {
    const char *what;
    std::string manifest, signature;
    std::optional<trust::TTrustState> stored;
    std::string installed;
    const char *refusal;    // nullptr: accepted
    std::uint64_t kept;     // the serial to keep; 0: the stored state stays
  } cases[] = {
      {"fresh", good, signature, std::nullopt, "1.0", nullptr, 5},
      {"a newer serial than stored", good, signature, trust::TTrustState{4, std::string(64, 'a')}, "", nullptr, 5},
      {"the very manifest accepted before", good, signature, trust::TTrustState{5, goodHash}, "2.0", nullptr, 0},
      {"no signature", good, "", std::nullopt, "", "signature is missing", 0},
      {"changed after signing", good + " ", signature, std::nullopt, "", "signature is invalid", 0},
      {"a stranger's signature", good, SignatureFileOver(good, {stranger}), std::nullopt, "", "unknown key", 0},
      {"no serial", manifest("", "2027-01-01T00:00:00Z"),
       SignatureFileOver(manifest("", "2027-01-01T00:00:00Z"), {key}), std::nullopt, "", "no valid serial", 0},
      {"expired", manifest("5", "2026-01-01T00:00:00Z"),
       SignatureFileOver(manifest("5", "2026-01-01T00:00:00Z"), {key}), std::nullopt, "",
       "expired on 2026-01-01T00:00:00Z (this computer's clock says 2026-12-09T02:18:18Z)", 0},
      {"an older serial", good, signature, trust::TTrustState{6, goodHash}, "", "serial 5 is older than 6", 0},
      {"the same serial, other content", good, signature, trust::TTrustState{5, std::string(64, 'a')}, "",
       "accepted before, with other content", 0},
      {"no section for the installed version", good, signature, std::nullopt, "3.0",
       "no release section for the installed version 3.0", 0},
  };
  for (const auto &c : cases) {
    const trust::TTrustVerdict verdict = trust::DecideTrust(c.manifest, c.signature, {key.Public}, c.stored, now, c.installed);
    EXPECT_EQ(verdict.Accepted, c.refusal == nullptr) << c.what << ": " << verdict.Reason;
    if (c.refusal) {
      EXPECT_NE(verdict.Reason.find(c.refusal), std::string::npos) << c.what << ": " << verdict.Reason;
      continue;
    }
    EXPECT_EQ(verdict.Facts.Serial, 5u) << c.what;
    EXPECT_EQ(verdict.NewState.Serial, c.kept) << c.what;
    if (c.kept) {
      EXPECT_EQ(verdict.NewState.Sha256Hex, goodHash) << c.what;
    }
  }
}

}  // namespace

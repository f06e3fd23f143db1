// Probe cases that need a network set up for them: run-in-setting.sh prepares it and names
// it in QUILLET_PROBE_SETTING. Run any other way, they skip and say why.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/SoftUpdater.h"
#include "net/PingUnit.h"
#include "sys/Error.h"
#include "sys/FileSystem.h"
#include "sys/Socket.h"
#include "tests/support/ListeningSocket.h"
#include "tests/support/TestDir.h"

namespace {

// Skips every case unless the network around it is the one its fixture needs.
class SettingTest : public ::testing::Test {
 protected:
  explicit SettingTest(const char *setting) : setting_(setting) {}
  void SetUp() override {
    const char *current = std::getenv("QUILLET_PROBE_SETTING");
    if (!current || setting_ != current)
      GTEST_SKIP() << "runs only in the \"" << setting_ << "\" setting that tests/net/run-in-setting.sh prepares";
  }

 private:
  std::string setting_;
};

// A private network namespace whose loopback ignores echo requests, and where no name
// server can be reached, so that looking up a name sends nothing beyond it.
class SilentLoopback : public SettingTest {
 protected:
  SilentLoopback() : SettingTest("silent-loopback") {}
};

TEST_F(SilentLoopback, SilentHostGivesZeroAfterTheTimeOut) {
  TPing ping;
  std::string address;
  EXPECT_EQ(ping.PingByName("127.0.0.1", 500, address), 0);
  EXPECT_EQ(address, "127.0.0.1");
  EXPECT_EQ(ping.Ping("127.0.0.1", 500), 0);
}

TEST_F(SilentLoopback, NameThatDoesNotResolveGivesMinusOneAndNoAddress) {
  TPing ping;
  std::string address = "stale";
  EXPECT_EQ(ping.PingByName("name.invalid", 500, address), -1);
  EXPECT_EQ(address, "");
  std::uint32_t resolved = 0;
  EXPECT_FALSE(sys::ResolveIPv4("no-such-host.invalid", &resolved));
}

// The engine on a probe that says 0 (no answer) and one that says -1 (no such name):
// either way the check cannot be made and says why, and nothing is fetched.
TEST_F(SilentLoopback, EngineCheckFailsWhenTheHostIsSilentOrUnknown) {
  testing_support::TestDir install;
  for (const char *host : {"127.0.0.1", "name.invalid"}) {
    SCOPED_TRACE(host);
    TSoftUpdater updater(nullptr, install.path());
    updater.Host = host;
    updater.Path = std::string("http://") + host + "/";
    std::string msg;
    EXPECT_EQ(updater.CheckUpdate(msg), -1);
    EXPECT_EQ(msg, std::string("Connot connect to ") + host);
    EXPECT_EQ(updater.LastCheckFailure(), TCheckFailure::kCannotConnect);
    EXPECT_EQ(updater.FailureReason().rfind(std::string("cannot connect to ") + host + ": ", 0), 0u)
        << updater.FailureReason();
    EXPECT_FALSE(sys::FileExists(install / "cache/update.ini"));
  }
}

// Hosts that drop echo requests: the probe by a connection to port 80 passes where the
// echo does not, and so does a probe of the proxy in the way; either fails with the
// connection's own reason where nothing listens.
TEST_F(SilentLoopback, AConnectionProbeReachesHostsThatDropEchoRequests) {
  sys::SocketLayer layer(257);
  sys::Socket listener = sys::Socket::CreateTcp();
  ASSERT_TRUE(testing_support::BindAndListen(listener, sys::ParseIPv4("127.0.0.1"), 80));
  const struct {
    const char *what;
    THostProbe probe;
    const char *host;
    const char *proxy;  // "" for none
    const char *reason;
  } cases[] = {
      {"echo", THostProbe::kIcmp, "127.0.0.1", "", "cannot connect to 127.0.0.1: it does not answer"},
      {"connection", THostProbe::kHttp, "127.0.0.1", "", "cannot fetch http://127.0.0.1/update.ini.rar: "},
      {"connection, nothing listens", THostProbe::kHttp, "127.0.0.2", "", "cannot connect to 127.0.0.2: "},
      {"the proxy's", THostProbe::kIcmp, "127.0.0.2", "http://127.0.0.1:80",
       "cannot fetch http://127.0.0.2/update.ini.rar: no usable answer from the proxy 127.0.0.1:80"},
      {"the proxy's, nothing listens", THostProbe::kIcmp, "127.0.0.1", "http://127.0.0.2:3128",
       "cannot connect to the proxy 127.0.0.2:3128: "},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::TestDir install;
    TSoftUpdater updater(nullptr, install.path());
    updater.Host = c.host;
    updater.Path = std::string("http://") + c.host + "/";
    updater.HostProbe = c.probe;
    TProxyConfig proxy;
    if (*c.proxy) {
      ASSERT_TRUE(ParseProxyUrl(c.proxy, proxy.Proxy));
    }
    updater.SetProxyConfig(proxy);
    THttpFileDown::TimeLimits limits;
    limits.ReceiveMs = limits.ProbeMs = 300;
    limits.HeaderPhaseMs = 600;
    updater.SetTimeLimits(limits);
    std::string msg;
    EXPECT_EQ(updater.CheckUpdate(msg), -1);
    EXPECT_EQ(updater.FailureReason().rfind(c.reason, 0), 0u) << updater.FailureReason();
  }
}

// An unprivileged user where the system lets it ping: the datagram ICMP socket.
class DatagramOnly : public SettingTest {
 protected:
  DatagramOnly() : SettingTest("datagram-only") {}
};

TEST_F(DatagramOnly, UnprivilegedProbeAnswers) {
  TPing ping;
  std::string address;
  EXPECT_EQ(ping.PingByName("localhost", 5000, address), 1);
  EXPECT_EQ(address, "127.0.0.1");
  EXPECT_EQ(ping.Ping("127.0.0.1", 5000), 1);
}

// No way to send an echo: an unprivileged user without ping rights on POSIX, the ICMP
// library disabled on Windows.
class NoIcmp : public SettingTest {
 protected:
  NoIcmp() : SettingTest("no-icmp") {}
};

TEST_F(NoIcmp, ConstructionFailsWithoutIcmp) {
  try {
    TPing ping;
    ADD_FAILURE() << "the probe was created without a way to send an echo";
  } catch (const sys::Error &error) {
    EXPECT_STREQ(error.what(), "ICMP Run error!");
  }
}

}  // namespace

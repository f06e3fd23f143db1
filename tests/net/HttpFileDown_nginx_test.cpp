// The downloader against a real nginx (the CTest fixture "nginx").
#include <gtest/gtest.h>

#include "net/HttpFileDown.h"
#include "sys/FileSystem.h"
#include "tests/net/DownloadRecorder.h"
#include "tests/support/NginxFixture.h"
#include "tests/support/TestDir.h"

namespace {

using testing_support::DownloadRecorder;
using testing_support::NginxServer;
using testing_support::PatternBody;
using testing_support::ReadWholeFile;
using testing_support::TestDir;
using testing_support::WriteWholeFile;

class HttpFileDownNginx : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testing_support::FindNginxServer(&nginx)) << "needs the nginx test fixture"; }

  // Fetches name from nginx into local; true when the job reported itself complete.
  bool Fetch(const std::string &name, const std::string &local, std::vector<int> *fileSizes = nullptr) {
    THttpFileDown down;
    DownloadRecorder recorder(down);
    down.SetUrl("http://" + nginx.address + "/" + name);
    down.SetLocalFile(local);
    down.Start();
    EXPECT_TRUE(recorder.WaitDone());
    EXPECT_EQ(recorder.downed, 1);
    if (fileSizes) *fileSizes = recorder.fileSizes;
    return down.LastJobComplete();
  }

  NginxServer nginx;
};

TEST_F(HttpFileDownNginx, FilesArriveByteForByte) {
  TestDir dir;
  const std::string big = PatternBody(5 * 1024 * 1024 + 123);
  const std::string small = "a small file in a sub-directory\r\n";
  WriteWholeFile(nginx.root + "net-big.bin", big);
  WriteWholeFile(nginx.root + sys::ToLocalPath("net-sub/deeper/small.txt"), small);

  std::vector<int> sizes;
  EXPECT_TRUE(Fetch("net-big.bin", dir / "big.bin", &sizes));
  EXPECT_EQ(sizes, std::vector<int>{int(big.size())});
  EXPECT_TRUE(ReadWholeFile(dir / "big.bin") == big);
  EXPECT_TRUE(Fetch("net-sub/deeper/small.txt", dir / "sub/small.txt"));
  EXPECT_EQ(ReadWholeFile(dir / "sub/small.txt"), small);
}

TEST_F(HttpFileDownNginx, MissingAndEmptyFilesLeaveNoFile) {
  TestDir dir;
  WriteWholeFile(nginx.root + "net-empty.bin", "");
  EXPECT_FALSE(Fetch("net-no-such-file.bin", dir / "absent.bin"));
  EXPECT_FALSE(sys::FileExists(dir / "absent.bin"));

  WriteWholeFile(dir / "kept.bin", "the installed copy");
  EXPECT_FALSE(Fetch("net-no-such-file.bin", dir / "kept.bin"));
  EXPECT_EQ(ReadWholeFile(dir / "kept.bin"), "the installed copy");
  EXPECT_FALSE(Fetch("net-empty.bin", dir / "kept.bin"));
  EXPECT_EQ(ReadWholeFile(dir / "kept.bin"), "the installed copy");
}

}  // namespace

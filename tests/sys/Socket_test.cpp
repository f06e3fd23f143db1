#include "sys/Socket.h"

#include <gtest/gtest.h>

#include "sys/Thread.h"
#include "tests/support/ListeningSocket.h"

namespace {

TEST(Addresses, DottedTextRoundTrip) {
  sys::SocketLayer layer(0x0101);
  std::uint32_t address = sys::ParseIPv4("192.168.0.5");
  EXPECT_EQ(sys::FormatIPv4(address), "192.168.0.5");
  EXPECT_EQ(sys::ParseIPv4("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(sys::ParseIPv4("not an address"), 0xFFFFFFFFu);
  std::uint32_t resolved = 0;
  EXPECT_TRUE(sys::ResolveIPv4("127.0.0.1", &resolved));
  EXPECT_EQ(sys::FormatIPv4(resolved), "127.0.0.1");
}

TEST(Socket, LoopbackExchangeAndReceiveTimeout) {
  sys::SocketLayer layer(0x0101);
  const std::uint32_t address = sys::ParseIPv4("127.0.0.2");
  sys::Socket server = sys::Socket::CreateTcp();
  ASSERT_TRUE(testing_support::BindAndListen(server, address, 38081));
  sys::Thread peer = sys::Thread::Start([&] {
    sys::Socket connection = testing_support::Accept(server);
    char buffer[5];
    if (connection.Recv(buffer, 5) == 5) connection.SendAll(buffer, 5);
    // Keep the connection open without sending, so that the client's next receive times out.
    connection.Recv(buffer, 1);
  });
  sys::Socket client = sys::Socket::CreateTcp();
  ASSERT_TRUE(client.Connect(address, 38081, 5000));
  ASSERT_TRUE(client.SetTimeouts(200, 5000));
  ASSERT_TRUE(client.SendAll("hello", 5));
  char echoed[5] = {};
  int got = 0;
  while (got < 5) {
    int n = client.Recv(echoed + got, 5 - got);
    ASSERT_GT(n, 0);
    got += n;
  }
  EXPECT_EQ(std::string(echoed, 5), "hello");
  EXPECT_EQ(client.Recv(echoed, 1), -1);
  client.ShutdownAndClose();
  EXPECT_FALSE(client.Valid());
  peer.Join();
}

TEST(Socket, ConnectToAClosedPortFails) {
  sys::SocketLayer layer(0x0101);
  sys::Socket client = sys::Socket::CreateTcp();
  EXPECT_FALSE(client.Connect(sys::ParseIPv4("127.0.0.2"), 38082, 5000));
}

}  // namespace

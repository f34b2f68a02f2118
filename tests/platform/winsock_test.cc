// Socket library start-up: version negotiation and balanced clean-up.
#include "platform/winsock.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(WSAStartup, GrantsVersionsUpToTwoTwo) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
  EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
  EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
  EXPECT_EQ(data.wVersion, MAKEWORD(2, 0));
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 7), &data), 0);
  EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
  EXPECT_EQ(WSAStartup(MAKEWORD(1, 0), &data), WSAVERNOTSUPPORTED);
  EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), nullptr), WSAEFAULT);
  // Three successful start-ups, three clean-ups; a fourth is refused.
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
}

TEST(Sockets, NonBlockingModeAndClose) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_NE(s, INVALID_SOCKET);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
  ASSERT_EQ(listen(s, 1), 0);
  u_long on = 1;
  EXPECT_EQ(ioctlsocket(s, FIONBIO, &on), 0);
  EXPECT_NE(ioctlsocket(s, 12345, &on), 0);
  // Nobody connects: accept returns at once and a short wait sees nothing.
  EXPECT_EQ(accept(s, nullptr, nullptr), INVALID_SOCKET);
  EXPECT_EQ(errno, EAGAIN);
  WSAPOLLFD fd{s, POLLIN, 0};
  EXPECT_EQ(WSAPoll(&fd, 1, 10), 0);
  EXPECT_EQ(closesocket(s), 0);
  EXPECT_EQ(closesocket(s), SOCKET_ERROR);
}

}  // namespace

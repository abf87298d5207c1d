#include "testsupport/SilentListener.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace apptest {

SilentListener::SilentListener() {
  m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (m_fd < 0) return;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(m_fd, 4) == 0 &&
      ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    m_port = ntohs(a.sin_port);
}

SilentListener::~SilentListener() {
  if (m_fd >= 0) ::close(m_fd);
}

bool SilentListener::connectionWaiting() const {
  pollfd p{m_fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

}  // namespace apptest

#include "NetSocket.h"

#include "WriteAll.h"
#include "clocklink/EventPump.h"
#include "clocklink/testing/Hooks.h"

#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace clocklink {

namespace {

bool systemResolver(const std::string& host, in_addr& out) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* res = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res) return false;
  out = reinterpret_cast<const sockaddr_in*>(res->ai_addr)->sin_addr;
  ::freeaddrinfo(res);
  return true;
}

// What a look-up thread hands back; shared, as a look-up given up on still finishes later.
struct LookUp {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  bool found = false;
  in_addr address{};
};

}  // namespace

bool lookUpHost(const std::string& host, in_addr& out, Clock::time_point deadline,
                const int16_t* cancelFlag) {
  if (::inet_pton(AF_INET, host.c_str(), &out) == 1) return true;
  if (host.empty()) return false;
  testing::HostResolver resolver = systemResolver;
  if (auto* h = testing::hooks()) {
    if (testing::HostResolver own = h->hostResolver()) resolver = std::move(own);
  }
  auto job = std::make_shared<LookUp>();
  try {
    std::thread([job, resolver, host] {
      in_addr a{};
      bool ok = resolver(host, a);
      std::lock_guard<std::mutex> lock(job->mutex);
      job->found = ok;
      job->address = a;
      job->finished = true;
      job->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return false;  // no thread to be had: no look-up
  }
  while (true) {
    {
      std::unique_lock<std::mutex> lock(job->mutex);
      job->done.wait_for(lock, kWaitSlice, [&] { return job->finished; });
      if (job->finished) {
        out = job->address;
        return job->found;
      }
    }
    if (Clock::now() > deadline) return false;
    pumpEvents();
    if (cancelFlag && *cancelFlag == 1) return false;
  }
}

NetSocket::~NetSocket() { close(); }

void NetSocket::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  state_ = Closed;
}

bool NetSocket::resolveRemote(Clock::time_point deadline, const int16_t* cancelFlag) {
  if (haveRemote_ && resolvedHost_ == remoteHost && resolvedPort_ == remotePort) return true;
  haveRemote_ = false;
  if (remotePort < 0 || remotePort > 65535) return false;
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  if (!lookUpHost(remoteHost, sin.sin_addr, deadline, cancelFlag)) return false;
  sin.sin_port = htons(static_cast<uint16_t>(remotePort));
  addr_ = sin;
  haveRemote_ = true;
  resolvedHost_ = remoteHost;
  resolvedPort_ = remotePort;
  return true;
}

bool NetSocket::connect(Clock::time_point deadline, const int16_t* cancelFlag) {
  close();
  if (!resolveRemote(deadline, cancelFlag)) {
    state_ = Error;
    return false;
  }
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    state_ = Error;
    return false;
  }
  int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  int r = ::connect(fd_, reinterpret_cast<const sockaddr*>(&addr_), sizeof addr_);
  if (r == 0) {
    state_ = Connected;
  } else if (errno == EINPROGRESS) {
    state_ = Connecting;
  } else {
    ::close(fd_);
    fd_ = -1;
    state_ = Error;
    return false;
  }
  return true;
}

int NetSocket::state() {
  if (fd_ < 0) return state_;
  if (protocol == Tcp && state_ == Connecting) {
    pollfd p{fd_, POLLOUT, 0};
    if (::poll(&p, 1, 0) > 0) {
      int err = 0;
      socklen_t len = sizeof err;
      ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
      state_ = err == 0 ? Connected : Error;
    }
  } else if (protocol == Tcp && state_ == Connected) {
    // A peer that has closed (or reset) the connection shows as closed.
    char c;
    ssize_t r = ::recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (r == 0 || (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
      state_ = Closed;
  }
  return state_;
}

bool NetSocket::bind(long port) {
  close();
  if (port < 0 || port > 65535) return false;
  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(INADDR_ANY);
  sin.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) {
    close();
    return false;
  }
  state_ = Connected;
  return true;
}

bool NetSocket::sendData(const std::string& data, const int16_t* cancelFlag) {
  if (fd_ < 0) return false;
  if (protocol == Udp) {
    const auto deadline =
        Clock::now() + std::chrono::seconds(lookupSeconds > 0 ? lookupSeconds : 30);
    if (!resolveRemote(deadline, cancelFlag)) return false;
    // A datagram goes whole or not at all; a full send queue is waited out like a stream's.
    return writeAll(
        fd_, data,
        [this](const char* p, size_t n) {
          return ::sendto(fd_, p, n, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&addr_),
                          sizeof addr_);
        },
        cancelFlag);
  }
  bool broken = false;
  const bool ok = writeAll(
      fd_, data,
      [this, &broken](const char* p, size_t n) {
        const ssize_t r = ::send(fd_, p, n, MSG_NOSIGNAL);
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) broken = true;
        return r;
      },
      cancelFlag);
  if (broken) state_ = Error;
  return ok;
}

bool NetSocket::getData(std::string& out) {
  out.clear();
  if (fd_ < 0) return false;
  char buf[65536];
  ssize_t r = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
  if (r > 0) {
    out.assign(buf, static_cast<size_t>(r));
    return true;
  }
  if (r == 0 && protocol == Tcp) {
    state_ = Closed;
    return false;
  }
  if (r == 0) return true;  // an empty datagram
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

bool NetSocket::readable() {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

}  // namespace clocklink

// A small non-blocking socket standing in for a socket control: remote host
// and port, local port, a state (0 closed, 6 connecting, 7 connected,
// 9 error), connect, bind, send and read. Sends never raise SIGPIPE.
#pragma once
#include "clocklink/EventPump.h"

#include <cstdint>
#include <netinet/in.h>
#include <string>

namespace clocklink {

class NetSocket {
 public:
  enum Protocol { Tcp = 0, Udp = 1 };
  enum State { Closed = 0, Connecting = 6, Connected = 7, Error = 9 };

  NetSocket() = default;
  ~NetSocket();
  NetSocket(const NetSocket&) = delete;
  NetSocket& operator=(const NetSocket&) = delete;

  int protocol = Tcp;
  std::string remoteHost;
  long remotePort = 0;
  long localPort = 0;
  // Bound on a host name's look-up where no connect deadline applies (UDP sends).
  int lookupSeconds = 30;

  int fd() const { return fd_; }
  // Current state; for TCP a connected socket whose peer has closed reads Closed.
  int state();
  void close();

  // TCP: looks the host up (until the deadline, or the cancel flag reads 1) and starts a
  // non-blocking connect from an ephemeral local port.
  bool connect(Clock::time_point deadline, const int16_t* cancelFlag = nullptr);
  // UDP: opens and binds the local port (0 = any).
  bool bind(long port);
  // TCP: writes all of data; UDP: one datagram to remoteHost:remotePort. Waiting for room
  // lets events run and ends on the cancel flag.
  bool sendData(const std::string& data, const int16_t* cancelFlag = nullptr);
  // Reads what is waiting without blocking: TCP whatever has arrived, UDP one
  // datagram. Returns false on error or (TCP) a closed peer.
  bool getData(std::string& out);
  // True when a read would return something (or report an end).
  bool readable();

 private:
  bool resolveRemote(Clock::time_point deadline, const int16_t* cancelFlag);
  int fd_ = -1;
  int state_ = Closed;
  bool haveRemote_ = false;
  std::string resolvedHost_;
  long resolvedPort_ = -1;
  sockaddr_in addr_{};
};

// Looks host up: a numeric address at once, without asking any resolver; a name through the
// system's resolver (a test's, through the test hooks) on a thread of its own, waited for in short
// slices that let events run, given up at the deadline or when the cancel flag reads 1 (the look-up
// then ends unseen).
bool lookUpHost(const std::string& host, in_addr& out, Clock::time_point deadline,
                const int16_t* cancelFlag);

}  // namespace clocklink

// Test peers for the remote-shell engine: a recording sink, a reactor pump,
// a scripted stub rshd and stub firewall on loopback threads, external
// server processes (rshd under tcpserver, dante, tinyproxy) and a fault
// injector for the socket table's bind entry.
#pragma once

#include "RshSession.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace remcmd::test {

// A literal with its embedded zero bytes, without the terminator.
template <std::size_t N>
std::string lit(const char (&s)[N]) {
  return std::string(s, N - 1);
}

struct Event {
  std::string kind;  // Connected, Status, Disconnected, Error, Stdout, Stderr
  int code = 0;
  std::string text;
  std::string extra;
  bool eol = false;
};

class RecordingSink : public SessionSink {
 public:
  std::vector<Event> events;
  std::function<void(const Event&)> onEvent;

  void onConnected(int32_t code, std::string_view d) override {
    add({"Connected", code, std::string(d), {}, false});
  }
  void onConnectionStatus(std::string_view e, int32_t code, std::string_view d) override {
    add({"Status", code, std::string(e), std::string(d), false});
  }
  void onDisconnected(int32_t code, std::string_view d) override {
    add({"Disconnected", code, std::string(d), {}, false});
  }
  void onError(int32_t code, std::string_view t) override {
    add({"Error", code, std::string(t), {}, false});
  }
  void onStdout(std::string_view t, bool eol) override {
    add({"Stdout", 0, std::string(t), {}, eol});
  }
  void onStderr(std::string_view t, bool eol) override {
    add({"Stderr", 0, std::string(t), {}, eol});
  }

  std::vector<Event> of(const std::string& kind) const;
  std::vector<std::string> texts(const std::string& kind) const;
  bool has(const std::string& kind) const { return !of(kind).empty(); }

 private:
  void add(Event e) {
    events.push_back(e);
    if (onEvent) onEvent(events.back());
  }
};

// Runs reactor passes until pred() holds; false when it did not within the
// generous safety limit (a hang guard, not a speed check).
bool pumpUntil(Reactor& reactor, const std::function<bool()>& pred, int limitMs = 10000);

uint16_t freePort();
bool waitListening(uint16_t port, int limitMs = 10000);

// A scripted rshd: reads one request, connects back to the standard-error
// port, then plays its steps. Runs on a thread of its own.
struct Step {
  enum Kind { Out, Err, OutBytewise, CloseErr, CloseOut, Sleep, Reset } kind;
  std::string data;
  int ms = 0;
};

class StubRshd {
 public:
  explicit StubRshd(std::vector<Step> steps, bool connectBack = true);
  // Stops waiting for a connection that has not come (a test whose client never connects
  // ends at once), then waits for a session under way.
  ~StubRshd();
  uint16_t port() const { return m_port; }
  void join();
  std::string request() const;
  uint16_t peerPort() const { return m_peerPort; }

 private:
  void run();
  std::vector<Step> m_steps;
  bool m_connectBack;
  int m_listener = -1;
  uint16_t m_port = 0;
  std::atomic<uint16_t> m_peerPort{0};
  std::atomic<bool> m_stop{false};
  mutable std::mutex m_mutex;
  std::string m_request;
  std::thread m_thread;
};

// A scripted firewall: for each connection plays its rounds (read until
// `first` appears, or any bytes when empty, then answer `second`), then
// closes, stays silent, or serves the rsh exchange as the stub rshd would.
class StubFirewall {
 public:
  enum After { CloseAfter, Silent, ServeRsh };
  using Rounds = std::vector<std::pair<std::string, std::string>>;
  StubFirewall(Rounds rounds, After after, int connections = 1, std::vector<Step> rshSteps = {});
  ~StubFirewall();
  uint16_t port() const { return m_port; }
  void join();
  std::vector<std::string> received() const;
  int accepted() const { return m_accepted; }
  // Stops the stub and counts every connection made to it, accepted or not.
  int stopAndCountConnections();

 private:
  void run();
  Rounds m_rounds;
  After m_after;
  int m_connections;
  std::vector<Step> m_rshSteps;
  int m_listener = -1;
  uint16_t m_port = 0;
  std::atomic<int> m_accepted{0};
  std::atomic<bool> m_stop{false};
  mutable std::mutex m_mutex;
  std::vector<std::string> m_received;
  std::thread m_thread;
};

// A server process started and stopped by a test.
class Process {
 public:
  explicit Process(std::vector<std::string> argv);
  ~Process();
  bool running();

 private:
  int m_pid = -1;
};

std::string tempDir();
void writeFile(const std::string& path, const std::string& text);

// Replaces the table's bind entry while alive: fault(port) returns 0 to let
// the real call run, or a Winsock code to fail with.
class BindFault {
 public:
  explicit BindFault(std::function<int(uint16_t port)> fault);
  ~BindFault();
};

}  // namespace remcmd::test

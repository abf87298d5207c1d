#include "faults.h"
#include "hayes.h"
#include "servers.h"
#include "session.h"

#include <clocksim/modem.h>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace clocksim {

namespace {

using Clock = std::chrono::steady_clock;

// The modem's serial side: the master of a pseudo-terminal whose slave the host opens.
// Bytes go through the Hayes interpreter; data bytes of a call go to a clock session of
// its own, whose answers come back through the clock's fault injector and pacing.
class ModemLine : public Server {
 public:
  ModemLine(ClockState& state, const Options& options, Hayes& hayes, std::string* path)
      : Server(state, options),
        m_hayes(hayes),
        m_session(state, options),
        m_faults(options.faultRate, options.faults, options.seed) {
    m_master = openPtyMaster(path);
    start();
  }
  ~ModemLine() override {
    stop();
    ::close(m_master);
  }

 private:
  void run() override {
    bool hostPresent = false;  // the host has the port open (it wrote to it since the last close)
    char buf[512];
    for (;;) {
      short rev = 0;
      if (!waitFor(m_master, POLLIN, hostPresent ? -1 : 20, &rev)) return;
      if (rev & POLLIN) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
          hostPresent = true;
          if (!process(std::string_view(buf, static_cast<size_t>(n)))) return;
          continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      }
      if (rev & (POLLHUP | POLLERR | POLLIN)) {
        // The last holder of the slave closed it: DTR is gone. Until the host opens the
        // port again poll reports the hang-up at once, so wait in slices.
        if (hostPresent) {
          m_hayes.dtrDropped();
          m_session.reset();
        }
        hostPresent = false;
        if (!waitFor(-1, 0, 20, nullptr)) return;
      }
    }
  }

  bool process(std::string_view in) {
    std::string data;
    for (char c : in) {
      std::vector<ModemWrite> writes;
      if (m_hayes.feed(static_cast<unsigned char>(c), writes)) {
        data += c;
        continue;
      }
      if (!data.empty() && !toClock(data)) return false;
      data.clear();
      for (const auto& w : writes)
        if (!pause(w.pauseBefore) || !writeAll(w.bytes)) return false;
    }
    return data.empty() || toClock(data);
  }

  bool toClock(const std::string& data) {
    if (m_call !=
        m_hayes.calls()) {  // a new call reaches a clock that knows nothing of the last one
      m_call = m_hayes.calls();
      m_session.reset();
    }
    std::vector<Transmission> out;
    m_session.feed(data, out);
    for (const auto& t : out) {
      const Shaped s = m_faults.shape(t);
      if (!writeAll(s.bytes)) return false;
      if (s.faulted && (s.kind == Fault::Silence || s.kind == Fault::Close))
        break;  // no line to close: silence
    }
    return true;
  }

  bool pause(std::chrono::milliseconds d) {
    const auto until = Clock::now() + d;
    for (auto now = Clock::now(); now < until; now = Clock::now()) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count() + 1;
      if (!waitFor(-1, 0, static_cast<int>(std::min<long long>(20, left)), nullptr)) return false;
    }
    return true;
  }

  // False only when stopping; bytes nobody reads (the port closed) are lost, as on a wire.
  bool writeAll(const std::string& bytes) {
    size_t off = 0;
    while (off < bytes.size()) {
      const size_t chunk = pacedChunk(bytes.size() - off);
      if (chunk == 0) return false;
      size_t done = 0;
      while (done < chunk) {
        const ssize_t w = ::write(m_master, bytes.data() + off + done, chunk - done);
        if (w > 0) {
          done += static_cast<size_t>(w);
          continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR) return true;
        short rev = 0;
        if (!waitFor(m_master, POLLOUT, 20, &rev)) return false;
        if (rev & (POLLERR | POLLHUP)) return true;
      }
      off += chunk;
    }
    return true;
  }

  Hayes& m_hayes;
  ClockSession m_session;
  FaultInjector m_faults;
  int m_master = -1;
  size_t m_call = 0;
};

}  // namespace

Modem::Modem(Simulator& clock, ModemOptions options)
    : m_clock(clock), m_options(std::move(options)), m_hayes(std::make_unique<Hayes>(m_options)) {}

Modem::~Modem() { stop(); }

std::string Modem::openPty() {
  if (m_line) throw std::logic_error("the modem already has its line");
  std::string path;
  m_line = std::make_unique<ModemLine>(*m_clock.m_state, m_clock.m_options, *m_hayes, &path);
  return path;
}

void Modem::stop() { m_line.reset(); }

std::vector<std::string> Modem::commands() const { return m_hayes->commands(); }
std::vector<std::string> Modem::dialledNumbers() const { return m_hayes->dialledNumbers(); }
bool Modem::online() const { return m_hayes->online(); }
size_t Modem::hangUps() const { return m_hayes->hangUps(); }

}  // namespace clocksim

#include "SerialPort.h"

#include "SerialSpeed.h"
#include "TextUtil.h"
#include "WriteAll.h"
#include "clocklink/EventPump.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace clocklink {
namespace {

using detail::trim;

bool speedConstant(int baud, speed_t& out) {
  struct Entry {
    int baud;
    speed_t constant;
  };
  static const Entry table[] = {{110, B110},     {300, B300},     {600, B600},      {1200, B1200},
                                {2400, B2400},   {4800, B4800},   {9600, B9600},    {19200, B19200},
                                {38400, B38400}, {57600, B57600}, {115200, B115200}};
  for (const auto& e : table)
    if (e.baud == baud) {
      out = e.constant;
      return true;
    }
  return false;
}

constexpr int kLowestBaud = 50;
constexpr int kHighestBaud = 4000000;

bool allDigits(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

bool parseLineSettings(const std::string& text, LineSettings& out) {
  std::vector<std::string> parts;
  std::stringstream ss(text);
  std::string part;
  while (std::getline(ss, part, ',')) parts.push_back(trim(part));
  if (parts.size() != 4) return false;
  LineSettings r;
  if (!allDigits(parts[0]) || !allDigits(parts[2]) || !allDigits(parts[3])) return false;
  r.baud = std::atoi(parts[0].c_str());
  if (r.baud < kLowestBaud || r.baud > kHighestBaud) return false;
  if (parts[1].size() != 1) return false;
  r.parity = static_cast<char>(std::tolower(static_cast<unsigned char>(parts[1][0])));
  if (r.parity != 'n' && r.parity != 'e' && r.parity != 'o') return false;
  r.dataBits = std::atoi(parts[2].c_str());
  r.stopBits = std::atoi(parts[3].c_str());
  if (r.dataBits != 7 && r.dataBits != 8) return false;
  if (r.stopBits != 1 && r.stopBits != 2) return false;
  out = r;
  return true;
}

std::string devicePathForPort(int port) {
  if (port < 1) return {};
  std::string var = "VELTA_COM" + std::to_string(port);
  if (const char* v = std::getenv(var.c_str()); v && *v) return v;
  return "/dev/ttyS" + std::to_string(port - 1);
}

SerialPort::~SerialPort() { close(); }

void SerialPort::fail(SerialFailure kind, const std::string& device, int err,
                      const std::string& text) {
  failure_ = SerialOpenFailure{kind, device, heldSettings_, err};
  error_ = text;
}

bool SerialPort::open(int port, const std::string& settings) {
  close();
  heldPort_ = port;
  heldSettings_ = settings;
  LineSettings ls;
  if (!parseLineSettings(settings, ls)) {
    fail(SerialFailure::Settings, {}, 0, "settings refused: " + settings);
    return false;
  }
  std::string path = devicePathForPort(port);
  if (path.empty()) {
    fail(SerialFailure::NoPort, {}, 0, "no such port");
    return false;
  }
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int e = errno;
    fail(SerialFailure::System, path, e, path + ": " + std::strerror(e));
    return false;
  }
  // flock holds even against root, for whom TIOCEXCL is no barrier.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    fail(SerialFailure::InUse, path, EWOULDBLOCK, path + ": in use by another process");
    ::close(fd);
    return false;
  }
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    fail(SerialFailure::NotTerminal, path, errno, path + ": not a terminal");
    ::close(fd);
    return false;
  }
  ::cfmakeraw(&tio);
  speed_t sp = B9600;  // a speed outside the table is set through termios2 below
  const bool tableSpeed = speedConstant(ls.baud, sp);
  ::cfsetispeed(&tio, sp);
  ::cfsetospeed(&tio, sp);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD | (ls.dataBits == 7 ? CS7 : CS8);
  if (ls.parity != 'n') tio.c_cflag |= PARENB;
  if (ls.parity == 'o') tio.c_cflag |= PARODD;
  if (ls.stopBits == 2) tio.c_cflag |= CSTOPB;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    const int e = errno;
    fail(SerialFailure::DeviceRefused, path, e, path + ": settings refused by the device");
    ::close(fd);
    return false;
  }
  if (!tableSpeed) {
    if (const int e = detail::setOtherLineSpeed(fd, ls.baud); e != 0) {
      fail(SerialFailure::DeviceRefused, path, e,
           path + ": speed " + std::to_string(ls.baud) + " refused: " + std::strerror(e));
      ::close(fd);
      return false;
    }
  }
  ::ioctl(fd, TIOCEXCL);
  fd_ = fd;
  port_ = port;
  settings_ = settings;
  error_.clear();
  failure_ = SerialOpenFailure{};
  return true;
}

void SerialPort::close() {
  if (fd_ >= 0) {
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also drops the flock
  }
  fd_ = -1;
}

long SerialPort::inBufferCount() {
  if (fd_ < 0) return 0;
  int n = 0;
  if (::ioctl(fd_, FIONREAD, &n) != 0) return 0;
  return n;
}

void SerialPort::clearInput() {
  if (fd_ < 0) return;
  ::tcflush(fd_, TCIFLUSH);
  // Bounded: a line that never falls silent must not hold the caller here.
  char buf[512];
  for (int i = 0; i < 256 && ::read(fd_, buf, sizeof buf) > 0; ++i) {
  }
}

std::string SerialPort::input() {
  if (fd_ < 0) return {};
  std::string out;
  char buf[1024];
  // "All waiting" is capped, so a line that never falls silent still returns.
  size_t want = inputLen_ > 0 ? static_cast<size_t>(inputLen_) : size_t{65536};
  while (out.size() < want) {
    size_t n = std::min(sizeof buf, want - out.size());
    ssize_t r = ::read(fd_, buf, n);
    if (r <= 0) break;
    out.append(buf, static_cast<size_t>(r));
  }
  return out;
}

bool SerialPort::output(const std::string& s, const int16_t* cancelFlag) {
  return writeAll(
      fd_, s, [this](const char* p, size_t n) { return ::write(fd_, p, n); }, cancelFlag);
}

bool SerialPort::ctsHolding(bool* supported) {
  int bits = 0;
  bool ok = fd_ >= 0 && ::ioctl(fd_, TIOCMGET, &bits) == 0;
  if (supported) *supported = ok;
  return ok && (bits & TIOCM_CTS) != 0;
}

bool SerialPort::ctsLine() {
  bool supported = false;
  bool cts = ctsHolding(&supported);
  if (supported || fd_ < 0) return cts;
  const char* assume = std::getenv("VELTA_ASSUME_CTS");
  return assume && std::string(assume) == "1";
}

bool SerialPort::setDtr(bool on) {
  if (fd_ < 0) return false;
  int bit = TIOCM_DTR;
  return ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

}  // namespace clocklink

// The engine's socket layer: one process-wide table of function pointers over
// the POSIX socket calls, bound while at least one session holds a reference
// and holding harmless placeholders otherwise. Every call reports failures in
// Winsock numbering (10000 + the BSD error number, 11001-11004 for the
// resolver) through getLastError, never as Linux errno values. Tests replace
// single entries to inject failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/socket.h>

namespace remcmd {

struct StartupData {
  uint16_t version = 0;
  uint16_t highVersion = 0;
  char description[257] = {};
  char systemStatus[129] = {};
  uint16_t maxSockets = 0;
  uint16_t maxDatagramSize = 0;
};

struct SocketTable {
  // Sockets come back non-blocking and close-on-exec.
  int (*accept)(int s, sockaddr* address, socklen_t* length);
  int (*bind)(int s, const sockaddr* address, socklen_t length);
  int (*closesocket)(int s);
  int (*connect)(int s, const sockaddr* address, socklen_t length);
  int (*getpeername)(int s, sockaddr* address, socklen_t* length);
  int (*getsockname)(int s, sockaddr* address, socklen_t* length);
  int (*getsockopt)(int s, int level, int name, void* value, socklen_t* length);
  int (*setsockopt)(int s, int level, int name, const void* value, socklen_t length);
  int (*listen)(int s, int backlog);
  long (*recv)(int s, void* buffer, std::size_t length, int flags);
  // Never raises SIGPIPE.
  long (*send)(int s, const void* buffer, std::size_t length, int flags);
  int (*socket)(int family, int type, int protocol);
  // First IPv4 address of a name, network order; 0 or -1 with the error set.
  int (*gethostbyname)(const char* name, uint32_t* address);
  int (*gethostname)(char* name, std::size_t length);
  int (*startup)(uint16_t version, StartupData* data);
  int (*cleanup)();
  int (*getLastError)();
  void (*setLastError)(int code);
};

namespace wsa {
constexpr int kInterrupted = 10004;
constexpr int kAccessDenied = 10013;
constexpr int kInvalidArgument = 10022;
constexpr int kWouldBlock = 10035;
constexpr int kInProgress = 10036;
constexpr int kNotSocket = 10038;
constexpr int kAddressInUse = 10048;
constexpr int kConnectionAborted = 10053;
constexpr int kConnectionReset = 10054;
constexpr int kNoBuffers = 10055;
constexpr int kNotConnected = 10057;
constexpr int kTimedOut = 10060;
constexpr int kConnectionRefused = 10061;
constexpr int kSystemNotReady = 10091;
constexpr int kVersionNotSupported = 10092;
constexpr int kNotInitialised = 10093;
constexpr int kHostNotFound = 11001;
constexpr int kTryAgain = 11002;
constexpr int kNoRecovery = 11003;
constexpr int kNoData = 11004;
}  // namespace wsa

SocketTable& socketTable();

// Takes one reference; binds the table on the first. 1 when started, else 0
// with the reason in the description text.
int loadWinsock();
// Gives one reference back; the last one puts the placeholders back.
void unloadWinsock();
int winsockReferenceCount();
const StartupData& winsockStartupData();
std::string winsockPath();

int winsockErrorFromErrno(int error);
int winsockErrorFromResolver(int gaiError);
// The table text of a code, or nullptr when the code has none.
const char* winsockErrorDescription(int code);
// "[code] text", "(no description available)" for codes outside the table.
std::string winsockErrorText(int code);

// Dotted IPv4 text of an address in network order.
std::string dottedAddress(uint32_t address);

}  // namespace remcmd

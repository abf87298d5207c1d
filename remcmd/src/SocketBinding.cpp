#include "SocketBinding.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <unistd.h>

namespace remcmd {

namespace {

thread_local int t_lastError = 0;

int fail(int code) {
  t_lastError = code;
  return -1;
}

int failFromErrno() { return fail(winsockErrorFromErrno(errno)); }

// Placeholders: every call fails as "not initialised" while unbound.
int phAccept(int, sockaddr*, socklen_t*) { return fail(wsa::kNotInitialised); }
int phBind(int, const sockaddr*, socklen_t) { return fail(wsa::kNotInitialised); }
int phClose(int) { return fail(wsa::kNotInitialised); }
int phConnect(int, const sockaddr*, socklen_t) { return fail(wsa::kNotInitialised); }
int phName(int, sockaddr*, socklen_t*) { return fail(wsa::kNotInitialised); }
int phGetOpt(int, int, int, void*, socklen_t*) { return fail(wsa::kNotInitialised); }
int phSetOpt(int, int, int, const void*, socklen_t) { return fail(wsa::kNotInitialised); }
int phListen(int, int) { return fail(wsa::kNotInitialised); }
long phRecv(int, void*, std::size_t, int) { return fail(wsa::kNotInitialised); }
long phSend(int, const void*, std::size_t, int) { return fail(wsa::kNotInitialised); }
int phSocket(int, int, int) { return fail(wsa::kNotInitialised); }
int phHostByName(const char*, uint32_t* a) {
  if (a) *a = 0;
  return fail(wsa::kNotInitialised);
}
int phHostName(char*, std::size_t) { return fail(wsa::kNotInitialised); }
int phStartup(uint16_t, StartupData*) { return wsa::kSystemNotReady; }
int phCleanup() { return -1; }
int phGetLastError() { return wsa::kNotInitialised; }
void phSetLastError(int) {}

// Real entries.
int rAccept(int s, sockaddr* a, socklen_t* l) {
  const int fd = ::accept4(s, a, l, SOCK_NONBLOCK | SOCK_CLOEXEC);
  return fd < 0 ? failFromErrno() : fd;
}
int rBind(int s, const sockaddr* a, socklen_t l) {
  return ::bind(s, a, l) < 0 ? failFromErrno() : 0;
}
int rClose(int s) { return ::close(s) < 0 ? failFromErrno() : 0; }
int rConnect(int s, const sockaddr* a, socklen_t l) {
  return ::connect(s, a, l) < 0 ? failFromErrno() : 0;
}
int rPeerName(int s, sockaddr* a, socklen_t* l) {
  return ::getpeername(s, a, l) < 0 ? failFromErrno() : 0;
}
int rSockName(int s, sockaddr* a, socklen_t* l) {
  return ::getsockname(s, a, l) < 0 ? failFromErrno() : 0;
}
int rGetOpt(int s, int lv, int n, void* v, socklen_t* l) {
  return ::getsockopt(s, lv, n, v, l) < 0 ? failFromErrno() : 0;
}
int rSetOpt(int s, int lv, int n, const void* v, socklen_t l) {
  return ::setsockopt(s, lv, n, v, l) < 0 ? failFromErrno() : 0;
}
int rListen(int s, int b) { return ::listen(s, b) < 0 ? failFromErrno() : 0; }
long rRecv(int s, void* b, std::size_t l, int f) {
  const ssize_t n = ::recv(s, b, l, f);
  return n < 0 ? failFromErrno() : static_cast<long>(n);
}
long rSend(int s, const void* b, std::size_t l, int f) {
  const ssize_t n = ::send(s, b, l, f | MSG_NOSIGNAL);
  return n < 0 ? failFromErrno() : static_cast<long>(n);
}
int rSocket(int f, int t, int p) {
  const int fd = ::socket(f, t | SOCK_NONBLOCK | SOCK_CLOEXEC, p);
  return fd < 0 ? failFromErrno() : fd;
}
int rHostByName(const char* name, uint32_t* address) {
  *address = 0;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  const int rc = ::getaddrinfo(name, nullptr, &hints, &result);
  if (rc != 0)
    return fail(rc == EAI_SYSTEM ? winsockErrorFromErrno(errno) : winsockErrorFromResolver(rc));
  for (addrinfo* ai = result; ai; ai = ai->ai_next) {
    if (ai->ai_family == AF_INET) {
      *address = reinterpret_cast<sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr;
      break;
    }
  }
  ::freeaddrinfo(result);
  return *address ? 0 : fail(wsa::kNoData);
}
int rHostName(char* name, std::size_t length) {
  return ::gethostname(name, length) < 0 ? failFromErrno() : 0;
}
int rStartup(uint16_t version, StartupData* data) {
  if ((version & 0xff) < 1) return wsa::kVersionNotSupported;
  data->version = 0x0101;
  data->highVersion = 0x0101;
  std::strncpy(data->description, "Velta POSIX socket layer 1.1", sizeof data->description - 1);
  std::strncpy(data->systemStatus, "Running", sizeof data->systemStatus - 1);
  rlimit lim{};
  const rlim_t files = ::getrlimit(RLIMIT_NOFILE, &lim) == 0 ? lim.rlim_cur : 1024;
  data->maxSockets = static_cast<uint16_t>(files > 65535 ? 65535 : files);
  data->maxDatagramSize = 65507;
  return 0;
}
int rCleanup() { return 0; }
int rGetLastError() { return t_lastError; }
void rSetLastError(int code) { t_lastError = code; }

const SocketTable kPlaceholders = {phAccept,  phBind,         phClose,       phConnect,  phName,
                                   phName,    phGetOpt,       phSetOpt,      phListen,   phRecv,
                                   phSend,    phSocket,       phHostByName,  phHostName, phStartup,
                                   phCleanup, phGetLastError, phSetLastError};
const SocketTable kBound = {rAccept,   rBind,         rClose,       rConnect,  rPeerName,
                            rSockName, rGetOpt,       rSetOpt,      rListen,   rRecv,
                            rSend,     rSocket,       rHostByName,  rHostName, rStartup,
                            rCleanup,  rGetLastError, rSetLastError};

struct Binding {
  SocketTable table = kPlaceholders;
  int references = 0;
  StartupData data;
  Binding() { std::strcpy(data.systemStatus, "Down"); }
};

Binding& binding() {
  static Binding b;
  return b;
}

struct ErrorEntry {
  int code;
  const char* text;
};

const ErrorEntry kErrorTexts[] = {
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Access denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Can't assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Net dropped connection or reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send after socket shutdown"},
    {10059, "Too many references, can't splice"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10066, "Directory not empt"},
    {10067, "Too many processes"},
    {10068, "Too many users"},
    {10069, "Disc Quota Exceeded"},
    {10070, "Stale NFS file handle"},
    {10071, "Too many levels of remote in path"},
    {10091, "Network subsystem is unavailable"},
    {10092, "WINSOCK DLL Version out of range"},
    {10093, "Winsock not loaded yet (WSANOTINITIALISED)"},
    {11001, "Host not found"},
    {11002, "Non-authoritative 'Host not found' (try again or check DNS setup)"},
    {11003, "Non-recoverable errors: FORMERR, REFUSED, NOTIMP"},
    {11004, "Valid name, no data record (check DNS setup)"},
};

}  // namespace

SocketTable& socketTable() { return binding().table; }

int loadWinsock() {
  Binding& b = binding();
  if (b.references++ == 0) b.table = kBound;
  b.data.version = 0;
  const int rc = b.table.startup(257, &b.data);
  if (rc == wsa::kInvalidArgument || rc == wsa::kVersionNotSupported) {
    std::strcpy(b.data.description, "Version not supported.");
    unloadWinsock();
    return 0;
  }
  if (rc == wsa::kSystemNotReady) {
    std::strcpy(b.data.description, "Network subsystem not ready.");
    unloadWinsock();
    return 0;
  }
  if (b.data.version != 0x0101) {
    std::strcpy(b.data.description, "Incompatible Winsock version.");
    unloadWinsock();
    return 0;
  }
  return 1;
}

void unloadWinsock() {
  Binding& b = binding();
  if (b.references == 0) return;
  --b.references;
  if (b.data.version != 0) b.table.cleanup();
  // Other sessions still hold the layer: only the reported state is reset.
  std::memset(b.data.description, 0, sizeof b.data.description);
  std::strcpy(b.data.systemStatus, "Down");
  b.data.maxSockets = 0;
  b.data.maxDatagramSize = 0;
  if (b.references == 0) {
    b.table = kPlaceholders;
    b.data.version = 0;
  }
}

int winsockReferenceCount() { return binding().references; }

const StartupData& winsockStartupData() { return binding().data; }

std::string winsockPath() {
  if (binding().references == 0) return {};
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&::recv), &info) == 0 || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  if (path.size() > 200) path.resize(200);
  return path;
}

int winsockErrorFromErrno(int error) {
  switch (error) {
    case EINTR:
      return 10004;
    case EBADF:
      return 10009;
    case EACCES:
    case EPERM:
      return 10013;
    case EFAULT:
      return 10014;
    case EINVAL:
      return 10022;
    case EMFILE:
    case ENFILE:
      return 10024;
    case EAGAIN:
      return 10035;
    case EINPROGRESS:
      return 10036;
    case EALREADY:
      return 10037;
    case ENOTSOCK:
      return 10038;
    case EDESTADDRREQ:
      return 10039;
    case EMSGSIZE:
      return 10040;
    case EPROTOTYPE:
      return 10041;
    case ENOPROTOOPT:
      return 10042;
    case EPROTONOSUPPORT:
      return 10043;
    case ESOCKTNOSUPPORT:
      return 10044;
    case EOPNOTSUPP:
      return 10045;
    case EPFNOSUPPORT:
      return 10046;
    case EAFNOSUPPORT:
      return 10047;
    case EADDRINUSE:
      return 10048;
    case EADDRNOTAVAIL:
      return 10049;
    case ENETDOWN:
      return 10050;
    case ENETUNREACH:
      return 10051;
    case ENETRESET:
      return 10052;
    case ECONNABORTED:
      return 10053;
    case ECONNRESET:
    case EPIPE:
      return 10054;
    case ENOBUFS:
    case ENOMEM:
      return 10055;
    case EISCONN:
      return 10056;
    case ENOTCONN:
      return 10057;
    case ESHUTDOWN:
      return 10058;
    case ETOOMANYREFS:
      return 10059;
    case ETIMEDOUT:
      return 10060;
    case ECONNREFUSED:
      return 10061;
    case ELOOP:
      return 10062;
    case ENAMETOOLONG:
      return 10063;
    case EHOSTDOWN:
      return 10064;
    case EHOSTUNREACH:
      return 10065;
    case ENOTEMPTY:
      return 10066;
    case EUSERS:
      return 10068;
    case EDQUOT:
      return 10069;
    case ESTALE:
      return 10070;
    case EREMOTE:
      return 10071;
    default:
      return 10022;
  }
}

int winsockErrorFromResolver(int gaiError) {
  switch (gaiError) {
    case EAI_NONAME:
      return wsa::kHostNotFound;
    case EAI_AGAIN:
      return wsa::kTryAgain;
#ifdef EAI_NODATA
    case EAI_NODATA:
      return wsa::kNoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
      return wsa::kNoData;
#endif
    case EAI_MEMORY:
      return wsa::kNoBuffers;
    default:
      return wsa::kNoRecovery;
  }
}

const char* winsockErrorDescription(int code) {
  for (const ErrorEntry& e : kErrorTexts)
    if (e.code == code) return e.text;
  return nullptr;
}

std::string winsockErrorText(int code) {
  const char* text = winsockErrorDescription(code);
  return "[" + std::to_string(code) + "] " + (text ? text : "(no description available)");
}

std::string dottedAddress(uint32_t address) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr a{};
  a.s_addr = address;
  ::inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

}  // namespace remcmd

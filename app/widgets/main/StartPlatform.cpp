#include "widgets/main/StartPlatform.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The X display `name` is reached when xcb_connect succeeds, the very call Qt's xcb platform
// makes: every form of DISPLAY (":0", "host:0", "unix:0.1", a socket path), the abstract and
// the filesystem socket, the TCP fallback and the server's authorisation are its own. The
// library is loaded here rather than linked: the program itself needs no X, and where libxcb
// is missing Qt's xcb platform cannot load either.
bool xDisplayReached(const std::string& name) {
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  void* xcb = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!xcb) return false;
  const auto connect = reinterpret_cast<Connect>(::dlsym(xcb, "xcb_connect"));
  const auto hasError = reinterpret_cast<HasError>(::dlsym(xcb, "xcb_connection_has_error"));
  const auto disconnect = reinterpret_cast<Disconnect>(::dlsym(xcb, "xcb_disconnect"));
  bool reached = false;
  if (connect && hasError && disconnect) {
    void* connection = connect(name.c_str(), nullptr);
    reached = connection && hasError(connection) == 0;
    disconnect(connection);  // also right for the failed connection xcb hands back
  }
  ::dlclose(xcb);
  return reached;
}

// A Wayland compositor is reached when its socket accepts a connection: WAYLAND_DISPLAY is a
// path, or a name in XDG_RUNTIME_DIR, as libwayland-client takes it. A socket the compositor
// handed over (WAYLAND_SOCKET) is left to Qt untouched.
bool waylandDisplayReached(const std::string& name) {
  if (!environment("WAYLAND_SOCKET").empty()) return true;
  std::string path = name;
  if (name.front() != '/') {
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    if (runtime.empty()) return false;
    path = runtime + "/" + name;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool reached =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return reached;
}

}  // namespace

std::string settleStartPlatform() {
  if (!environment("QT_QPA_PLATFORM").empty()) return {};
  const std::string x = environment("DISPLAY");
  const std::string wayland = environment("WAYLAND_DISPLAY");
  if (x.empty() && wayland.empty()) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return {};
  }
  // Qt tries Wayland first and X after it, so one display reached is enough.
  if (!wayland.empty() && waylandDisplayReached(wayland)) return {};
  if (!x.empty() && xDisplayReached(x)) return {};
  std::string unreachable;
  if (!x.empty()) unreachable = x + " (DISPLAY)";
  if (!wayland.empty())
    unreachable += (unreachable.empty() ? "" : ", ") + wayland + " (WAYLAND_DISPLAY)";
  return unreachable;
}

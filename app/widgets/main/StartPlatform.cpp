#include "widgets/main/StartPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QString>

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

std::vector<std::string> platformPluginFolders() {
  std::vector<std::string> folders;
  const std::string own = environment("QT_QPA_PLATFORM_PLUGIN_PATH");
  if (!own.empty()) folders.push_back(own);
  for (const QString& path : QCoreApplication::libraryPaths())
    folders.push_back(QDir(path).filePath(QStringLiteral("platforms")).toStdString());
  return folders;
}

bool platformPluginLoads(const std::string& platform, const std::vector<std::string>& folders) {
  const QString key = QString::fromStdString(platform);
  for (const std::string& folder : folders) {
    const QDir dir(QString::fromStdString(folder));
    for (const QString& name : dir.entryList(QDir::Files)) {
      // Read without loading, as Qt's plugin factory reads it: the interface and the keys.
      QPluginLoader plugin(dir.absoluteFilePath(name));
      const QJsonObject meta = plugin.metaData();
      if (!meta.value(QStringLiteral("IID"))
               .toString()
               .startsWith(QStringLiteral("org.qt-project.Qt.QPA.QPlatformIntegrationFactory")))
        continue;
      const QJsonArray keys =
          meta.value(QStringLiteral("MetaData")).toObject().value(QStringLiteral("Keys")).toArray();
      bool named = false;
      for (const auto& k : keys)
        named = named || k.toString().compare(key, Qt::CaseInsensitive) == 0;
      // Loaded as Qt would load it, so a library it needs that is missing counts too. It stays
      // loaded: Qt takes the same library when the application is made.
      if (named && plugin.load()) return true;
    }
  }
  return false;
}

StartPlatform settleStartPlatform() { return settleStartPlatform(platformPluginFolders()); }

StartPlatform settleStartPlatform(const std::vector<std::string>& pluginFolders) {
  StartPlatform result;
  if (!environment("QT_QPA_PLATFORM").empty()) return result;
  const std::string x = environment("DISPLAY");
  const std::string wayland = environment("WAYLAND_DISPLAY");
  if (x.empty() && wayland.empty()) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return result;
  }
  struct Candidate {
    const char* platform;
    std::string name;
    const char* variable;
    bool (*reached)(const std::string&);
  };
  // In the order Qt tries them by itself: Wayland first when a compositor is named.
  const Candidate candidates[] = {{"wayland", wayland, "WAYLAND_DISPLAY", waylandDisplayReached},
                                  {"xcb", x, "DISPLAY", xDisplayReached}};
  const Candidate* withoutPlatform = nullptr;
  for (const Candidate& c : candidates) {
    if (c.name.empty() || !c.reached(c.name)) continue;
    if (platformPluginLoads(c.platform, pluginFolders)) {
      // X behind a Wayland display Qt cannot use: named, so Qt does not try Wayland first.
      if (&c != &candidates[0]) ::setenv("QT_QPA_PLATFORM", c.platform, 1);
      return result;
    }
    if (!withoutPlatform) withoutPlatform = &c;
  }
  if (withoutPlatform) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    result.display = withoutPlatform->name + " (" + withoutPlatform->variable + ")";
    result.platform = withoutPlatform->platform;
    return result;
  }
  if (!x.empty()) result.unreachable = x + " (DISPLAY)";
  if (!wayland.empty())
    result.unreachable += (result.unreachable.empty() ? "" : ", ") + wayland + " (WAYLAND_DISPLAY)";
  return result;
}

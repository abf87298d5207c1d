// The Qt platform the program starts on, settled before the QApplication is made. Started by
// cron, ssh or a service, with no display named and no platform chosen, it takes the
// offscreen platform, so the automatic run collects and a start that needs the log-in can say
// why it ends. A display that is named but cannot be reached would make Qt abort the program:
// that is found here first, so the program can end with status 1 and say which display. A
// display reached whose Qt platform cannot be loaded (Qt's Wayland platform not installed)
// would make Qt abort as well: the start then runs offscreen, and says why when it needs the
// log-in.
#pragma once

#include <string>
#include <vector>

struct StartPlatform {
  // The displays named that could not be reached, as ":77 (DISPLAY)", joined by ", "; the
  // start cannot go on. Empty otherwise.
  std::string unreachable;
  // A display reached whose platform cannot be loaded, as "wayland-0 (WAYLAND_DISPLAY)", and
  // that platform ("wayland"): the start goes on offscreen. Empty otherwise.
  std::string display;
  std::string platform;
};

// QT_QPA_PLATFORM set and not empty is the caller's choice and is left to Qt. Otherwise: no
// DISPLAY and no WAYLAND_DISPLAY (both unset or empty) sets QT_QPA_PLATFORM=offscreen; a
// display named is tried, X as its client library connects (libxcb, loaded only for this),
// Wayland by its socket, each with its platform (wayland, xcb) loaded from Qt's plugin folders
// as Qt would load it, in Qt's order (Wayland first). The first display that is reached and
// whose platform loads is the one started on (QT_QPA_PLATFORM names X when a Wayland display
// named before it cannot be used); when displays are reached but none has its platform,
// QT_QPA_PLATFORM=offscreen.
StartPlatform settleStartPlatform();
// The same with the platform plugin folders given instead of Qt's.
StartPlatform settleStartPlatform(const std::vector<std::string>& pluginFolders);

// The folders Qt loads a platform plugin from: QT_QPA_PLATFORM_PLUGIN_PATH, then "platforms"
// in each of its library paths (QT_PLUGIN_PATH and its install folder).
std::vector<std::string> platformPluginFolders();
// Whether a platform plugin in `folders` names `platform` among its keys and loads.
bool platformPluginLoads(const std::string& platform, const std::vector<std::string>& folders);

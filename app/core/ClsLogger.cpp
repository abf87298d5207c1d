#include "core/ClsLogger.h"

#include "core/Globals.h"
#include "core/MessagesExtra.h"

#include <basekit/codepage.h>

#include <cstdio>

ClsLogger::ClsLogger()
    : report([](const std::string& what) { std::fprintf(stderr, "%s\n", what.c_str()); }) {}

ClsLogger::~ClsLogger() { EndLog(); }

void ClsLogger::fault(const std::string& what) {
  if (failed_) return;
  failed_ = true;
  if (report) report(what);
}

void ClsLogger::InitLog() {
  if (!logEnabled) return;
  EndLog();
  failed_ = false;
  fileName_ = basic::Format(clock(), "YYYYmmdd") + ".LOG";
  basekit::FileError error;
  if (!file_.open(*gDataFolder + fileName_, 0666, &error))
    fault(GetExtraMsg(ExtraMsg::LogOpenFailed, {error.path, fileReason(error)}));
}

void ClsLogger::Log(const std::string& text) {
  if (!logEnabled) return;
  if (!file_.isOpen()) {
    fault(GetExtraMsg(ExtraMsg::LogWriteFailed, {*gDataFolder + fileName_, systemReason(EBADF)}));
    return;
  }
  // One write per line, as the lines come: the log shows a pass while it runs.
  basekit::FileError error;
  if (!file_.append(basekit::utf8ToCp1252(text) + "\r\n", &error))
    fault(GetExtraMsg(ExtraMsg::LogWriteFailed, {error.path, fileReason(error)}));
}

void ClsLogger::EndLog() { file_.close(); }

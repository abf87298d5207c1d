#include "core/ClsLogger.h"

#include <basekit/codepage.h>

#include <cstdio>

#include "core/Globals.h"

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
  std::string error;
  if (!file_.open(*gDataFolder + fileName_, 0666, &error)) fault("cannot open daily log " + error);
}

void ClsLogger::Log(const std::string& text) {
  if (!logEnabled) return;
  if (!file_.isOpen()) {
    fault("daily log " + fileName_ + " is not open");
    return;
  }
  // One write per line, as the lines come: the log shows a pass while it runs.
  std::string error;
  if (!file_.append(basekit::utf8ToCp1252(text) + "\r\n", &error))
    fault("cannot write daily log " + error);
}

void ClsLogger::EndLog() { file_.close(); }

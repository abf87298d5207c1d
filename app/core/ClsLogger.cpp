#include "ClsLogger.h"

#include <cerrno>
#include <cstring>

#include <basekit/codepage.h>

#include "Globals.h"

ClsLogger::ClsLogger()
    : report([](const std::string& what) { std::fprintf(stderr, "%s\n", what.c_str()); }) {}

ClsLogger::~ClsLogger() { EndLog(); }

void ClsLogger::fault(const std::string& what) {
  if (failed_) return;
  failed_ = true;
  if (report) report(what + ": " + std::strerror(errno));
}

void ClsLogger::InitLog() {
  if (!logEnabled) return;
  EndLog();
  failed_ = false;
  fileName_ = basic::Format(clock(), "YYYYmmdd") + ".LOG";
  std::string path = gDataFolder + fileName_;
  file_ = std::fopen(path.c_str(), "ab");
  if (!file_) fault("cannot open daily log " + path);
}

void ClsLogger::Log(const std::string& text) {
  if (!logEnabled) return;
  if (!file_) {
    fault("daily log " + fileName_ + " is not open");
    return;
  }
  std::string line = basekit::utf8ToCp1252(text) + "\r\n";
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0)
    fault("cannot write daily log " + fileName_);
}

void ClsLogger::EndLog() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

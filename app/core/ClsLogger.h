// Daily log of the automatic collection run: one text file per day, YYYYmmdd.LOG in the data
// folder (Windows-1252, CRLF lines), opened for appending at the start of a pass and closed at
// its end. A log that cannot be opened or written never stops the run: the fault is reported
// once and the lines are dropped. A log that is a symbolic link is not written through, and a
// line that cannot be written whole is not written at all.
#pragma once

#include "core/Basic.h"

#include <basekit/plainfile.h>

#include <functional>
#include <string>

class ClsLogger {
 public:
  ClsLogger();
  ~ClsLogger();
  ClsLogger(const ClsLogger&) = delete;
  ClsLogger& operator=(const ClsLogger&) = delete;

  bool logEnabled = false;

  // Opens the day's log (data folder & "YYYYmmdd.LOG") when logging is on.
  void InitLog();
  // Appends text as one line when logging is on.
  void Log(const std::string& text);
  // Closes the log; nothing happens when none is open.
  void EndLog();
  // File name of the last enabled InitLog, without folder; "" before.
  std::string getFileName() const { return fileName_; }

  // Source of "now" (the wall clock unless replaced).
  std::function<basic::DateTime()> clock = basic::Now;
  // Where a fault is reported, once per open; standard error unless replaced.
  std::function<void(const std::string&)> report;
  // True once a fault has been reported for the current pass.
  bool failed() const { return failed_; }

 private:
  void fault(const std::string& what);

  basekit::PlainFile file_;
  std::string fileName_;
  bool failed_ = false;
};

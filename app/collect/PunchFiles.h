// The files one writing phase appends punch lines to (output, error, backup and console
// files). Lines are UTF-8 in memory and go to disk in Windows-1252 with CR LF. A file stays
// open for the whole phase and is written in large pieces; finish() writes what is left and
// fsyncs every file appended to and the folder of every file it created, so that a punch is
// only ever reported written once it is on disk. The files go through basekit's PlainFile: a
// file that is a symbolic link is refused, and a write that fails part-way is cut back, so the
// files only ever hold whole CR LF lines.
#pragma once

#include <basekit/plainfile.h>

#include <string>
#include <vector>

namespace collect {

class AppendJournal;

class PunchFiles {
 public:
  PunchFiles() = default;
  // Each file opened is first marked in `journal` (null: none), so the call's appends can be
  // undone.
  explicit PunchFiles(AppendJournal* journal) : m_journal(journal) {}
  ~PunchFiles() = default;  // closes whatever is still open, without syncing (the failure path)
  PunchFiles(const PunchFiles&) = delete;
  PunchFiles& operator=(const PunchFiles&) = delete;

  // Opens `path` for appending, creating it when missing. False with error() set.
  bool open(const std::string& path);
  // Appends one line (CR LF added). False with error() set: the path and the system's reason.
  bool append(const std::string& path, const std::string& line);
  // Writes everything, fsyncs the files and the folders of new ones, closes them all.
  bool finish();
  // The last failure, worded in the operator's language: "<file>: <reason>".
  std::string error() const;

 private:
  struct File {
    std::string path;
    basekit::PlainFile file;
    std::string pending;  // whole lines not yet written
  };
  File* find(const std::string& path);
  bool flush(File& f);

  std::vector<File> m_files;
  File* m_last = nullptr;  // most lookups hit the file of the previous line
  AppendJournal* m_journal = nullptr;
  basekit::FileError m_error;
};

}  // namespace collect

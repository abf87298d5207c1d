#include "admin/ModemProgram.h"

#include "core/Basic.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/Reporter.h"

#include <basekit/atomicfile.h>
#include <clocklink/ClsModem.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

std::vector<std::string> ModemProgram::programFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() > 4 && basic::LCase(name.substr(name.size() - 4)) == ".cfx" &&
        it->is_regular_file(ec))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  if (names.size() > kMaxFiles) names.resize(kMaxFiles);
  return names;
}

std::optional<bool> ModemProgram::run(const std::string& path, clocklink::ClsModem& modem,
                                      ProgressList& list, std::string* readError) {
  std::string text;
  basekit::FileError error;
  // A file the operator picked: it may be reached through a link or by a second name, but
  // what is no plain file, or far too large, is refused.
  if (!basekit::readWholeFile(path, text, &error, kMaxFileBytes,
                              basekit::Follow::OperatorsChoice)) {
    // Nothing there says nothing; anything else under the name (a folder, a FIFO, a file far
    // too large) is named with the reason, in the operator's language.
    if (readError) *readError = error.missing() ? "" : fileFailure(error);
    return std::nullopt;
  }
  list.add(GetMsg(229));
  list.refresh();
  bool allOk = true;
  for (const std::string& item : clocklink::splitModemItems(text)) {
    const bool ok = modem.ConfigModem(item) == clocklink::kSuccess;
    allOk = allOk && ok;
    list.add(GetMsg(270) + item + " - " + GetMsg(297) + ": " + (ok ? "OK" : "ERR"));
    list.selectLast();
    list.refresh();
  }
  return allOk;
}

ModemProgram::Outcome ModemProgram::runCommand(const std::string& folder, const std::string& name,
                                               clocklink::ClsModem& modem, ProgressList& list,
                                               Reporter& reporter,
                                               const std::function<void(bool)>& busy) {
  // clearing a flag cannot fail
  (void)modem.SetCancel(0);
  const std::string file = basic::Trim(name);
  // A held line belongs to a clock's call; programming would break into it.
  if (file.empty() || modem.cortarModem()) return Outcome::NotRun;
  // The listed name is the file's own: on a case-sensitive file system it is the only one
  // that opens.
  const std::string path = folder + file;
  busy(true);
  list.clear();
  Outcome outcome = Outcome::Missing;
  std::string readError;
  const std::optional<bool> allOk = run(path, modem, list, &readError);
  if (!allOk && !readError.empty()) {
    // There, but unreadable or far larger than a program of modem commands: not "missing".
    reporter.informText(GetMsg(386) + ": " + readError, msgbox::Critical, 386);
  } else if (!allOk) {
    reporter.informText(GetMsg(307) + ": " + path, msgbox::Critical, 307);
  } else {
    outcome = *allOk ? Outcome::AllOk : Outcome::Failed;
    reporter.inform(*allOk ? 266 : 320, msgbox::Exclamation);
  }
  busy(false);
  return outcome;
}

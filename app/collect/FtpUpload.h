// FtpUpload: ships one collected file to the FTP server of the SAP settings. One transfer
// over libcurl's multi interface, polled in slices of at most 20 ms with the event-pump hook
// between them, so the window that runs it stays live and a cancel ends it at once. A failure
// comes back as the step it happened in ("InternetOpen", "InternetConnect",
// "SetCurrentDirectory", "FtpPutFile"), libcurl's code and the server's last reply.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

class ClsCfgFile;

namespace collect {

// The SAP keys the upload reads, copied out of the settings.
struct FtpSettings {
  std::string url;  // server name or address
  int16_t remotePort = 21;
  std::string username;
  std::string password;
  std::string path;   // folder on the server, "" = the log-in folder
  std::string proxy;  // "" = the system's proxy variables
  int16_t transferBinary = 0;
  int16_t modoPasivo = 0;

  static FtpSettings fromConfig(const ClsCfgFile& cfg);
};

struct FtpResult {
  bool done = false;       // the file was stored
  bool cancelled = false;  // cancel() ended the transfer
  std::string step;        // the failed step, empty when done or cancelled
  long extendedError = 0;  // libcurl's code, 0 for input refused before connecting
  std::string reply;       // the server's last reply, or the kind of failure when it said none

  // The label text of a failure: step & " Extd Err: " & number & CR & reply.
  std::string errorText() const;
};

class FtpUpload {
 public:
  // Limits that keep an unattended run from hanging on a silent server.
  std::chrono::milliseconds connectLimit{30000};  // TCP connect, proxy included
  std::chrono::seconds replyLimit{60};            // each reply of the server
  std::chrono::seconds stallLimit{60};            // under 1 byte/s this long aborts
  std::chrono::milliseconds acceptLimit{30000};   // the server's data connection (active mode)

  // Called between the poll slices; defaults to the program's event pump.
  std::function<void()> pump;

  FtpUpload();

  // Uploads `localFile` as `remoteName` into `path` (or the log-in folder). Runs to the end,
  // the first failure, or a cancel(); the connection is closed before it returns.
  FtpResult run(const FtpSettings& settings, const std::string& localFile,
                const std::string& remoteName);

  // Ends a running transfer at its next slice (safe from the pump).
  void cancel() { m_cancel = true; }

 private:
  bool m_cancel = false;
};

// The local file of the hand-over fields: the folder followed directly by the name, a stored
// '\' read as '/'.
std::string ftpLocalFile(const std::string& folder, const std::string& name);

}  // namespace collect

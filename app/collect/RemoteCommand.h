// RemoteCommand: announces a shipped file to the host by running the host's sapevt program
// over rsh. It builds and checks the command line from the remote-shell settings, runs it on
// one remote-shell control, and turns the control's events into the window's label, its
// error-channel list, the caller's progress list and one outcome; a request the rsh server
// refused (its first reply byte not 0) is a failure, though the connection closes normally.
// No Qt: the window supplies the views and drives the control's reactor.
#pragma once

#include <remcmd/Remcmd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class ClsCfgFile;

namespace collect {

struct RshSettings {
  std::string server;
  std::string user;
  std::string pathEvt;  // remote folder of sapevt, with its own trailing separator
  std::string systemName;
  std::string systemNumber;

  static RshSettings fromConfig(const ClsCfgFile& cfg);
};

// RSHPathEvt & "sapevt ZHRMARCAS -p " & name & " -t name=" & RSHSystemName & " nr=" &
// RSHSystemNumber.
std::string rshCommandLine(const RshSettings& s, const std::string& fileName);

// The key of the first part that may not go into a shell command line ("RSHPATHEVT",
// "archivo", "RSHSYSTEMNAME", "RSHSYSTEMNUMBER"), or "" when all may.
std::string rshRefusedKey(const RshSettings& s, const std::string& fileName);

class RemoteCommand {
 public:
  enum class Outcome { None, Succeeded, Failed, Cancelled };

  // Where the texts go. Any of them may be empty.
  struct View {
    std::function<void(const std::string&)> label;       // LblMsg
    std::function<void(const std::string&)> errorLine;   // LstErr
    std::function<void(const std::string&)> callerLine;  // the caller's progress list
    std::function<void(Outcome)> finished;               // once, with the first outcome
  };

  explicit RemoteCommand(View view);
  ~RemoteCommand();
  RemoteCommand(const RemoteCommand&) = delete;
  RemoteCommand& operator=(const RemoteCommand&) = delete;

  remcmd::Remcmd& control() { return *m_control; }
  const std::shared_ptr<remcmd::Reactor>& reactor() const { return m_control->reactor(); }

  // Called on the control just before Execute (tests point RemotePort and Timeout there).
  std::function<void(remcmd::Remcmd&)> beforeExecute;
  // Told true while a control member runs (its own waits poll the sockets), false after.
  std::function<void(bool)> memberRunning;

  // Shows "Conectando...", checks the parts, sets RemoteHost and RemoteUser and executes.
  // The outcome follows from the control's events.
  void start(const RshSettings& settings, const std::string& fileName);

  // The user's cancel: the outcome becomes Cancelled unless one is already there. A command
  // still connecting is interrupted; a running one is not told (it ends with the control).
  void cancel();

  // Milliseconds left of the control's Timeout since Execute; -1 when there is no limit or
  // no command is waiting for its end.
  long long timeLeftMs() const;
  // No end within the limit: "Timeout." and the connection closed.
  void timeLimitReached();

  // A failure: " Extd Err: " & text in the label, "Error: " & text to the caller's list.
  void ErrorOut(const std::string& text);

  Outcome outcome() const { return m_outcome; }

 private:
  class Sink;
  void onStdout(const std::string& text);
  void onStderr(const std::string& text);
  void onDisconnected(int16_t code, const std::string& description);
  void finish(Outcome outcome);
  void say(const std::function<void(const std::string&)>& to, const std::string& text) const {
    if (to) to(text);
  }
  bool member(remcmd::HRESULT result);

  View m_view;
  std::unique_ptr<remcmd::Remcmd> m_control;
  std::shared_ptr<Sink> m_sink;
  uint32_t m_cookie = 0;
  Outcome m_outcome = Outcome::None;
  bool m_executing = false;
  std::chrono::steady_clock::time_point m_executeAt{};
  long long m_limitMs = 0;
};

}  // namespace collect

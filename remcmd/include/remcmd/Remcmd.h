// Remcmd: the remote-shell control. One object runs one command at a time on
// a host with rsh (directly or through an HTTP tunnel, SOCKS4 or SOCKS5),
// over the engine's RshSession, and reports the command's output and the
// connection's life as events. Members return HRESULTs; a failing member
// leaves its error information (ErrorInfo.h). Strings are UTF-8 and cross
// into the engine in the bytes of the CodePage setting. Everything runs on
// the thread that created the object; events arrive from inside members
// that wait, from DoEvents, or from the host pumping reactor().
#pragma once

#include "remcmd/ErrorInfo.h"
#include "remcmd/Reactor.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace remcmd {

class RshSession;

enum TFirewallType : int32_t { fwNone = 0, fwTunnel = 1, fwSOCKS4 = 2, fwSOCKS5 = 3 };

// A byte-array variant: an empty vector is the empty variant.
using ByteArray = std::vector<uint8_t>;

// The control's event interface. All arguments are by reference to copies
// made for the one event: a handler may change them to no effect. The result
// of a handler is not looked at.
class RemcmdEvents {
 public:
  virtual ~RemcmdEvents() = default;
  virtual HRESULT Connected(int16_t& /*StatusCode*/, std::string& /*Description*/) {
    return hr::kOk;
  }
  virtual HRESULT ConnectionStatus(std::string& /*ConnectionEvent*/, int16_t& /*StatusCode*/,
                                   std::string& /*Description*/) {
    return hr::kOk;
  }
  virtual HRESULT Disconnected(int16_t& /*StatusCode*/, std::string& /*Description*/) {
    return hr::kOk;
  }
  virtual HRESULT Error(int16_t& /*ErrorCode*/, std::string& /*Description*/) { return hr::kOk; }
  virtual HRESULT Stderr(std::string& /*Text*/, bool& /*EOL*/) { return hr::kOk; }
  virtual HRESULT Stdout(std::string& /*Text*/, bool& /*EOL*/) { return hr::kOk; }
};

// A saved property in a name/value property bag.
using PropertyValue = std::variant<std::string, int32_t, int16_t>;
using PropertyBag = std::map<std::string, PropertyValue>;

class Remcmd {
 public:
  // Built on its own reactor unless one is given.
  explicit Remcmd(std::shared_ptr<Reactor> reactor = {});
  ~Remcmd();
  Remcmd(const Remcmd&) = delete;
  Remcmd& operator=(const Remcmd&) = delete;

  // --- host side ---
  // The host's ambient user mode: false means design mode.
  void setUserMode(bool userMode) { m_userMode = userMode; }
  bool isDesignMode() const { return !m_userMode; }
  // Called on every pass of the control's own waits.
  void setEventPump(std::function<void()> pump);
  const std::shared_ptr<Reactor>& reactor() const;
  // The rsh server refused the current (or last) exchange: its first reply byte was not 0.
  // The events stay as they are (the refusal text arrives as Stdout, the close as a normal
  // Disconnected); a host that must count a refusal as a failure asks here. Cleared when an
  // exchange starts.
  bool serverRefused() const;

  // --- properties (DISPID order) ---
  HRESULT get_BytesSent(int32_t& value);
  HRESULT put_BytesSent(int32_t value);
  HRESULT get_Command(std::string& value);
  HRESULT put_Command(const std::string& value);
  HRESULT get_Connected(bool& value);
  HRESULT put_Connected(bool value);
  HRESULT get_EOL(std::string& value);
  HRESULT put_EOL(const std::string& value);
  HRESULT get_ErrEOL(std::string& value);
  HRESULT put_ErrEOL(const std::string& value);
  HRESULT get_ErrorMessage(std::string& value);
  HRESULT put_ErrorMessage(const std::string& value);
  HRESULT get_FirewallHost(std::string& value);
  HRESULT put_FirewallHost(const std::string& value);
  HRESULT get_FirewallPassword(std::string& value);
  HRESULT put_FirewallPassword(const std::string& value);
  HRESULT get_FirewallPort(int32_t& value);
  HRESULT put_FirewallPort(int32_t value);
  HRESULT get_FirewallType(TFirewallType& value);
  HRESULT put_FirewallType(int32_t value);
  HRESULT get_FirewallUser(std::string& value);
  HRESULT put_FirewallUser(const std::string& value);
  HRESULT get_LocalHost(std::string& value);
  HRESULT put_LocalHost(const std::string& value);
  HRESULT get_LocalPort(int32_t& value);
  HRESULT put_LocalPort(int32_t value);
  HRESULT get_LocalUser(std::string& value);
  HRESULT put_LocalUser(const std::string& value);
  HRESULT get_RemoteHost(std::string& value);
  HRESULT put_RemoteHost(const std::string& value);
  HRESULT get_RemotePort(int32_t& value);
  HRESULT put_RemotePort(int32_t value);
  HRESULT get_RemoteUser(std::string& value);
  HRESULT put_RemoteUser(const std::string& value);
  HRESULT get_Stdin(std::string& value);
  HRESULT put_Stdin(const std::string& value);
  HRESULT get_Timeout(int16_t& value);
  HRESULT put_Timeout(int16_t value);
  HRESULT get_EOLB(ByteArray& value);
  HRESULT put_EOLB(const ByteArray& value);
  HRESULT get_ErrEOLB(ByteArray& value);
  HRESULT put_ErrEOLB(const ByteArray& value);
  HRESULT get_StdinB(ByteArray& value);
  HRESULT put_StdinB(const ByteArray& value);
  HRESULT get_StderrTextB(ByteArray& value);
  HRESULT put_StderrTextB(const ByteArray& value);
  HRESULT get_StdoutTextB(ByteArray& value);
  HRESULT put_StdoutTextB(const ByteArray& value);

  // --- methods ---
  HRESULT Config(const std::string& ConfigurationString, std::string& retVal);
  HRESULT Disconnect();
  HRESULT DoEvents();
  HRESULT Execute(const std::string& Command);
  HRESULT Send(const std::string& Text);
  HRESULT OnStartPage(void* piUnk);
  HRESULT OnEndPage();

  // --- events: sinks are called in the order they were connected ---
  HRESULT Advise(std::shared_ptr<RemcmdEvents> sink, uint32_t& cookie);
  HRESULT Unadvise(uint32_t cookie);

  // --- persistence of the saved properties ---
  // The stream form (a new control saves 68 bytes).
  HRESULT Save(std::vector<uint8_t>& stream);
  // A damaged stream is refused (E_FAIL) before any property changes.
  HRESULT Load(const uint8_t* data, std::size_t size);
  HRESULT Save(PropertyBag& bag);
  HRESULT Load(const PropertyBag& bag);

  // --- error information and object safety ---
  // S_OK for IRemcmd (by its identifier), else S_FALSE.
  HRESULT InterfaceSupportsErrorInfo(std::string_view iid) const;
  HRESULT GetInterfaceSafetyOptions(std::string_view iid, uint32_t& supported,
                                    uint32_t& enabled) const;
  HRESULT SetInterfaceSafetyOptions(std::string_view iid, uint32_t mask, uint32_t enabled);

  // The control's extent in HIMETRIC units (28 x 28 pixels at 96 dpi).
  static constexpr int32_t kExtentHimetric = 741;

 private:
  class EventSink;
  struct SinkEntry {
    uint32_t cookie;
    std::shared_ptr<RemcmdEvents> sink;
  };

  HRESULT runtimeOnly(uint32_t helpContext) const;
  HRESULT engineResult(int32_t code, uint32_t helpContext);
  HRESULT liveResult(uint32_t helpContext);
  std::string toBytes(const std::string& utf8, bool terminated) const;
  HRESULT toText(std::string_view bytes, std::string& utf8) const;
  HRESULT putPort(int32_t value, int32_t (*apply)(RshSession&, uint16_t), uint32_t helpContext);
  HRESULT sendBytes(std::string_view bytes, uint32_t helpContext);
  HRESULT configRequest(std::string_view name, std::string_view value, bool query,
                        std::string& answer);
  HRESULT collectSaved(std::vector<PropertyValue>& values);
  HRESULT applySaved(const std::vector<PropertyValue>& values);

  std::shared_ptr<RshSession> m_rsh;
  std::unique_ptr<EventSink> m_events;
  std::vector<SinkEntry> m_sinks;
  uint32_t m_nextCookie = 1;
  int m_firing = 0;
  std::shared_ptr<bool> m_alive;
  bool m_userMode = true;
  std::string m_firewallData;
  uint32_t m_safety = 0;

  friend class EventSink;
};

}  // namespace remcmd

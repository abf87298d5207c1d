// The Config method: engine settings that have no property of their own,
// queried by a bare name or set by "name=value".
#include "ControlText.h"
#include "RshSession.h"
#include "SocketBinding.h"
#include "TextRoutines.h"
#include "remcmd/Remcmd.h"

#include <cstring>
#include <string>

namespace remcmd {

namespace {

constexpr uint32_t kConfigHelp = 42101;

bool parseBoolean(std::string_view v) {
  return equalsIgnoreCase(v, "true") || equalsIgnoreCase(v, "yes") || equalsIgnoreCase(v, "1");
}

std::string printBoolean(bool v) { return v ? "True" : "False"; }

}  // namespace

HRESULT Remcmd::Config(const std::string& ConfigurationString, std::string& retVal) {
  retVal.clear();
  const std::string request = toBytes(ConfigurationString, true);
  const std::size_t eq = request.find('=');
  const bool query = eq == std::string::npos;
  const std::string_view name = std::string_view(request).substr(0, eq);
  const std::string_view value =
      query ? std::string_view() : std::string_view(request).substr(eq + 1);
  std::string answer;
  const HRESULT r = configRequest(name, value, query, answer);
  // The answer is handed back also when the request failed.
  std::string text;
  if (toText(answer, text) != hr::kOk) return hr::kOutOfMemory;
  retVal = std::move(text);
  return r;
}

HRESULT Remcmd::configRequest(std::string_view name, std::string_view value, bool query,
                              std::string& answer) {
  RshSession& s = *m_rsh;
  const int32_t number = parseDecimal(value);
  auto is = [name](const char* row) { return equalsIgnoreCase(name, row); };

  if (is("FirewallData")) {
    if (!query) m_firewallData.assign(value);
    return hr::kOk;
  }
  if (is("MaxLineLength")) {
    if (query) {
      answer = std::to_string(s.maxLineLength());
      return hr::kOk;
    }
    // Compared unsigned: a negative number is taken as the largest size.
    uint32_t size = static_cast<uint32_t>(number);
    if (size > LineBuffer::kMaxCapacity) size = LineBuffer::kMaxCapacity;
    return engineResult(s.setMaxLineLength(size), kConfigHelp);
  }
  if (is("SocketHandle") && query) {
    answer = std::to_string(s.socketHandle());
    return hr::kOk;
  }
  if (is("InBufferSize")) {
    if (query) {
      answer = std::to_string(s.inBufferSize());
      return hr::kOk;
    }
    return engineResult(s.setInBufferSize(number), kConfigHelp);
  }
  if (is("OutBufferSize")) {
    if (query) {
      answer = std::to_string(s.outBufferSize());
      return hr::kOk;
    }
    return engineResult(s.setOutBufferSize(number), kConfigHelp);
  }
  if (is("AbsoluteTimeout")) {
    if (query)
      answer = printBoolean(s.absoluteTimeout());
    else
      s.setAbsoluteTimeout(parseBoolean(value));
    return hr::kOk;
  }
  if (query) {
    const StartupData& data = winsockStartupData();
    if (is("WinsockLoaded")) {
      answer = printBoolean(s.holdsWinsock());
      return hr::kOk;
    }
    if (is("WinsockMaxDatagramSize")) {
      answer = std::to_string(data.maxDatagramSize);
      return hr::kOk;
    }
    if (is("WinsockInfo")) {
      answer =
          std::string(data.description, ::strnlen(data.description, sizeof data.description - 1));
      return hr::kOk;
    }
    if (is("WinsockMaxSockets")) {
      answer = std::to_string(data.maxSockets);
      return hr::kOk;
    }
    if (is("WinsockPath")) {
      answer = winsockPath();
      return hr::kOk;
    }
    if (is("WinsockStatus")) {
      answer = std::string(data.systemStatus,
                           ::strnlen(data.systemStatus, sizeof data.systemStatus - 1));
      return hr::kOk;
    }
  }
  if (is("CodePage")) {
    if (query) {
      answer = std::to_string(s.codePage());
      return hr::kOk;
    }
    const uint32_t codePage = static_cast<uint32_t>(number);
    // A code page iconv cannot convert would turn every later text into nothing.
    if (!codePageAvailable(codePage))
      return reportControlError(text::kOutOfRange, kConfigHelp, hr::kBadValue);
    s.setCodePage(codePage);
    return hr::kOk;
  }
  if (is("CharsetMode")) {
    if (query)
      answer = std::to_string(static_cast<int>(s.charsetMode()));
    else
      s.setCharsetMode(static_cast<int8_t>(static_cast<uint8_t>(number & 0xff)));
    return hr::kOk;
  }
  s.clearLastError();
  s.setLastErrorText("Unknown config setting.");
  return engineResult(-1, kConfigHelp);
}

}  // namespace remcmd

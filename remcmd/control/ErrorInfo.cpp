#include "remcmd/ErrorInfo.h"

#include "ControlText.h"

namespace remcmd {

namespace {
thread_local std::optional<ErrorInfo> t_current;
}

std::optional<ErrorInfo> takeErrorInfo() {
  std::optional<ErrorInfo> out = std::move(t_current);
  t_current.reset();
  return out;
}

const std::optional<ErrorInfo>& currentErrorInfo() { return t_current; }

HRESULT reportControlError(std::string_view ansiText, uint32_t helpContext, HRESULT result) {
  ErrorInfo info;
  info.source = kProgId;
  // Error texts are always read in the system code page, whatever the
  // control's CodePage setting says.
  bytesToUtf8(ansiText, 0, info.description);
  if (helpContext != 0) {
    info.helpFile = kHelpFile;
    info.helpContext = helpContext;
  }
  t_current = std::move(info);
  return result;
}

HRESULT resultToHresult(int32_t code, uint32_t helpContext, std::string_view lastErrorText) {
  if (code == 0) return hr::kOk;
  if (code == 200) return reportControlError(text::kOutOfMemory, 0, hr::kNoMemory);
  const std::string_view description =
      lastErrorText.empty() ? std::string_view(text::kNoDescription) : lastErrorText;
  const uint32_t low = static_cast<uint32_t>(code < 10001 ? code + 20001 : code + 15001);
  return reportControlError(description, helpContext, hresultOf(0x800A0000u | low));
}

}  // namespace remcmd

// Results of the remote-shell control's members: HRESULT values, and the
// error information (description, source, help file, help context) that
// every failing member leaves as the thread's current error information.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace remcmd {

using HRESULT = int32_t;

constexpr HRESULT hresultOf(uint32_t value) { return static_cast<HRESULT>(value); }

namespace hr {
constexpr HRESULT kOk = 0;
constexpr HRESULT kFalse = 1;
constexpr HRESULT kFail = hresultOf(0x80004005u);
constexpr HRESULT kNoInterface = hresultOf(0x80004002u);
constexpr HRESULT kPointer = hresultOf(0x80004003u);
constexpr HRESULT kInvalidArg = hresultOf(0x80070057u);
constexpr HRESULT kOutOfMemory = hresultOf(0x8007000Eu);
constexpr HRESULT kClassNotAvailable = hresultOf(0x80040111u);
// The property layer's own refusals.
constexpr HRESULT kRuntimeOnly = hresultOf(0x800A018Au);
constexpr HRESULT kWriteOnly = hresultOf(0x800A018Au);
constexpr HRESULT kReadOnly = hresultOf(0x800A017Fu);
constexpr HRESULT kBadValue = hresultOf(0x800A017Cu);
constexpr HRESULT kNoMemory = hresultOf(0x800A0007u);
}  // namespace hr

constexpr bool failed(HRESULT r) { return r < 0; }

namespace text {
constexpr const char* kRuntimeOnly = "Property is runtime only (no supported in design time).";
constexpr const char* kReadOnly = "Property is read-only.";
constexpr const char* kWriteOnly = "Property is write-only.";
constexpr const char* kOneDimensional = "Property accepts only one-dimensional byte arrays.";
constexpr const char* kOutOfRange = "Value is out of range.";
constexpr const char* kOutOfMemory = "Out of memory.";
constexpr const char* kNoDescription = "No description available.";
}  // namespace text

constexpr const char* kProgId = "Tarnet.Remcmd.1";
constexpr const char* kHelpFile = "remcmd60.hlp";

struct ErrorInfo {
  std::string source;
  std::string description;  // UTF-8
  std::string helpFile;     // empty when there is no help context
  uint32_t helpContext = 0;
};

// The thread's current error information: set by a failing member, taken
// (and cleared) by the caller, like the platform's GetErrorInfo.
std::optional<ErrorInfo> takeErrorInfo();
const std::optional<ErrorInfo>& currentErrorInfo();

// Sets the error information from a text in the system's ANSI code page and
// returns `result`.
HRESULT reportControlError(std::string_view ansiText, uint32_t helpContext, HRESULT result);

// Maps an engine result (0, 100-312, -1, Winsock 10004-11004) to its HRESULT
// with `lastErrorText` (engine bytes, already filled from the code by the
// engine where it had none) as the description.
HRESULT resultToHresult(int32_t code, uint32_t helpContext, std::string_view lastErrorText);

}  // namespace remcmd

// The binding to the converter add-in: its one export QCvt, looked up in libv2000cvt.so by
// name (never a path, so no file in the data folder can stand in for it) at the first
// conversion. A load that fails is tried again at the next conversion, so installing the
// add-in needs no restart.
#pragma once

#include "core/Converter.h"

#include <cstdint>
#include <memory>
#include <string>

namespace collect {

class ConverterLink : public Converter {
 public:
  static constexpr const char* kLibrary = "libv2000cvt.so";
  explicit ConverterLink(std::string library = kLibrary) : m_library(std::move(library)) {}
  bool convert(const std::string& in, const std::string& out, int32_t& result,
               std::string& error) override;

  // The program's binding, the live owner's (a fresh one after its release); tests bind
  // another library through collect/testing/Hooks.h.
  static ConverterLink& program();

 private:
  bool bind(std::string& error);

  std::string m_library;
  void* m_handle = nullptr;  // kept for the life of the process, as the add-in may be in use
  void* m_qcvt = nullptr;
};

// The collection's program-wide state, held by the live owner (ProgramObjects::layer): the
// program's binding to the add-in.
struct CollectState {
  std::unique_ptr<ConverterLink> link = std::make_unique<ConverterLink>();
};

}  // namespace collect

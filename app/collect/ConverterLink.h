// The binding to the converter add-in: its one export QCvt, looked up in libv2000cvt.so by
// name (never a path, so no file in the data folder can stand in for it) at the first
// conversion. A load that fails is tried again at the next conversion, so installing the
// add-in needs no restart.
#pragma once

#include <cstdint>
#include <string>

namespace collect {

class Converter {
 public:
  virtual ~Converter() = default;
  // True with QCvt's result in `result`; false with the reason in `error` when the add-in
  // could not be called at all.
  virtual bool convert(const std::string& in, const std::string& out, int32_t& result,
                       std::string& error) = 0;
};

class ConverterLink : public Converter {
 public:
  static constexpr const char* kLibrary = "libv2000cvt.so";
  explicit ConverterLink(std::string library = kLibrary) : m_library(std::move(library)) {}
  bool convert(const std::string& in, const std::string& out, int32_t& result,
               std::string& error) override;

  // The program's binding, the live owner's (a fresh one after its release); its library
  // name is the seam below.
  static ConverterLink& program();

 private:
  bool bind(std::string& error);

  std::string m_library;
  void* m_handle = nullptr;  // kept for the life of the process, as the add-in may be in use
  void* m_qcvt = nullptr;
};

namespace testing {
// Another library for the program's binding (a name, or a path for a test library); the next
// conversion binds it afresh. An empty name restores the add-in; so does the owner's release.
void setConverterLibrary(const std::string& library);
}  // namespace testing

}  // namespace collect

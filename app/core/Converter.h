// What turns a collected file into the customer's format: the converter add-in's one call.
// The collection binds the add-in (collect/ConverterLink.h); tests put a stand-in in its place.
#pragma once

#include <cstdint>
#include <string>

class Converter {
 public:
  virtual ~Converter() = default;
  // True with QCvt's result in `result`; false with the reason in `error`, in the language,
  // when the add-in could not be called at all: its file and whether it was not found, could
  // not be loaded or has no QCvt.
  virtual bool convert(const std::string& in, const std::string& out, int32_t& result,
                       std::string& error) = 0;
};

#include "collect/ConverterLink.h"

#include "core/ProgramObjects.h"

#include <dlfcn.h>
#include <memory>

namespace collect {

namespace {
using QCvtFunction = int32_t (*)(const char*, const char*, const char*);
}

bool ConverterLink::bind(std::string& error) {
  if (m_qcvt) return true;
  if (!m_handle) {
    m_handle = ::dlopen(m_library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
      const char* why = ::dlerror();
      error = why ? why : m_library + ": cannot be loaded";
      return false;
    }
  }
  ::dlerror();
  m_qcvt = ::dlsym(m_handle, "QCvt");
  if (!m_qcvt) {
    const char* why = ::dlerror();
    error = why ? why : m_library + ": no QCvt";
    return false;
  }
  return true;
}

bool ConverterLink::convert(const std::string& in, const std::string& out, int32_t& result,
                            std::string& error) {
  if (!bind(error)) return false;
  // The third text is not read by the add-in; the program has always passed a blank.
  result = reinterpret_cast<QCvtFunction>(m_qcvt)(in.c_str(), out.c_str(), " ");
  return true;
}

ConverterLink& ConverterLink::program() {
  return *ProgramObjects::live().layer<CollectState>().link;
}

}  // namespace collect

#include "collect/ConverterLink.h"

#include <dlfcn.h>

#include <memory>

#include "core/ProgramObjects.h"

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

namespace {
// The collection's program-wide state, held by the live owner (ProgramObjects::layer): the
// program's binding to the add-in.
struct CollectState {
  std::unique_ptr<ConverterLink> link = std::make_unique<ConverterLink>();
};

std::unique_ptr<ConverterLink>& programLink() {
  return ProgramObjects::live().layer<CollectState>().link;
}
}  // namespace

ConverterLink& ConverterLink::program() { return *programLink(); }

namespace testing {
void setConverterLibrary(const std::string& library) {
  // The old library stays loaded (nothing unloads the add-in); only the lookup changes.
  programLink() =
      std::make_unique<ConverterLink>(library.empty() ? ConverterLink::kLibrary : library);
}
}  // namespace testing

}  // namespace collect

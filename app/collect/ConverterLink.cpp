#include "collect/ConverterLink.h"

#include "core/MessagesExtra.h"
#include "core/ProgramObjects.h"

#include <cstddef>
#include <dlfcn.h>
#include <link.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace collect {

namespace {
using QCvtFunction = int32_t (*)(const char*, const char*, const char*);

// Where the add-in file is, when it is anywhere: the path given, or the first folder the
// dynamic loader searches for the program (LD_LIBRARY_PATH, the program's run path, the
// system's folders) that holds the name. Empty when none does. The loader's own message is
// never shown: it is English (or the C library's locale), and the operator needs only the kind.
std::string addInFile(const std::string& library) {
  struct stat st {};
  if (library.find('/') != std::string::npos)
    return ::stat(library.c_str(), &st) == 0 ? library : std::string();
  void* self = ::dlopen(nullptr, RTLD_LAZY);
  if (!self) return {};
  std::string found;
  Dl_serinfo size{};
  if (::dlinfo(self, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
    std::vector<std::max_align_t> buffer(size.dls_size / sizeof(std::max_align_t) + 1);
    auto* paths = reinterpret_cast<Dl_serinfo*>(buffer.data());
    *paths = size;
    if (::dlinfo(self, RTLD_DI_SERINFO, paths) == 0) {
      for (unsigned i = 0; i < paths->dls_cnt && found.empty(); ++i) {
        std::string candidate = paths->dls_serpath[i].dls_name;
        if (candidate.empty()) continue;
        if (candidate.back() != '/') candidate += '/';
        candidate += library;
        if (::stat(candidate.c_str(), &st) == 0) found = candidate;
      }
    }
  }
  ::dlclose(self);
  return found;
}

std::string addInFailure(const std::string& file, ExtraMsg reason) {
  return GetExtraMsg(ExtraMsg::AddInFailed, {file, GetExtraMsg(reason)});
}

}  // namespace

bool ConverterLink::bind(std::string& error) {
  if (m_qcvt) return true;
  if (!m_handle) {
    m_handle = ::dlopen(m_library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
      // Found but refused: not a library for this system, or one it needs is missing.
      const std::string file = addInFile(m_library);
      error = file.empty() ? addInFailure(m_library, ExtraMsg::AddInNotFound)
                           : addInFailure(file, ExtraMsg::AddInNotLoadable);
      return false;
    }
  }
  m_qcvt = ::dlsym(m_handle, "QCvt");
  if (!m_qcvt) {
    error = addInFailure(m_library, ExtraMsg::AddInNoEntryPoint);
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

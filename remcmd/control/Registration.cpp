// Self-registration: the control's programmatic identifiers and class key
// under the classes root, written and removed through basekit's registry.
#include "remcmd/Server.h"

#include <basekit/registry.h>

#include <string>

namespace remcmd {

namespace {

const std::string kClassKey = std::string("CLSID\\") + id::kClsidRemcmd;

basekit::Registry at(const std::string& path, const std::string& valueName = {}) {
  basekit::Registry r;
  r.ClassKey(basekit::HKEY_CLASSES_ROOT);
  r.SectionKey(path);
  r.ValueKey(valueName);
  return r;
}

// The key's default value; false when it could not be written.
bool writeDefault(const std::string& path, const std::string& value) {
  try {
    at(path).Value(value);
    return true;
  } catch (const basekit::RegistryError&) {
    return false;
  }
}

bool writeEmptyKey(const std::string& path) {
  const basekit::Registry key = at(path);
  if (key.KeyExists()) key.DeleteKey();
  return key.CreateKey();
}

}  // namespace

HRESULT DllRegisterServer() {
  for (const char* progId : {id::kProgIdIndependent, id::kProgIdVersion, id::kProgIdSecond}) {
    const std::string key = progId;
    if (!writeDefault(key, id::kDisplayName) || !writeDefault(key + "\\CLSID", id::kClsidRemcmd) ||
        !writeDefault(key + "\\CurVer", id::kProgIdVersion))
      return hr::kFail;
  }
  const basekit::Registry classKey = at(kClassKey);
  if (classKey.KeyExists() && !classKey.DeleteKey()) return hr::kFail;
  if (!writeDefault(kClassKey, id::kDisplayName) ||
      !writeDefault(kClassKey + "\\ProgID", id::kProgIdVersion) ||
      !writeDefault(kClassKey + "\\VersionIndependentProgID", id::kProgIdIndependent))
    return hr::kFail;
  for (const char* empty : {"Programmable", "Control", "Insertable"})
    if (!writeEmptyKey(kClassKey + "\\" + empty)) return hr::kFail;
  if (!writeDefault(kClassKey + "\\TypeLib", id::kLibidREMCMDLib) ||
      !writeDefault(kClassKey + "\\Version", id::kTypeLibVersion) ||
      !writeEmptyKey(kClassKey + "\\Windows CE Control"))
    return hr::kFail;
  return hr::kOk;
}

HRESULT DllUnregisterServer() {
  // Carries on through every step; the classes root's CLSID key stays.
  for (const char* progId : {id::kProgIdIndependent, id::kProgIdVersion, id::kProgIdSecond})
    at(progId).DeleteKey();
  at(kClassKey).DeleteKey();
  return hr::kOk;
}

}  // namespace remcmd

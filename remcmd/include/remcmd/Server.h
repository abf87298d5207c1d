// The remote-shell control as an in-process server: its identifiers and
// programmatic identifiers, the class factory handed out by class id, the
// counts of live objects and server locks, and self-registration of its
// keys under the classes root through basekit's registry layer.
#pragma once

#include "remcmd/ErrorInfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace remcmd {

class Remcmd;

namespace id {
constexpr const char* kClsidRemcmd = "{63337210-F789-11CE-86F8-0020AFD8C6DB}";
constexpr const char* kIidIRemcmd = "{63337211-F789-11CE-86F8-0020AFD8C6DB}";
constexpr const char* kIidIRemcmdEvents = "{63337212-F789-11CE-86F8-0020AFD8C6DB}";
constexpr const char* kLibidREMCMDLib = "{63337213-F789-11CE-86F8-0020AFD8C6DB}";
constexpr const char* kIidIUnknown = "{00000000-0000-0000-C000-000000000046}";
constexpr const char* kIidIClassFactory = "{00000001-0000-0000-C000-000000000046}";
constexpr const char* kIidIDispatch = "{00020400-0000-0000-C000-000000000046}";
constexpr const char* kProgIdVersion = "Tarnet.Remcmd.1";
constexpr const char* kProgIdIndependent = "Tarnet.Remcmd";
constexpr const char* kProgIdSecond = "Tarnet6.Remcmd";
constexpr const char* kDisplayName = "Tarnet Remote Command Control";
constexpr const char* kTypeLibVersion = "1.0";
}  // namespace id

// Identifiers compare without regard to the case of their hex digits.
bool sameId(std::string_view a, std::string_view b);

class ClassFactory {
 public:
  // The new object; nullptr with E_OUTOFMEMORY when it could not be built.
  HRESULT CreateInstance(std::unique_ptr<Remcmd>& object);
  HRESULT LockServer(bool lock);
};

// E_POINTER without `factory`; CLASS_E_CLASSNOTAVAILABLE for another class;
// E_NOINTERFACE for an interface other than IUnknown or IClassFactory. The
// factory is made on the first request and kept.
HRESULT DllGetClassObject(std::string_view clsid, std::string_view iid, ClassFactory** factory);
// S_OK when no object lives and no lock is held, else S_FALSE.
HRESULT DllCanUnloadNow();
// Write and remove the registration keys in the registry layer's tree.
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();

long liveObjectCount();
long serverLockCount();

namespace detail {
void objectCreated();
void objectReleased();
}  // namespace detail

}  // namespace remcmd

// The control's in-process server: class factory, object and lock counts.
#include "remcmd/Server.h"

#include "remcmd/Remcmd.h"

#include <atomic>
#include <mutex>
#include <new>

namespace remcmd {

namespace {
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};
std::mutex g_factoryMutex;

char foldHex(char c) { return (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool sameId(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (foldHex(a[i]) != foldHex(b[i])) return false;
  return true;
}

namespace detail {
void objectCreated() { ++g_objects; }
void objectReleased() { --g_objects; }
}  // namespace detail

long liveObjectCount() { return g_objects; }
long serverLockCount() { return g_locks; }

HRESULT ClassFactory::CreateInstance(std::unique_ptr<Remcmd>& object) {
  object.reset(new (std::nothrow) Remcmd());
  return object ? hr::kOk : hr::kOutOfMemory;
}

HRESULT ClassFactory::LockServer(bool lock) {
  if (lock)
    ++g_locks;
  else if (g_locks > 0)
    --g_locks;
  return hr::kOk;
}

HRESULT DllGetClassObject(std::string_view clsid, std::string_view iid, ClassFactory** factory) {
  if (!factory) return hr::kPointer;
  *factory = nullptr;
  if (!sameId(clsid, id::kClsidRemcmd)) return hr::kClassNotAvailable;
  if (!sameId(iid, id::kIidIClassFactory) && !sameId(iid, id::kIidIUnknown))
    return hr::kNoInterface;
  static ClassFactory* s_factory = nullptr;
  const std::lock_guard<std::mutex> lock(g_factoryMutex);
  if (!s_factory) {
    // Kept for the life of the process, as the first request made it.
    static ClassFactory instance;
    s_factory = &instance;
  }
  *factory = s_factory;
  return hr::kOk;
}

HRESULT DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? hr::kOk : hr::kFalse; }

}  // namespace remcmd

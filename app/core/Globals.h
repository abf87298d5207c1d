// Program-wide state: one of each for the whole run, set up at start-up. The live
// ProgramObjects (ProgramObjects.h) owns all of it; the names below reach what it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ClsCfgFile;
namespace clocklink {
class ClsMirsol;
class ClsModem;
}  // namespace clocklink
class ClsListaRelojes;
class ClsUsers;
class ClsAuditoria;
class ProgramObjects;

// Stops the program, naming the value: it was used with no owner alive (a fault of the set-up).
[[noreturn]] void stopUnboundValue(const char* name);

// The name of a program-wide value, bound to the live owner's member while there is one.
// Reached as *gDataFolder or gCardTable->table(); nothing else compiles (no arithmetic, no
// assignment of the name, no conversion), and a use with no owner alive stops the program with
// the value's name.
template <typename T>
class OwnedValue {
 public:
  explicit constexpr OwnedValue(const char* name) : m_name(name) {}
  OwnedValue(const OwnedValue&) = delete;
  OwnedValue& operator=(const OwnedValue&) = delete;

  T& operator*() const {
    if (!m_value) stopUnboundValue(m_name);
    return *m_value;
  }
  T* operator->() const { return &**this; }

 private:
  friend class ProgramObjects;
  T* m_value = nullptr;
  const char* m_name;
};

extern OwnedValue<std::string> gVersionText;  // "major.minor" with the minor as two digits
extern OwnedValue<std::string> gDataFolder;   // working directory with a trailing "/"
extern OwnedValue<std::string> gSharedText;   // answer of the three-choice box and scratch text
extern OwnedValue<int16_t> gRunMode;          // 2 automatic run, 1 on-line run

// The program-wide objects, owned by the live ProgramObjects (ProgramObjects.h): start-up
// creates them and the main window's close releases them; null before start-up and after the
// close. Nothing else creates or frees them.
extern ClsCfgFile* gCfgFile;            // the settings
extern clocklink::ClsMirsol* gMirsol;   // clock protocol object
extern clocklink::ClsModem* gModem;     // modem object
extern ClsListaRelojes* gListaRelojes;  // clock store and current clock
extern ClsUsers* gUsers;                // user store and logged-in user
extern ClsAuditoria* gAuditoria;        // audit log

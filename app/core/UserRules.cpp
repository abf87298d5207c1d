#include "core/UserRules.h"

#include "core/ClsUsers.h"

namespace {
bool isFree(const UserRecord& r) { return r.Name.find_first_not_of(' ') == std::string::npos; }
}  // namespace

bool leavesAnAdministrator(const ClsUsers& users, int slot, int newLevel) {
  int administrators = 0;
  int others = 0;
  for (int i = 1; i <= ClsUsers::kSlots; ++i) {
    const UserRecord* r = users.slot(i);
    if (!r || isFree(*r)) continue;
    const int level = i == slot ? newLevel : r->Level;
    if (level < 0) continue;  // the slot being deleted
    if (level == 2)
      ++administrators;
    else
      ++others;
  }
  return administrators > 0 || others == 0;
}

// The user editor's logic, without widgets: what loading puts in the four controls, and
// Accept's checks (name, password twice, numeric password, an administrator left) and store
// into the user table. The window FUsr mirrors `controls`.
#pragma once

#include <cstdint>
#include <string>

class ClsUsers;
class Reporter;

// Why slot `slot`'s user must stay an administrator: the only one (in the current language).
std::string lastAdministratorReason(const ClsUsers& users, int slot);
// The refusal to demote or delete that user, the same from the user editor and from the
// configuration's user list: box 338 with the reason. An exclamation under the program's own
// title: the operator's action is refused, nothing went wrong.
void refuseLastAdministrator(Reporter& reporter, const ClsUsers& users, int slot);

class FUsrModel {
 public:
  struct Controls {
    std::string usr;
    std::string psw, vPsw;
    int level = -1;  // CmbLevel row; -1 none chosen
  };

  // Its boxes go through `reporter` (the window's).
  FUsrModel(ClsUsers& users, Reporter& reporter);

  // Fills the controls for users.Operation (0 new user, 1..100 that slot). False (box 338,
  // Operation -1) for a new user when all slots are taken: the editor must not open.
  bool load();
  // Accept: Operation 1, checks (boxes 325, 360, 410, 338 with the reason), stores into the slot.
  // True when stored (the window closes).
  bool accept();
  void cancel();

  Controls controls;
  int16_t slot() const { return m_slot; }

 private:
  void refuse(int number, const std::string& why = {});

  ClsUsers& m_users;
  Reporter& m_reporter;
  int16_t m_slot = 0;
};

#include "admin/FUsrModel.h"

#include "core/Basic.h"
#include "core/ClsUsers.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/Reporter.h"
#include "core/UserRules.h"

std::string lastAdministratorReason(const ClsUsers& users, int slot) {
  const UserRecord* r = users.slot(slot);
  return GetExtraMsg(ExtraMsg::LastAdministrator, {r ? basic::Trim(r->Name) : std::string()});
}

void refuseLastAdministrator(Reporter& reporter, const ClsUsers& users, int slot) {
  reporter.inform(338, msgbox::OkOnly | msgbox::Exclamation, {},
                  "\n" + lastAdministratorReason(users, slot));
}

FUsrModel::FUsrModel(ClsUsers& users, Reporter& reporter) : m_users(users), m_reporter(reporter) {}

void FUsrModel::refuse(int number, const std::string& why) {
  m_reporter.inform(number, msgbox::OkOnly | msgbox::Critical, GetMsg(320),
                    why.empty() ? why : "\n" + why);
}

bool FUsrModel::load() {
  controls = Controls{};
  const int16_t op = m_users.Operation;
  if (op != 0) {
    m_users.GetCurData(op);
    // The user goes back into the slot it was opened from, whatever its record says.
    m_slot = op;
    controls.level = (m_users.Level >= 0 && m_users.Level <= 2) ? m_users.Level : -1;
    controls.psw = std::to_string(m_users.Psw);
    controls.vPsw = controls.psw;
    controls.usr = basic::Trim(m_users.Name);
    return true;
  }
  for (int16_t i = 1; i <= ClsUsers::kSlots; ++i) {
    if (!m_users.Deleted(i)) continue;
    m_slot = i;
    m_users.Code = i;
    controls.level = 0;
    return true;
  }
  // No free slot: a new user would be stored over an existing one.
  m_reporter.inform(338, msgbox::OkOnly | msgbox::Critical, GetMsg(320));
  m_users.Operation = -1;
  return false;
}

bool FUsrModel::accept() {
  m_users.Operation = 1;
  controls.usr = basic::Trim(controls.usr);
  if (controls.usr.empty() || controls.level < 0) {
    refuse(325);
    return false;
  }
  if (controls.psw != controls.vPsw) {
    refuse(360);
    return false;
  }
  // Numeric, and a whole 32-bit value once rounded (an exponent such as 1e10 is numeric but
  // cannot be stored).
  const std::optional<int32_t> psw =
      basic::IsNumeric(controls.psw) ? basic::ToLong(basic::Val(controls.psw)) : std::nullopt;
  if (!psw) {
    refuse(410);
    return false;
  }
  // Nobody could open the configuration again without an administrator.
  if (!leavesAnAdministrator(m_users, m_slot, controls.level)) {
    refuseLastAdministrator(m_reporter, m_users, m_slot);
    return false;
  }
  m_users.Version = 1;
  m_users.Code = m_slot;
  m_users.Name = controls.usr;
  m_users.Level = static_cast<int16_t>(controls.level);
  m_users.Psw = *psw;
  m_users.SetCurData(m_slot);
  return true;
}

void FUsrModel::cancel() { m_users.Operation = -1; }

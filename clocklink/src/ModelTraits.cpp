#include "ModelTraits.h"

namespace clocklink {

namespace {

using F = Framing;
using D = DateLayout;
using C = CardEnabling;

// clang-format off
const ModelTraits kModels[] = {
  // name           framing       ack    1-byte status  id     start   clear   answered  date                  unlock  cards
  {"Vireo",         F::Addressed, true,  false,         false, "0",    "2",    false,    D::WeekdayFromZero,   "3",    C::Single},
  {"Corvin",        F::Addressed, true,  false,         false, "0",    "2",    false,    D::WeekdayFromZero,   "3",    C::Single},
  {"Pexel",         F::Pexel,     true,  false,         true,  "0",    "2",    false,    D::WeekdayFromZero,   "3",    C::Single},
  {"Vireo Touch",   F::Addressed, true,  false,         false, "0",    "2",    false,    D::WeekdayFromZero,   "3",    C::Single},
  {"Solvar II",     F::Addressed, true,  false,         false, "0",    "2",    false,    D::WeekdayFromOne,    "R",    C::TimedFF},
  {"Solvar I",      F::Addressed, true,  false,         false, "0",    "2",    false,    D::WeekdayFromOne,    "R",    C::TimedPlain},
  {"QLM-400",       F::Qlm,       false, true,          false, "\x01", "\x02", true,     D::Qlm,               "3",    C::Single},
};
// clang-format on

}  // namespace

const ModelTraits& modelTraits(int model) {
  return model >= 0 && model <= 6 ? kModels[model] : kModels[0];
}

}  // namespace clocklink

#include "ModelTraits.h"

namespace clocklink {

namespace {

// Short names, so each model's row reads on one line.
constexpr Framing kR = Framing::Addressed, kE1 = Framing::Pexel, kLen = Framing::Qlm;
constexpr DateLayout kSun0 = DateLayout::WeekdayFromZero, kSun1 = DateLayout::WeekdayFromOne,
                     kDate5 = DateLayout::Qlm;
constexpr CardEnabling kOne = CardEnabling::Single, kFF = CardEnabling::TimedFF,
                       kPlain = CardEnabling::TimedPlain;

// clang-format off
const ModelTraits kModels[] = {
  // name          framing ack    1-byte id     start   clear   answer date    unlock cards
  {"Vireo",        kR,     true,  false, false, "0",    "2",    false, kSun0,  "3",   kOne},
  {"Corvin",       kR,     true,  false, false, "0",    "2",    false, kSun0,  "3",   kOne},
  {"Pexel",        kE1,    true,  false, true,  "0",    "2",    false, kSun0,  "3",   kOne},
  {"Vireo Touch",  kR,     true,  false, false, "0",    "2",    false, kSun0,  "3",   kOne},
  {"Solvar II",    kR,     true,  false, false, "0",    "2",    false, kSun1,  "R",   kFF},
  {"Solvar I",     kR,     true,  false, false, "0",    "2",    false, kSun1,  "R",   kPlain},
  {"QLM-400",      kLen,   false, true,  false, "\x01", "\x02", true,  kDate5, "3",   kOne},
};
// clang-format on

}  // namespace

const ModelTraits& modelTraits(int model) {
  return model >= 0 && model <= 6 ? kModels[model] : kModels[0];
}

}  // namespace clocklink

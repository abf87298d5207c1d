// What the stores' loads and saves answer: what a load found, and why a file could not be
// taken; whether a save wrote its file and, when not, why. The details of a save (the row, the
// system's reason) are in the store's status().
#pragma once

#include <iosfwd>
#include <string>
#include <utility>

// What a load found under the store's name. An unreadable file is never taken for an empty or
// a missing one: its windows say so, and a save keeps it aside before it replaces it.
struct [[nodiscard]] StoreLoad {
  enum Kind {
    Loaded,      // records were read
    Empty,       // a file with nothing in it
    Missing,     // nothing there
    Unreadable,  // something is there that cannot be read, or bytes of no form the store knows
  };
  Kind kind = Missing;
  // For Unreadable: the file and why, in the language of the settings ("" otherwise).
  std::string reason;

  StoreLoad(Kind k) : kind(k) {}  // NOLINT: a plain answer reads as its kind
  static StoreLoad unreadable(std::string why) {
    StoreLoad r(Unreadable);
    r.reason = std::move(why);
    return r;
  }
  bool operator==(Kind k) const { return kind == k; }
};

std::ostream& operator<<(std::ostream& out, const StoreLoad& load);  // for test failures

// Why a save left the file as it was.
enum class StoreFailure {
  None,
  RowRefused,    // a row or slot cannot be stored (status().badRow)
  NotKeptAside,  // the file its load could not read could not be copied aside first
  WriteFailed,   // the rewrite failed
};

struct [[nodiscard]] StoreResult {
  bool ok = false;
  StoreFailure why = StoreFailure::None;

  static StoreResult written() { return {true, StoreFailure::None}; }
  static StoreResult failed(StoreFailure why) { return {false, why}; }
};

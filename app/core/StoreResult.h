// What the stores' loads and saves answer: what a load found, and whether a save wrote its
// file and, when not, why. The details (the row, the system's reason) are in the store's
// status().
#pragma once

// What a load found under the store's name.
enum class [[nodiscard]] StoreLoad{
    Loaded,   // records were read
    Empty,    // nothing usable: an empty file, one of another form, or one that could not be read
    Missing,  // nothing there
};

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

// Constant-time card look-ups over the card table. A view of a record file looks up the card
// of every line; a linear scan of 100,000 cards per line is far too slow for files of a
// million lines, so the index maps each card number to the entry ClsTarjetas::FindRecord
// would take: the first entry in table order holding exactly that number.
#pragma once

#include "core/ClsTarjetas.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

class CardIndex {
 public:
  CardIndex() = default;
  // Indexes `table` as it is now; the table must outlive the index and stay unchanged.
  explicit CardIndex(const std::vector<CardRecord>& table);

  // Entry index of `card` (0-based), -1 when no entry holds it.
  int32_t indexOf(double card) const;
  // The entry holding `card`, nullptr when none.
  const CardRecord* find(double card) const;
  size_t size() const { return m_first.size(); }

 private:
  const std::vector<CardRecord>* m_table = nullptr;
  std::unordered_map<double, int32_t> m_first;
};

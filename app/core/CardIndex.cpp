#include "core/CardIndex.h"

#include <cmath>

namespace {
// -0.0 and 0.0 compare equal in the table scan, so they must share one key here.
double key(double card) { return card == 0 ? 0.0 : card; }
}  // namespace

CardIndex::CardIndex(const std::vector<CardRecord>& table) : m_table(&table) {
  m_first.reserve(table.size());
  for (size_t n = 0; n < table.size(); ++n) {
    const double card = table[n].card;
    if (std::isnan(card)) continue;                       // never equal to anything, as in the scan
    m_first.emplace(key(card), static_cast<int32_t>(n));  // keeps the first of duplicates
  }
}

int32_t CardIndex::indexOf(double card) const {
  if (std::isnan(card)) return -1;
  const auto it = m_first.find(key(card));
  return it == m_first.end() ? -1 : it->second;
}

const CardRecord* CardIndex::find(double card) const {
  const int32_t n = indexOf(card);
  return n < 0 || !m_table ? nullptr : &(*m_table)[static_cast<size_t>(n)];
}

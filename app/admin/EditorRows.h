// The working copy of a report list in the card and company editors: rows of text cells in
// the list's current order, the selected row, and the header-click sort (ColumnSort's rule:
// stable, by the column's text, a new column ascending, the same one toggling). The order
// held here is the order the editors write back.
#pragma once

#include "admin/ColumnSort.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// `Row` carries `std::vector<std::string> cells` (cell 0 is the row text) and whatever else
// the editor keeps per row.
template <typename Row>
class EditorRows {
 public:
  size_t size() const { return m_rows.size(); }
  bool empty() const { return m_rows.empty(); }
  const Row& at(size_t i) const { return m_rows[i]; }
  Row& at(size_t i) { return m_rows[i]; }
  const std::string& cell(size_t row, size_t column) const {
    static const std::string none;
    const std::vector<std::string>& cells = m_rows[row].cells;
    return column < cells.size() ? cells[column] : none;
  }

  // 0-based selected row in the current order; -1 for none.
  int selected() const { return m_selected; }
  void select(int row) { m_selected = (row >= 0 && row < static_cast<int>(size())) ? row : -1; }

  void clear() {
    m_rows.clear();
    m_selected = -1;
  }
  void reserve(size_t n) { m_rows.reserve(n); }
  // Appends a row; in a sorted list it takes its place in the order, as a sorted list view
  // places a new item. Returns the row's index.
  int add(Row row) {
    m_rows.push_back(std::move(row));
    const int added = static_cast<int>(m_rows.size()) - 1;
    if (m_sort.column() < 0) return added;
    return resort(added);
  }
  // Appends many rows (an import) and sorts once; the selection follows its row.
  void addAll(std::vector<Row> rows) {
    for (Row& r : rows) m_rows.push_back(std::move(r));
    if (m_sort.column() >= 0) m_selected = resort(m_selected);
  }
  void remove(int row) {
    if (row < 0 || row >= static_cast<int>(size())) return;
    m_rows.erase(m_rows.begin() + row);
    m_selected = -1;
  }

  // A header click; the selected row stays selected in its new place.
  void sortBy(int column) {
    m_sort.click(column);
    m_selected = resort(m_selected);
  }
  const ColumnSort& sort() const { return m_sort; }

 private:
  // Sorts by the current column and gives back where row `follow` went (-1 stays -1).
  int resort(int follow) {
    const size_t col = static_cast<size_t>(m_sort.column());
    // The keys sit side by side with their row numbers, so the sort compares texts without
    // walking from row to cells on every comparison.
    using Key = std::pair<std::string_view, uint32_t>;
    std::vector<Key> keys(m_rows.size());
    for (uint32_t i = 0; i < keys.size(); ++i) keys[i] = {cell(i, col), i};
    if (m_sort.ascending())
      std::stable_sort(keys.begin(), keys.end(),
                       [](const Key& a, const Key& b) { return a.first < b.first; });
    else
      std::stable_sort(keys.begin(), keys.end(),
                       [](const Key& a, const Key& b) { return b.first < a.first; });
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    int moved = -1;
    for (size_t k = 0; k < keys.size(); ++k) {
      if (static_cast<int>(keys[k].second) == follow) moved = static_cast<int>(k);
      sorted.push_back(std::move(m_rows[keys[k].second]));
    }
    m_rows = std::move(sorted);
    return moved;
  }

  std::vector<Row> m_rows;
  int m_selected = -1;
  ColumnSort m_sort;
};

// Sorting of the report lists (card base, companies, record-file viewer): a click on a column
// header sorts stably by that column's text, ascending for a new column and toggling between
// ascending and descending on the same one. The state lives here; the models apply it to a
// permutation of their rows.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

class ColumnSort {
 public:
  // A header click on `column`: a new column sorts ascending, the same one toggles.
  void click(int column) {
    if (column == m_column) {
      m_ascending = !m_ascending;
    } else {
      m_column = column;
      m_ascending = true;
    }
  }
  void reset() {
    m_column = -1;
    m_ascending = true;
  }
  int column() const { return m_column; }
  bool ascending() const { return m_ascending; }

  // Reorders `rows` (row numbers) stably by the text of the current column; no column, no change.
  template <typename Row>
  void apply(std::vector<Row>& rows,
             const std::function<std::string(const Row&, int)>& textOf) const {
    if (m_column < 0) return;
    const int col = m_column;
    if (m_ascending)
      std::stable_sort(rows.begin(), rows.end(),
                       [&](const Row& a, const Row& b) { return textOf(a, col) < textOf(b, col); });
    else
      std::stable_sort(rows.begin(), rows.end(),
                       [&](const Row& a, const Row& b) { return textOf(b, col) < textOf(a, col); });
  }

 private:
  int m_column = -1;
  bool m_ascending = true;
};

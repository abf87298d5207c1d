// Header-click sorting: stable, ascending for a new column, toggling on the same one.
#include "admin/ColumnSort.h"

#include <gtest/gtest.h>

TEST(ColumnSort, NewColumnAscendsSameColumnTogglesAndTiesKeepTheirOrder) {
  const std::vector<std::vector<std::string>> cells{{"b", "1"}, {"a", "2"}, {"b", "0"}};
  std::function<std::string(const int&, int)> textOf = [&](const int& r, int c) {
    return cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
  };
  ColumnSort sort;
  std::vector<int> rows{0, 1, 2};
  sort.apply(rows, textOf);
  EXPECT_EQ(rows, (std::vector<int>{0, 1, 2}));
  sort.click(0);
  sort.apply(rows, textOf);
  EXPECT_EQ(rows, (std::vector<int>{1, 0, 2}));
  sort.click(0);
  sort.apply(rows, textOf);
  EXPECT_EQ(rows, (std::vector<int>{0, 2, 1}));
  sort.click(1);
  EXPECT_TRUE(sort.ascending());
  sort.apply(rows, textOf);
  EXPECT_EQ(rows, (std::vector<int>{2, 0, 1}));
}

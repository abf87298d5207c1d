// The in-memory progress list: 1-based lines, styles, edits out of range ignored.
#include "core/ProgressList.h"

#include <gtest/gtest.h>

TEST(ProgressList, LinesAreNumberedFromOneAndOutOfRangeEditsAreIgnored) {
  VectorProgressList list;
  EXPECT_EQ(list.add("a"), 1);
  EXPECT_EQ(list.add("b", kRedLine), 2);
  list.setText(2, "B");
  list.setStyle(1, kBold);
  list.setText(3, "x");
  list.remove(0);
  EXPECT_EQ(list.texts(), (std::vector<std::string>{"a", "B"}));
  EXPECT_EQ(list.style(1), kBold);
  EXPECT_EQ(list.style(2).rgb, 0xFF0000u);
  list.remove(1);
  EXPECT_EQ(list.text(1), "B");
  EXPECT_EQ(list.text(2), "");
}

// The audit-log viewer's list without its window: the columns of a record, and sorting by a
// column's text on header clicks.
#include "admin/FAudModel.h"

#include <gtest/gtest.h>

namespace {

TEST(FAudModelTest, FechaSortsByTheTextMonthFirst) {
  FAudModel model;
  for (const char* date : {"03-15-2023 10:00:00", "02-01-2024 09:00:00", "12-31-2022 23:59:59"})
    model.addRow({date, {"MNU->x", "ana"}});
  auto dates = [&] {
    std::vector<std::string> out;
    for (size_t r = 0; r < model.rowCount(); ++r) out.push_back(model.row(r).text);
    return out;
  };
  model.sortClick(0);
  EXPECT_EQ(dates(), (std::vector<std::string>{"02-01-2024 09:00:00", "03-15-2023 10:00:00",
                                               "12-31-2022 23:59:59"}));
  model.sortClick(0);
  EXPECT_EQ(dates().front(), "12-31-2022 23:59:59");
  model.sortClick(2);
  EXPECT_TRUE(model.sortState().ascending());
}

// Rows added after a sort wait for resort(); a new column starts ascending again.
TEST(FAudModelTest, ResortKeepsTheLastClickAndANewColumnStartsAscending) {
  FAudModel model;
  model.addRow({"01-01-2024 08:00:00", {"MNU->b", "eva"}});
  model.addRow({"01-02-2024 08:00:00", {"MNU->a", "ana"}});
  model.sortClick(2);
  EXPECT_EQ(model.row(0).subItems[1], "ana");
  model.sortClick(2);
  EXPECT_FALSE(model.sortState().ascending());
  EXPECT_EQ(model.row(0).subItems[1], "eva");
  model.addRow({"01-03-2024 08:00:00", {"MNU->c", "zoe"}});
  model.resort();
  EXPECT_EQ(model.row(0).subItems[1], "zoe");
  model.sortClick(1);
  EXPECT_TRUE(model.sortState().ascending());
  EXPECT_EQ(model.row(0).subItems[0], "MNU->a");
  model.clear();
  EXPECT_EQ(model.rowCount(), 0u);
}

}  // namespace

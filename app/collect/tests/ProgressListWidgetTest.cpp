// The progress list as a widget keeps what the collection code writes: text, bold, colour.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "ProgressListWidget.h"

namespace {

TEST(ProgressListWidgetTest, LinesKeepTextAndStyleByPosition) {
  ProgressListWidget list;
  EXPECT_EQ(list.add("Reloj 001", collect::kBold), 1);
  EXPECT_EQ(list.add("Registros: 00000"), 2);
  EXPECT_EQ(list.add("ERROR", collect::kRedLine), 3);
  list.setText(2, "Registros: 00042");  // a running counter is rewritten in place
  list.setStyle(2, collect::kBlueLine);
  list.remove(1);
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.text(1), "Registros: 00042");
  EXPECT_EQ(list.style(1), collect::kBlueLine);
  EXPECT_EQ(list.style(2), collect::kRedLine);
  EXPECT_EQ(list.text(3), "");  // past the end: nothing, no crash
  list.setText(0, "x");
  list.selectLast();
  EXPECT_EQ(list.currentRow(), 1);
  for (int i = 0; i < 500; ++i) {
    list.add("line");
    list.refresh();  // throttled: a long run does not repaint per line
  }
  EXPECT_EQ(list.count(), 502);
  EXPECT_TRUE(apptest::grabNonBlank(&list, "ProgressListWidget.png"));
  list.clear();
  EXPECT_EQ(list.count(), 0);
}

}  // namespace

// The progress list as a widget keeps what the collection code writes: text, bold, colour;
// a carriage return in a line shows as the line break it stands for.
#include "widgets/common/ProgressListWidget.h"

#include "testsupport/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressListWidgetTest, LinesKeepTextAndStyleByPosition) {
  ProgressListWidget list;
  EXPECT_EQ(list.add("Reloj 001", kBold), 1);
  EXPECT_EQ(list.add("Registros: 00000"), 2);
  EXPECT_EQ(list.add("ERROR", kRedLine), 3);
  list.setText(2, "Registros: 00042");  // a running counter is rewritten in place
  list.setStyle(2, kBlueLine);
  list.remove(1);
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.text(1), "Registros: 00042");
  EXPECT_EQ(list.style(1), kBlueLine);
  EXPECT_EQ(list.style(2), kRedLine);
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

TEST(ProgressListWidgetTest, ACarriageReturnShowsAsALineBreak) {
  ProgressListWidget list;
  list.resize(400, 300);
  list.add("Discando 5550100");
  const struct {
    std::string written, shown;
  } cases[] = {
      {"Reintento en: 12 Segs.\rStatus: BUSY", "Reintento en: 12 Segs.\nStatus: BUSY"},
      {"Comunicación establecida a \r\nCONNECT 9600\r\n",
       "Comunicación establecida a \nCONNECT 9600"},
  };
  for (const auto& c : cases) {
    const int line = list.add("x");
    list.setText(line, c.written);          // the countdown is rewritten in place every second
    EXPECT_EQ(list.text(line), c.written);  // the collection code reads back what it wrote
    const QListWidgetItem* it = list.item(line - 1);
    EXPECT_EQ(it->text().toStdString(), c.shown);
    // two rows of text, not one row cut short
    EXPECT_GE(list.visualItemRect(it).height(), 2 * list.visualItemRect(list.item(0)).height() - 2)
        << c.written;
  }
  list.show();
  EXPECT_TRUE(apptest::grabNonBlank(&list, "ProgressListWidgetBreaks.png"));
}

}  // namespace

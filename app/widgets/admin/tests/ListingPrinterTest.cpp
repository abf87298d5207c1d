// The printed listing's layout, recorded in twips: page breaks, header positions, the closing
// rule and the field widths.
#include "widgets/admin/ListingPrinter.h"

#include "testsupport/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

ListingHeader header(int cardWidth = 8) {
  ListingHeader h;
  h.versionText = "6.00";
  h.date = "10/12/2026";
  h.pageCaption = "Página";
  h.title = "Listado de Registraciones";
  h.captions = {"Fecha", "Hora", "Reloj", "Lector", "Tarjeta", "Descripción"};
  h.cardWidth = cardWidth;
  return h;
}

ListingRow rowNumber(size_t k) {
  return {"01/02/2024", "08:00", "01", "01", std::to_string(100 + k), "texto"};
}

using Item = RecordingSurface::Item;

std::vector<Item> ofKind(const RecordingSurface& s, Item::Kind kind) {
  std::vector<Item> out;
  for (const Item& i : s.items)
    if (i.kind == kind) out.push_back(i);
  return out;
}

const Item* textAt(const RecordingSurface& s, int x, int y, size_t nth = 0) {
  for (const Item& i : s.items)
    if (i.kind == Item::Text && i.x == x && i.y == y && nth-- == 0) return &i;
  return nullptr;
}

TEST(ListingPrinter, FiftyTwoRowsFillOnePageAndTheNextStartsPageTwo) {
  for (size_t rows : {size_t{52}, size_t{53}}) {
    RecordingSurface s;
    ListingPrinter p(s, header());
    ASSERT_TRUE(p.print(rows, rowNumber));
    const auto pages = ofKind(s, Item::Page);
    EXPECT_EQ(pages.size(), rows == 52 ? 0u : 1u);
    EXPECT_EQ(p.page(), rows == 52 ? 1 : 2);
    // First row at line 7, the 52nd at line 58 of page 1.
    ASSERT_NE(textAt(s, 600, 1750), nullptr);
    EXPECT_NE(textAt(s, 600, 1750)->s.find("100"), std::string::npos);
    ASSERT_NE(textAt(s, 600, 14500), nullptr);
    EXPECT_NE(textAt(s, 600, 14500)->s.find("151"), std::string::npos);
    const auto lines = ofKind(s, Item::Line);
    const Item closing = lines.back();
    const int lastLine = rows == 52 ? 58 : 7;
    EXPECT_EQ(closing.y, (lastLine + 2) * 250);
    EXPECT_EQ(closing.x, 200);
    EXPECT_EQ(closing.x2, 11000);
    if (rows == 53) {
      ASSERT_NE(textAt(s, 9540, 350, 1), nullptr);
      EXPECT_EQ(textAt(s, 9540, 350, 1)->s, "Página:  2");
      EXPECT_NE(textAt(s, 600, 1750, 1)->s.find("152"), std::string::npos);
    }
  }
}

TEST(ListingPrinter, HeaderSitsAtItsPositions) {
  RecordingSurface s;
  ListingPrinter p(s, header());
  p.print(1, rowNumber);
  ASSERT_GE(s.items.size(), 8u);
  EXPECT_EQ(textAt(s, 200, 50)->s, "Velta 2000 v6.00");
  EXPECT_EQ(textAt(s, 9800, 50)->s, "10/12/2026");
  EXPECT_EQ(textAt(s, 9540, 350)->s, "Página:  1");
  EXPECT_EQ(textAt(s, 3750, 750)->s, "Listado de Registraciones");
  EXPECT_EQ(textAt(s, 600, 1250)->s,
            "Fecha       Hora   Reloj  Lector  Tarjeta   Descripción         ");
  const auto lines = ofKind(s, Item::Line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].y, 1200);
  EXPECT_EQ(lines[1].y, 1520);
  EXPECT_EQ(lines[2].y, 9 * 250);
}

TEST(ListingPrinter, FieldWidthsTrimPadAndKeepLongValuesWhole) {
  const ListingRow row{" 01/02/2024", "08:00", "1", "01", "123", " Señor "};
  EXPECT_EQ(ListingPrinter::fields(row, 8, false),
            "01/02/2024  08:00  1      01      123       Señor");
  EXPECT_EQ(ListingPrinter::fields(row, 20, false),
            "01/02/2024  08:00  1      01      123                   Señor");
  const ListingRow longCard{"01/02/2024", "08:00", "1", "01", "1234567890", ""};
  EXPECT_EQ(ListingPrinter::fields(longCard, 8, false),
            "01/02/2024  08:00  1      01      1234567890  ");
}

TEST(ListingPrinter, NoRowsDrawsOnlyTheClosingRule) {
  RecordingSurface s;
  ListingPrinter p(s, header());
  p.print(0, rowNumber);
  ASSERT_EQ(s.items.size(), 1u);
  EXPECT_EQ(s.items[0].kind, Item::Line);
}

}  // namespace

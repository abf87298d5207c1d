// The record-file viewer's logic on small files: filters, the record-number window, marks,
// names, employee-number mode, sorting and the card index it looks cards up with; what it
// refuses to read, and lines too long for a punch line.
#include "admin/RecordView.h"

#include "admin/ColumnSort.h"
#include "core/CardIndex.h"
#include "core/MessagesExtra.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/PlantedLink.h"

#include <basekit/plainfile.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

CardRecord cardOf(double number, const std::string& name, int16_t group = 0, int16_t resaltar = 0,
                  int16_t novedad = 0) {
  CardRecord c;
  c.version = 2;
  c.card = number;
  c.name = name;
  c.Grupo = group;
  c.Resaltar = resaltar;
  c.Novedad = novedad;
  return c;
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

// A file of `count` lines whose cards are 1..count.
std::string numberedFile(const apptest::TempDataFolder& folder, const std::string& name, int count,
                         const std::string& eol = "\r\n") {
  std::string text;
  for (int n = 1; n <= count; ++n) text += std::to_string(n) + " 01/02/2024 08:00 01 01" + eol;
  folder.write(name, text);
  return folder.file(name);
}

// Column 5 (the card field) of every listed row, in list order.
std::vector<std::string> cardsListed(const RecordView& v) {
  std::vector<std::string> out;
  for (size_t k = 0; k < v.rowCount(); ++k) out.push_back(v.cell(k, 4));
  return out;
}

struct FilterCase {
  const char* name;
  std::vector<std::string> lines;
  ViewFilter filter;
  ViewSettings settings;
  std::vector<std::string> listed;  // column 5 of the rows listed
  bool badNumbers;
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

class RecordViewFilters : public ::testing::TestWithParam<FilterCase> {};

TEST_P(RecordViewFilters, ListsExactlyTheMatchingLines) {
  const FilterCase& c = GetParam();
  apptest::TempDataFolder folder;
  folder.write("REGIS.MIR", joinLines(c.lines));
  const std::vector<CardRecord> cards{cardOf(100, "Ana", 1), cardOf(150, "Beto", 3),
                                      cardOf(0x1A, "Touch A", 2)};
  RecordView view;
  const auto out = view.run(folder.file("REGIS.MIR"), c.filter, c.settings, cards);
  EXPECT_EQ(out.status, RecordView::Status::Done);
  EXPECT_EQ(cardsListed(view), c.listed);
  EXPECT_EQ(out.badNumbers, c.badNumbers);
  EXPECT_EQ(view.lineCount(), static_cast<int64_t>(c.lines.size()));
}

// A filter with the given fields typed in.
using Field = std::pair<std::string ViewFilter::*, std::string>;
ViewFilter filterOf(std::initializer_list<Field> fields) {
  ViewFilter f;
  for (const auto& [member, text] : fields) f.*member = text;
  return f;
}
ViewFilter cardRange(const std::string& from, const std::string& to) {
  return filterOf({{&ViewFilter::cardFrom, from}, {&ViewFilter::cardTo, to}});
}
// Settings with one flag on.
ViewSettings with(bool ViewSettings::*flag) {
  ViewSettings s;
  s.*flag = true;
  return s;
}

const std::vector<std::string> kClockLines{"1 01/02/2024 08:00 02 01", "2 01/02/2024 08:00 2 01",
                                           "3 01/02/2024 08:00 12 01"};
const std::vector<std::string> kCardLines{"99 01/02/2024 08:00 01 01", "100 01/02/2024 08:00 01 01",
                                          "200 01/02/2024 08:00 01 01",
                                          "201 01/02/2024 08:00 01 01"};
const std::vector<std::string> kTouchLines{"19 01/02/2024 08:00 01 01", "1A 01/02/2024 08:00 01 01",
                                           "2F 01/02/2024 08:00 01 01",
                                           "30 01/02/2024 08:00 01 01"};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, RecordViewFilters,
    ::testing::Values(
        FilterCase{"Empty", {}, {}, {}, {}, false},
        FilterCase{"ClockTwoMatchesZeroTwoNotTwelve", kClockLines,
                   filterOf({{&ViewFilter::clock, "2"}}), {}, {"1", "2"}, false},
        FilterCase{"DateAndReaderExact",
                   {"1 01/02/2024 08:00 01 01", "2 02/02/2024 08:00 01 01", "3 01/02/2024 08:00 01 02"},
                   filterOf({{&ViewFilter::date, "01/02/2024"}, {&ViewFilter::reader, "01"}}), {},
                   {"1"}, false},
        FilterCase{"GroupLowerOnlyListsNone", kCardLines,
                   filterOf({{&ViewFilter::groupFrom, "1"}}), {}, {}, false},
        FilterCase{"GroupRangeUsesCardTable", kCardLines,
                   filterOf({{&ViewFilter::groupFrom, "1"}, {&ViewFilter::groupTo, "1"}}), {},
                   {"100"}, false},
        FilterCase{"CardRangeInclusive", kCardLines, cardRange("100", "200"), {}, {"100", "200"},
                   false},
        FilterCase{"TouchRangeIsHexadecimal", kTouchLines, cardRange("1A", "2F"), with(&ViewSettings::touch),
                   {"1A", "2F"}, false},
        FilterCase{"LettersFailTheRangeWhichStaysInForce",
                   {"100 01/02/2024 08:00 01 01", "ABC 01/02/2024 08:00 01 01",
                    "150 01/02/2024 08:00 01 01", "300 01/02/2024 08:00 01 01"},
                   cardRange("100", "200"), {}, {"100", "150"}, true},
        FilterCase{"EmptyLineIsAnEmptyRowAndABadNumber", {"100 01/02/2024 08:00 01 01", ""}, {},
                   {}, {"100", ""}, true},
        FilterCase{"ShortLineHasNoFields", {"100 01/02/2024 08:00"}, {}, {}, {""}, true},
        FilterCase{"EmployeeModeBoundsFieldOne",
                   {"7 01/02/2024 08:00 01 01 100", "12 01/02/2024 08:00 01 01 150",
                    "X 01/02/2024 08:00 01 01 150"},
                   cardRange("5", "10"), with(&ViewSettings::employeeNumbers), {"7"}, false}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(RecordView, WindowDefaultsToThirtyThousandAndCountsEveryLine) {
  apptest::TempDataFolder folder;
  RecordView view;
  const ViewFilter window =
      filterOf({{&ViewFilter::firstRecord, "5"}, {&ViewFilter::lastRecord, "3"}});
  const auto out = view.run(numberedFile(folder, "A.MIR", 30005), window, {}, {CardRecord{}});
  EXPECT_EQ(out.first, 1);
  EXPECT_EQ(out.last, 30000);
  EXPECT_EQ(view.rowCount(), 30000u);
  EXPECT_EQ(view.lineCount(), 30005);
  EXPECT_EQ(totalText(30000, 30005), " 30000/ 30005");
  EXPECT_EQ(totalText(0, 0), " 0/ 0");
}

TEST(RecordView, FortyThousandLinesPassTheOldSixteenBitLimit) {
  apptest::TempDataFolder folder;
  RecordView view;
  const ViewFilter window =
      filterOf({{&ViewFilter::firstRecord, "32760"}, {&ViewFilter::lastRecord, "40000"}});
  const auto out = view.run(numberedFile(folder, "B.MIR", 40000, "\n"), window, {}, {CardRecord{}});
  EXPECT_EQ(out.status, RecordView::Status::Done);
  EXPECT_EQ(view.rowCount(), 7241u);
  EXPECT_EQ(view.cell(view.rowCount() - 1, 4), "40000");
}

TEST(RecordView, MissingFileFolderAndBackslashPathAreNoFile) {
  apptest::TempDataFolder folder;
  RecordView view;
  for (const std::string& path :
       {folder.path(), folder.file("NONE.MIR"), std::string(), folder.path() + "sub\\"})
    EXPECT_EQ(view.run(path, {}, {}, {}).status, RecordView::Status::NoFile) << path;
}

TEST(RecordView, BoundThatIsNotANumberFailsTheView) {
  apptest::TempDataFolder folder;
  folder.write("C.MIR", "100 01/02/2024 08:00 01 01\r\n");
  RecordView view;
  const auto out =
      view.run(folder.file("C.MIR"), cardRange("1G", "1G"), with(&ViewSettings::touch), {});
  EXPECT_EQ(out.status, RecordView::Status::BadBound);
  EXPECT_EQ(out.error, "1G");
  EXPECT_EQ(view.rowCount(), 0u);
}

TEST(RecordView, MarksAndNamesComeFromTheLinesOwnCard) {
  apptest::TempDataFolder folder;
  // The line with letters must not take the name of the line before it.
  folder.write("D.MIR", joinLines({"100 01/02/2024 08:00 01 01 texto", "ABC 01/02/2024 08:01 01 01",
                                   "150 01/02/2024 08:02 01 01",
                                   "7 01/02/2024 08:03 01 01 RELOJ ABIERTO!!!!!!!!!!",
                                   "8 01/02/2024 08:04 01 01 Se\xF1or"}));
  const std::vector<CardRecord> cards{cardOf(100, "Ana", 0, 1, 0), cardOf(150, "Beto  ", 0, 0, 1),
                                      cardOf(100, "Ana bis", 0, 0, 1)};
  ViewSettings s;
  s.clockOpenText = "RELOJ ABIERTO!!!!!!!!!!";
  RecordView plain;
  ASSERT_EQ(plain.run(folder.file("D.MIR"), {}, s, cards).status, RecordView::Status::Done);
  EXPECT_EQ(plain.marks(0), RecordView::kBold);
  EXPECT_EQ(plain.marks(1), 0);
  EXPECT_EQ(plain.marks(2), RecordView::kBold | RecordView::kRed);
  EXPECT_EQ(plain.marks(3), RecordView::kRed);
  EXPECT_EQ(plain.cell(0, 5), "texto");
  EXPECT_EQ(plain.cell(4, 5), "Se\u00f1or");
  EXPECT_EQ(plain.cell(0, 0), "01/02/2024");
  EXPECT_EQ(plain.cell(0, 1), "08:00");
  EXPECT_EQ(plain.cell(0, 2), "01");
  EXPECT_EQ(plain.cell(0, 3), "01");

  s.virtualNames = true;
  RecordView named;
  named.run(folder.file("D.MIR"), {}, s, cards);
  EXPECT_EQ(named.cell(0, 5), "Ana");
  EXPECT_EQ(named.cell(1, 5), "");
  EXPECT_EQ(named.cell(2, 5), "Beto");
  EXPECT_EQ(named.savedLine(2), "150 01/02/2024 08:02 01 01 Beto");
  EXPECT_EQ(named.savedLine(1), "ABC 01/02/2024 08:01 01 01");
}

TEST(RecordView, EmployeeModeLooksUpTheCardAfterTheReader) {
  apptest::TempDataFolder folder;
  folder.write("E.MIR", joinLines({"7 01/02/2024 08:00 01 01 150", "8 01/02/2024 08:00 01 01 X"}));
  ViewSettings s;
  s.employeeNumbers = true;
  s.virtualNames = true;
  RecordView view;
  const auto out = view.run(folder.file("E.MIR"), {}, s, {cardOf(150, "Beto", 0, 0, 1)});
  EXPECT_FALSE(out.badNumbers);
  EXPECT_EQ(view.cell(0, 5), "Beto");
  EXPECT_EQ(view.marks(0), RecordView::kBold | RecordView::kRed);
  EXPECT_EQ(view.cell(1, 5), "");

  // On a touch clock the card after the reader is hexadecimal; the bounds stay decimal.
  folder.write("T.MIR", joinLines({"7 01/02/2024 08:00 01 01 1A", "12 01/02/2024 08:00 01 01 1A"}));
  s.touch = true;
  const auto touch =
      view.run(folder.file("T.MIR"), cardRange("5", "10"), s, {cardOf(0x1A, "Touch A")});
  EXPECT_EQ(touch.status, RecordView::Status::Done);
  ASSERT_EQ(view.rowCount(), 1u);
  EXPECT_EQ(view.cell(0, 5), "Touch A");
}

TEST(RecordView, HeaderClicksSortByTextAndVisualizarReturnsToFileOrder) {
  apptest::TempDataFolder folder;
  folder.write("F.MIR", joinLines({"3 02/01/2024 09:00 01 01", "1 01/02/2023 10:00 02 01",
                                   "2 15/01/2024 08:00 03 01"}));
  RecordView view;
  view.run(folder.file("F.MIR"), {}, {}, {});
  ColumnSort sort;
  auto click = [&](int column) {
    sort.click(column);
    view.sortBy(sort.column(), sort.ascending());
    return cardsListed(view);
  };
  EXPECT_EQ(click(2), (std::vector<std::string>{"3", "1", "2"}));
  EXPECT_EQ(click(2), (std::vector<std::string>{"2", "1", "3"}));
  EXPECT_EQ(click(1), (std::vector<std::string>{"2", "3", "1"}));
  // Dates sort by their text: day first.
  EXPECT_EQ(click(0), (std::vector<std::string>{"1", "3", "2"}));
  view.unsort();
  EXPECT_EQ(cardsListed(view), (std::vector<std::string>{"3", "1", "2"}));
}

TEST(RecordView, StopsWhenTheSinkAsks) {
  apptest::TempDataFolder folder;
  struct StopAtOnce : ViewSink {
    int calls = 0;
    bool progress(int64_t, int64_t lines, int64_t bytes, int64_t total) override {
      ++calls;
      EXPECT_GT(lines, 0);
      EXPECT_LE(bytes, total);
      return false;
    }
  } sink;
  RecordView view;
  const auto out = view.run(numberedFile(folder, "G.MIR", 200000), {}, {}, {}, &sink);
  EXPECT_EQ(out.status, RecordView::Status::Stopped);
  EXPECT_EQ(sink.calls, 1);
  EXPECT_LT(view.lineCount(), 200000);
  EXPECT_EQ(view.rowCount(), static_cast<size_t>(view.lineCount()));
}

// What must not be read is refused at once, with the file and the reason in the operator's
// language: a link (its target lies outside the folder), a second name, a FIFO (an open of it
// would wait for a writer).
// The viewed file is the operator's pick: punch files kept in a linked backup tree, or under a
// second name, are shown; what is no plain file (a FIFO, also through a link) is refused.
TEST(RecordView, ShowsALinkOrASecondNameAndRefusesWhatIsNoPlainFile) {
  apptest::TempDataFolder folder;
  folder.write("A.MIR", "100 01/02/2024 08:00 01 01\r\n");
  ASSERT_EQ(::link(folder.file("A.MIR").c_str(), folder.file("B.MIR").c_str()), 0);
  ASSERT_EQ(::symlink(folder.file("A.MIR").c_str(), folder.file("LINK.MIR").c_str()), 0);
  ASSERT_EQ(::mkfifo(folder.file("FIFO.MIR").c_str(), 0600), 0);
  ASSERT_EQ(::symlink(folder.file("FIFO.MIR").c_str(), folder.file("TOFIFO.MIR").c_str()), 0);
  for (const char* name : {"LINK.MIR", "A.MIR", "B.MIR"}) {
    SCOPED_TRACE(name);
    RecordView view;
    EXPECT_EQ(view.run(folder.file(name), {}, {}, {}).status, RecordView::Status::Done);
    EXPECT_EQ(view.rowCount(), 1u);
  }
  for (const char* name : {"FIFO.MIR", "TOFIFO.MIR"}) {
    SCOPED_TRACE(name);
    RecordView view;
    const auto out = view.run(folder.file(name), {}, {}, {});
    EXPECT_EQ(out.status, RecordView::Status::ReadError);
    EXPECT_EQ(out.error,
              GetExtraMsg(ExtraMsg::ReadFailed,
                          {folder.file(name), fileReason(basekit::FileError::refusal(
                                                  basekit::FileFault::NotPlainFile, {}))}));
    EXPECT_EQ(view.rowCount(), 0u);
  }
}

// A line too long for a punch line is a faulty line: an empty row and a bad card number, the
// lines after it read as usual. The longest line allowed is kept whole.
TEST(RecordView, ALineLongerThanThePunchLineBoundIsAFaultyLine) {
  apptest::TempDataFolder folder;
  const std::string head = "100 01/02/2024 08:00 01 01 ";
  const std::string longest = head + std::string(RecordView::kMaxLine - head.size(), 'x');
  for (const std::string eol : {"\r\n", "\n"}) {
    SCOPED_TRACE(eol.size());
    folder.write("L.MIR", longest + eol + longest + "y" + eol + "200 01/02/2024 08:00 01 01" + eol);
    RecordView view;
    const auto out = view.run(folder.file("L.MIR"), {}, {}, {});
    EXPECT_EQ(out.status, RecordView::Status::Done);
    EXPECT_TRUE(out.badNumbers);
    EXPECT_EQ(view.lineCount(), 3);
    ASSERT_EQ(view.rowCount(), 3u);
    EXPECT_EQ(view.savedLine(0), longest);
    for (int c = 0; c < RecordView::kColumns; ++c) EXPECT_EQ(view.cell(1, c), "") << c;
    EXPECT_EQ(view.cell(2, 4), "200");
  }
}

// A gigabyte without a line end (a sparse file) is one faulty line, passed over: memory
// follows the rows listed, not the file.
TEST(RecordView, AGigabyteWithoutLineEndsIsOneFaultyLineInBoundedMemory) {
  apptest::TempDataFolder folder;
  const std::string path = folder.file("HUGE.MIR");
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, off_t{1} << 30), 0);
  ::close(fd);
  RecordView view;
  const auto out = view.run(path, {}, {}, {});
  EXPECT_EQ(out.status, RecordView::Status::Done);
  EXPECT_TRUE(out.badNumbers);
  EXPECT_EQ(view.lineCount(), 1);
  ASSERT_EQ(view.rowCount(), 1u);
  for (int c = 0; c < RecordView::kColumns; ++c) EXPECT_EQ(view.cell(0, c), "") << c;
  rusage usage{};
  ASSERT_EQ(getrusage(RUSAGE_SELF, &usage), 0);
  EXPECT_LT(usage.ru_maxrss, 256 * 1024) << "peak resident KiB";
}

TEST(CardIndex, FindsTheEntryFindRecordTakes) {
  apptest::TempDataFolder folder;
  std::string bytes;
  for (const CardRecord& r : {cardOf(5, "first"), cardOf(7, "seven"), cardOf(5, "second"),
                              cardOf(0, ""), cardOf(9, "after zero")})
    bytes += ClsTarjetas::encodeRecord(r);
  folder.write("VELTA.TAR", bytes);
  ClsTarjetas scan;
  scan.Iniciar(folder.file("VELTA.TAR"));
  ASSERT_EQ(scan.CargarTarjetas(), StoreLoad::Loaded);
  const CardIndex index(scan.table());
  for (double card : {5.0, 7.0, 9.0, 0.0, 4.0, -0.0}) {
    const int32_t at = index.indexOf(card);
    const int16_t found = scan.FindRecord(card);
    EXPECT_EQ(at, found < 0 ? -1 : found) << card;
    EXPECT_EQ(index.find(card) ? index.find(card)->name : "",
              found < 0 ? "" : scan.table()[static_cast<size_t>(found)].name)
        << card;
  }
}

}  // namespace

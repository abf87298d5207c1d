#include <basekit/record.h>
#include <gtest/gtest.h>

using namespace basekit;

TEST(Record, FieldsAreLittleEndianAndPacked) {
  RecordWriter w;
  w.i16(-2);
  w.i32(0x01020304);
  w.f64(1.5);
  w.text("Se\u00F1or", 8);
  w.text("truncated", 3);
  w.raw(std::string("\x00\x01", 2), 3);
  const std::string expected = std::string("\xFE\xFF\x04\x03\x02\x01", 6) +
                               std::string("\x00\x00\x00\x00\x00\x00\xF8\x3F", 8) + "Se\xF1or   " +
                               "tru" + std::string("\x00\x01 ", 3);
  EXPECT_EQ(w.bytes(), expected);
  EXPECT_EQ(w.size(), expected.size());

  RecordReader r(w.bytes());
  EXPECT_EQ(r.i16(), -2);
  EXPECT_EQ(r.i32(), 0x01020304);
  EXPECT_EQ(r.f64(), 1.5);
  EXPECT_EQ(r.text(8), "Se\u00F1or   ");
  r.skip(3);
  EXPECT_EQ(r.raw(3), std::string("\x00\x01 ", 3));
  EXPECT_EQ(r.offset(), expected.size());
  EXPECT_TRUE(r.ok());
}

TEST(Record, ShortRecordReadsZeroAndIsNotOk) {
  RecordReader r(std::string_view("\x05\x00\x07", 3));
  EXPECT_EQ(r.i16(), 5);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.i32(), 0);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.text(1), "");
  EXPECT_EQ(r.i16(), 0);
  EXPECT_FALSE(r.ok());
}

// Byte and line buffers, text helpers, Base64 and the socket layer's error texts.
#include "ByteBuffer.h"
#include "LineBuffer.h"
#include "SocketBinding.h"
#include "TextRoutines.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <netdb.h>
#include <string>
#include <vector>

using namespace remcmd;

TEST(ByteBuffer, GrowsByHalfAndShrinksBackInline) {
  ByteBuffer b;
  ASSERT_EQ(b.set(std::string(99, 'x')), 0);
  EXPECT_TRUE(b.isInline());
  EXPECT_EQ(b.capacity(), 99u);
  ASSERT_EQ(b.set(std::string(100, 'y')), 0);
  EXPECT_FALSE(b.isInline());
  EXPECT_EQ(b.capacity(), 150u);
  ASSERT_EQ(b.set(std::string(200, 'z')), 0);
  EXPECT_EQ(b.capacity(), 300u);
  ASSERT_EQ(b.set(150, nullptr), 0);
  EXPECT_EQ(b.view(), std::string(150, 'z'));
  ASSERT_EQ(b.set(10, nullptr), 0);
  EXPECT_TRUE(b.isInline());
  EXPECT_EQ(b.capacity(), 99u);
  EXPECT_EQ(std::string(b.c_str()), std::string(10, 'z'));
}

TEST(ByteBuffer, AppendDropAndSelfAppend) {
  ByteBuffer b("abc");
  b.appendDecimal(-42);
  EXPECT_EQ(b.view(), "abc-42");
  b.dropFront(2);
  b.dropLast();
  EXPECT_EQ(b.view(), "c-4");
  for (int i = 0; i < 6; ++i)
    b.append(b.view());  // grows past the inline area while reading itself
  EXPECT_EQ(b.size(), 3u * 64u);
  EXPECT_EQ(b.view().substr(0, 6), "c-4c-4");
  EXPECT_EQ(b.c_str()[b.size()], '\0');
  b.dropFront(1000);
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(b.append(nullptr, 5), 0);
}

namespace {
struct Piece {
  std::string text;
  bool eol;
};

// Feeds chunks the way the receive loop does and collects what it delivers.
std::vector<Piece> feed(LineBuffer& lb, const std::vector<std::string>& chunks, bool closeAtEnd) {
  std::vector<Piece> out;
  std::string_view p;
  for (const std::string& c : chunks) {
    std::size_t done = 0;
    while (done < c.size()) {
      LineBuffer::Room room = lb.freeRoom();
      if (room.size == 0) {
        lb.rest(p);
        out.push_back({std::string(p), false});
        continue;
      }
      const std::size_t n = std::min<std::size_t>(room.size, c.size() - done);
      std::copy_n(c.data() + done, n, room.data);
      lb.commit(static_cast<uint32_t>(n));
      done += n;
      while (lb.nextPiece(p)) out.push_back({std::string(p), true});
    }
  }
  if (closeAtEnd && lb.rest(p)) out.push_back({std::string(p), false});
  return out;
}
}  // namespace

TEST(LineBuffer, CutsLinesAcrossReceives) {
  struct Case {
    const char* name;
    std::string eol;
    uint32_t capacity;
    std::vector<std::string> chunks;
    std::vector<std::pair<std::string, bool>> expected;
  };
  const std::string big(5000, 'q');
  const std::vector<Case> cases = {
      {"crlf in one piece", "\r\n", 2048, {"a\r\nb"}, {{"a", true}, {"b", false}}},
      {"crlf split", "\r\n", 2048, {"one\r", "\ntwo\r", "\n"}, {{"one", true}, {"two", true}}},
      {"long line",
       "\n",
       2048,
       {big + "\n"},
       {{big.substr(0, 2048), false}, {big.substr(0, 2048), false}, {big.substr(0, 904), true}}},
      {"no eol", "", 2048, {"abc", "de\nf"}, {{"abc", true}, {"de\nf", true}}},
      {"capacity 0 taken as 1", "", 0, {"xy"}, {{"x", true}, {"y", true}}},
      {"rest on close", "\n", 2048, {"a\nbc"}, {{"a", true}, {"bc", false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LineBuffer lb;
    ASSERT_TRUE(lb.allocate(c.capacity));
    ASSERT_TRUE(lb.setEol(c.eol.data(), static_cast<uint32_t>(c.eol.size())));
    const std::vector<Piece> got = feed(lb, c.chunks, true);
    ASSERT_EQ(got.size(), c.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].text, c.expected[i].first) << i;
      EXPECT_EQ(got[i].eol, c.expected[i].second) << i;
    }
  }
}

TEST(LineBuffer, AddRefusesWhatDoesNotFitAndCapsCapacity) {
  LineBuffer lb;
  ASSERT_TRUE(lb.allocate(100000));
  EXPECT_EQ(lb.capacity(), 65536u);
  ASSERT_TRUE(lb.allocate(4));
  EXPECT_TRUE(lb.add("abc", 3));
  EXPECT_FALSE(lb.add("de", 2));
  EXPECT_TRUE(lb.add("d", 1));
  EXPECT_TRUE(lb.full());
  EXPECT_EQ(lb.freeRoom().size, 0u);
}

TEST(TextRoutines, Base64OfCredentials) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"u:p", "dTpw"},
      {"a", "YQ=="},
      {"ab", "YWI="},
      {"veltatest:veltatest", "dmVsdGF0ZXN0OnZlbHRhdGVzdA=="},
      {"", ""}};
  for (const auto& [in, out] : cases) {
    ByteBuffer b;
    base64Encode(in.data(), static_cast<uint32_t>(in.size()), false, b);
    EXPECT_EQ(b.view(), out) << in;
  }
  const std::string fifty(50, 'A');
  ByteBuffer wrapped;
  base64Encode(fifty.data(), 50, true, wrapped);
  EXPECT_EQ(wrapped.view().find("\r\n"), 64u);
  EXPECT_EQ(wrapped.size(), 64u + 2u + 4u);
}

TEST(TextRoutines, ParseCompareAndBoundedCopy) {
  const std::vector<std::pair<std::string, int32_t>> numbers = {
      {"12", 12}, {"12a", 12}, {"-5", -5}, {"a", 0}, {"-", 0}, {"", 0}, {"99999999999", INT32_MAX}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(parseDecimal(text), value) << text;
  EXPECT_TRUE(equalsIgnoreCase("MaxLineLength", "maxlinelength"));
  EXPECT_FALSE(equalsIgnoreCase("MaxLineLength", "MaxLineLength "));
  char target[4];
  boundedCopy(target, sizeof target, "abcdef");
  EXPECT_STREQ(target, "abc");
  boundedCopy(target, sizeof target, "x");
  EXPECT_EQ(std::string(target, 4), std::string("x\0\0\0", 4));
  EXPECT_EQ(findText("hello world", "o w"), 4u);
}

TEST(SocketBinding, ErrorTextsAndNumbering) {
  EXPECT_EQ(winsockErrorText(10061), "[10061] Connection refused");
  EXPECT_EQ(winsockErrorText(10066), "[10066] Directory not empt");
  EXPECT_EQ(winsockErrorText(12345), "[12345] (no description available)");
  const std::vector<std::pair<int, int>> errnos = {
      {ECONNREFUSED, 10061}, {EADDRINUSE, 10048},  {EACCES, 10013}, {EAGAIN, 10035},
      {EINPROGRESS, 10036},  {ECONNRESET, 10054},  {EPIPE, 10054},  {ETIMEDOUT, 10060},
      {ENOTCONN, 10057},     {EHOSTUNREACH, 10065}};
  for (const auto& [e, code] : errnos) EXPECT_EQ(winsockErrorFromErrno(e), code) << e;
  EXPECT_EQ(winsockErrorFromResolver(EAI_NONAME), 11001);
  EXPECT_EQ(winsockErrorFromResolver(EAI_AGAIN), 11002);
  EXPECT_EQ(winsockErrorFromResolver(EAI_FAIL), 11003);
}

TEST(SocketBinding, ReferenceCountedBinding) {
  ASSERT_EQ(winsockReferenceCount(), 0);
  EXPECT_EQ(socketTable().socket(AF_INET, SOCK_STREAM, 0), -1);
  EXPECT_EQ(socketTable().getLastError(), 10093);
  ASSERT_EQ(loadWinsock(), 1);
  ASSERT_EQ(loadWinsock(), 1);
  EXPECT_EQ(winsockReferenceCount(), 2);
  EXPECT_STREQ(winsockStartupData().systemStatus, "Running");
  EXPECT_FALSE(winsockPath().empty());
  unloadWinsock();
  unloadWinsock();
  EXPECT_EQ(winsockReferenceCount(), 0);
  EXPECT_STREQ(winsockStartupData().systemStatus, "Down");
  EXPECT_EQ(socketTable().socket(AF_INET, SOCK_STREAM, 0), -1);
}

// Framing and fault injection of the clock simulator, without links.
#include "wire.h"

#include "faults.h"

#include <gtest/gtest.h>

namespace clocksim {
namespace {

struct Vector {
  int model;
  std::string body;  // STX through ETX as the host sends it
  uint8_t check;
};

class HostFrameVectors : public testing::TestWithParam<Vector> {};

TEST_P(HostFrameVectors, CheckByteAndParse) {
  const Vector& v = GetParam();
  EXPECT_EQ(checkByte(v.body), v.check);

  HostFrameParser parser(v.model, 1);
  HostEvent ev;
  for (char c : v.body + static_cast<char>(v.check))
    ev = parser.feed(static_cast<unsigned char>(c));
  ASSERT_EQ(ev.kind, HostEvent::Frame);
  EXPECT_TRUE(ev.addressed);
  EXPECT_EQ(ev.command, "A");
  EXPECT_EQ(ev.frame, v.body);

  for (char c : v.body + static_cast<char>(v.check ^ 0x10))
    ev = parser.feed(static_cast<unsigned char>(c));
  EXPECT_EQ(ev.kind, HostEvent::BadFrame);
}

INSTANTIATE_TEST_SUITE_P(Models, HostFrameVectors,
                         testing::Values(Vector{0, "\x02R1A\x03", 0x23},
                                         Vector{2,
                                                "\x02"
                                                "E1A\x03",
                                                0x34},
                                         Vector{6,
                                                "\x02\x05\x01"
                                                "A\x03",
                                                0x44}),
                         [](const testing::TestParamInfo<Vector>& i) {
                           return "Model" + std::to_string(i.param.model);
                         });

TEST(HostFrameParser, OtherAddressIsNotForThisClock) {
  HostFrameParser parser(0, 2);
  HostEvent ev;
  for (char c : std::string("\x02R1A\x03\x23")) ev = parser.feed(static_cast<unsigned char>(c));
  ASSERT_EQ(ev.kind, HostEvent::Frame);
  EXPECT_FALSE(ev.addressed);
}

TEST(HostFrameParser, ModelSixLengthRulesTheBody) {
  // The count command is the byte 0x03 itself: only LEN tells it from the ETX.
  HostFrameParser parser(6, 1);
  const std::string body("\x02\x05\x01\x03\x03", 5);
  HostEvent ev;
  for (char c : body + static_cast<char>(checkByte(body)))
    ev = parser.feed(static_cast<unsigned char>(c));
  ASSERT_EQ(ev.kind, HostEvent::Frame);
  EXPECT_EQ(ev.command, "\x03");
}

TEST(ReplyFrame, ModelSixCarriesLengthAndAddress) {
  const std::string f = replyFrame(6, 3,
                                   std::string("\x03"
                                               "0012"));
  ASSERT_EQ(f.size(), 10u);
  EXPECT_EQ(f[1], 9);  // STX through ETX
  EXPECT_EQ(f[2], 3);
  EXPECT_EQ(f[8], '\x03');
  EXPECT_EQ(checkByte(f), 0);  // the check byte cancels the rest
  EXPECT_EQ(replyFrame(0, 1, "AB"), std::string("\x02"
                                                "AB\x03") +
                                        static_cast<char>(0x02 ^ 'A' ^ 'B' ^ 0x03));
}

std::vector<Shaped> run(uint32_t seed, std::vector<Fault> kinds) {
  FaultInjector inj(0.05, std::move(kinds), seed);
  std::vector<Shaped> out;
  for (int i = 0; i < 400; ++i) {
    out.push_back(inj.shape({replyFrame(0, 1, "01123123590001234"), true, 1}));
    out.push_back(inj.shape({"\x06"}));
  }
  return out;
}

TEST(FaultInjector, SameSeedSameFaults) {
  const auto a = run(7, {}), b = run(7, {}), c = run(8, {});
  size_t faulted = 0;
  bool differs = false;
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].bytes, b[i].bytes);
    EXPECT_EQ(a[i].faulted, b[i].faulted);
    faulted += a[i].faulted;
    differs |= a[i].bytes != c[i].bytes;
  }
  EXPECT_GT(faulted, 0u);
  EXPECT_TRUE(differs);
}

// Every damaging kind leaves a frame whose check byte no longer fits, whatever was hit.
TEST(FaultInjector, DamagedFramesFailTheirCheck) {
  for (Fault kind : {Fault::FlipByte, Fault::DropBodyByte, Fault::CorruptCheck}) {
    for (auto& s : run(3, {kind})) {
      if (!s.faulted || s.bytes.size() < 3) continue;
      EXPECT_EQ(s.bytes.front(), '\x02');
      EXPECT_NE(checkByte(s.bytes), 0) << static_cast<int>(kind);
    }
  }
}

}  // namespace
}  // namespace clocksim

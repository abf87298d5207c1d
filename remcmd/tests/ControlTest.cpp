// The remote-shell control's surface without a peer: result mapping and
// error information, property rules and defaults, design mode, Config, byte
// arrays and the saved properties in stream and property-bag form.
#include "PropertyStream.h"
#include "remcmd/Remcmd.h"

#include <gtest/gtest.h>

#include <functional>

using namespace remcmd;

namespace {

std::string hex(HRESULT r) {
  char b[16];
  std::snprintf(b, sizeof b, "0x%08X", static_cast<unsigned>(r));
  return b;
}

// Expects the failure and the error information it left.
void expectError(HRESULT r, uint32_t wantHr, const std::string& text, uint32_t help) {
  EXPECT_EQ(hex(r), hex(hresultOf(wantHr)));
  const auto info = takeErrorInfo();
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->description, text);
  EXPECT_EQ(info->source, "Tarnet.Remcmd.1");
  EXPECT_EQ(info->helpContext, help);
  EXPECT_EQ(info->helpFile.empty(), help == 0);
}

TEST(ResultMapping, CodesBelowAndAboveTheWinsockRange) {
  const struct {
    int32_t code;
    uint32_t hr;
  } cases[] = {{100, 0x800A4E85}, {101, 0x800A4E86}, {102, 0x800A4E87},   {104, 0x800A4E89},
               {106, 0x800A4E8B}, {112, 0x800A4E91}, {116, 0x800A4E95},   {118, 0x800A4E97},
               {301, 0x800A4F4E}, {-1, 0x800A4E20},  {10061, 0x800A61E6}, {11001, 0x800A6592}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    expectError(resultToHresult(c.code, 42104, "some text"), c.hr, "some text", 42104);
  }
  EXPECT_EQ(resultToHresult(0, 42104, "x"), 0);
  // Out of memory: its own text, never a help context.
  expectError(resultToHresult(200, 42104, "ignored"), 0x800A0007, "Out of memory.", 0);
  expectError(resultToHresult(116, 0, ""), 0x800A4E95, "No description available.", 0);
  // Descriptions are read in the system code page.
  expectError(resultToHresult(118, 1, "a\xF1o"), 0x800A4E97, "a\xC3\xB1o", 1);
}

class Control : public ::testing::Test {
 protected:
  Remcmd ctl;
  void SetUp() override { takeErrorInfo(); }
  std::string str(HRESULT (Remcmd::*get)(std::string&)) {
    std::string v = "unset";
    EXPECT_EQ((ctl.*get)(v), 0);
    return v;
  }
  int32_t num(HRESULT (Remcmd::*get)(int32_t&)) {
    int32_t v = -12345;
    EXPECT_EQ((ctl.*get)(v), 0);
    return v;
  }
  std::string config(const std::string& request, HRESULT want = 0) {
    std::string answer = "unset";
    EXPECT_EQ(hex(ctl.Config(request, answer)), hex(want)) << request;
    return answer;
  }
};

TEST_F(Control, Defaults) {
  EXPECT_EQ(num(&Remcmd::get_RemotePort), 514);
  EXPECT_EQ(num(&Remcmd::get_FirewallPort), 80);
  EXPECT_EQ(num(&Remcmd::get_LocalPort), 0);
  EXPECT_EQ(num(&Remcmd::get_BytesSent), 0);
  TFirewallType type = fwSOCKS5;
  EXPECT_EQ(ctl.get_FirewallType(type), 0);
  EXPECT_EQ(type, fwNone);
  int16_t timeout = 0;
  EXPECT_EQ(ctl.get_Timeout(timeout), 0);
  EXPECT_EQ(timeout, 60);
  for (auto get : {&Remcmd::get_Command, &Remcmd::get_ErrorMessage, &Remcmd::get_FirewallHost,
                   &Remcmd::get_FirewallPassword, &Remcmd::get_FirewallUser, &Remcmd::get_LocalUser,
                   &Remcmd::get_RemoteHost, &Remcmd::get_RemoteUser})
    EXPECT_EQ(str(get), "");
  EXPECT_EQ(str(&Remcmd::get_EOL), "\n");
  EXPECT_EQ(str(&Remcmd::get_ErrEOL), "\n");
  bool connected = true;
  EXPECT_EQ(ctl.get_Connected(connected), 0);
  EXPECT_FALSE(connected);
  ByteArray b;
  EXPECT_EQ(ctl.get_StdoutTextB(b), 0);
  EXPECT_TRUE(b.empty());
}

TEST_F(Control, FirewallTypeSetsThePort) {
  const struct {
    int32_t type;
    int32_t port;
  } cases[] = {{fwSOCKS5, 1080}, {fwNone, 80}, {fwSOCKS4, 1080}, {fwTunnel, 80}};
  for (const auto& c : cases) {
    ASSERT_EQ(ctl.put_FirewallType(c.type), 0);
    EXPECT_EQ(num(&Remcmd::get_FirewallPort), c.port) << c.type;
  }
  ASSERT_EQ(ctl.put_FirewallPort(3128), 0);
  EXPECT_EQ(num(&Remcmd::get_FirewallPort), 3128);
  for (int32_t bad : {-1, 4}) {
    expectError(ctl.put_FirewallType(bad), 0x800A017C, "Value is out of range.", 22110);
    EXPECT_EQ(num(&Remcmd::get_FirewallPort), 3128);
  }
}

TEST_F(Control, PortsOutside16BitsAreRefused) {
  const struct {
    HRESULT (Remcmd::*put)(int32_t);
    HRESULT (Remcmd::*get)(int32_t&);
    uint32_t help;
  } ports[] = {{&Remcmd::put_RemotePort, &Remcmd::get_RemotePort, 22116},
               {&Remcmd::put_LocalPort, &Remcmd::get_LocalPort, 22113},
               {&Remcmd::put_FirewallPort, &Remcmd::get_FirewallPort, 22109}};
  for (const auto& p : ports) {
    ASSERT_EQ((ctl.*p.put)(65535), 0);
    for (int32_t bad : {-1, 65536, 70000}) {
      expectError((ctl.*p.put)(bad), 0x800A017C, "Value is out of range.", p.help);
      EXPECT_EQ(num(p.get), 65535);
    }
    ASSERT_EQ((ctl.*p.put)(0), 0);
  }
}

TEST_F(Control, TextProperties) {
  // RemoteUser fills an empty LocalUser only.
  ASSERT_EQ(ctl.put_RemoteUser("veltatest"), 0);
  EXPECT_EQ(str(&Remcmd::get_LocalUser), "veltatest");
  ASSERT_EQ(ctl.put_LocalUser("root"), 0);
  ASSERT_EQ(ctl.put_RemoteUser("other"), 0);
  EXPECT_EQ(str(&Remcmd::get_LocalUser), "root");
  EXPECT_EQ(str(&Remcmd::get_RemoteUser), "other");

  // Names resolve at once without a firewall; with one the text stays.
  ASSERT_EQ(ctl.put_RemoteHost("localhost"), 0);
  EXPECT_EQ(str(&Remcmd::get_RemoteHost), "127.0.0.1");
  ASSERT_EQ(ctl.put_FirewallHost("localhost"), 0);
  EXPECT_EQ(str(&Remcmd::get_FirewallHost), "127.0.0.1");
  ASSERT_EQ(ctl.put_FirewallHost(""), 0);
  EXPECT_EQ(str(&Remcmd::get_FirewallHost), "");
  ASSERT_EQ(ctl.put_FirewallType(fwTunnel), 0);
  ASSERT_EQ(ctl.put_RemoteHost("localhost"), 0);
  EXPECT_EQ(str(&Remcmd::get_RemoteHost), "localhost");
  ASSERT_EQ(ctl.put_FirewallType(fwNone), 0);
  const HRESULT unresolved = ctl.put_RemoteHost("no-such-host.invalid");
  EXPECT_TRUE(hex(unresolved) == "0x800A6592" || hex(unresolved) == "0x800A6593")
      << hex(unresolved);

  // Firewall credentials keep 255 bytes.
  ASSERT_EQ(ctl.put_FirewallPassword(std::string(300, 'p')), 0);
  EXPECT_EQ(str(&Remcmd::get_FirewallPassword), std::string(255, 'p'));
  ASSERT_EQ(ctl.put_FirewallUser(std::string(256, 'u')), 0);
  EXPECT_EQ(str(&Remcmd::get_FirewallUser), std::string(255, 'u'));

  int16_t t = -1;
  for (int16_t set : {0, 5, -3}) {
    ASSERT_EQ(ctl.put_Timeout(set), 0);
    ASSERT_EQ(ctl.get_Timeout(t), 0);
    EXPECT_EQ(t, set);
  }

  // Line terminators: exact bytes both ways, NULs included.
  ASSERT_EQ(ctl.put_EOL("\r\n"), 0);
  ByteArray eol;
  ASSERT_EQ(ctl.get_EOLB(eol), 0);
  EXPECT_EQ(eol, (ByteArray{13, 10}));
  ASSERT_EQ(ctl.put_ErrEOLB(ByteArray{0, '|'}), 0);
  EXPECT_EQ(str(&Remcmd::get_ErrEOL), std::string("\0|", 2));
  ASSERT_EQ(ctl.put_EOLB({}), 0);
  ASSERT_EQ(ctl.get_EOLB(eol), 0);
  EXPECT_TRUE(eol.empty());
}

TEST_F(Control, CodePageConvertsEveryText) {
  ASSERT_EQ(ctl.put_LocalUser("Jos\xC3\xA9"), 0);  // Windows-1252 by default
  EXPECT_EQ(str(&Remcmd::get_LocalUser), "Jos\xC3\xA9");
  ASSERT_EQ(ctl.put_EOL("\xE2\x82\xAC"), 0);
  ByteArray b;
  ASSERT_EQ(ctl.get_EOLB(b), 0);
  EXPECT_EQ(b, ByteArray{0x80});
  ASSERT_EQ(ctl.put_EOL("\xE4\xB8\xAD"), 0);  // no such letter: the platform's "?"
  ASSERT_EQ(ctl.get_EOLB(b), 0);
  EXPECT_EQ(b, ByteArray{'?'});
  // The five bytes Windows-1252 leaves undefined keep their C1 letters both ways.
  for (const uint8_t undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    SCOPED_TRACE(int(undefined));
    const std::string letter = {char(0xC2), char(undefined)};
    ASSERT_EQ(ctl.put_EOLB({undefined}), 0);
    EXPECT_EQ(str(&Remcmd::get_EOL), letter);
    ASSERT_EQ(ctl.put_EOL(letter), 0);
    ASSERT_EQ(ctl.get_EOLB(b), 0);
    EXPECT_EQ(b, ByteArray{undefined});
  }
  config("CodePage=65001");
  ASSERT_EQ(ctl.put_EOL("\xE4\xB8\xAD"), 0);
  ASSERT_EQ(ctl.get_EOLB(b), 0);
  EXPECT_EQ(b, (ByteArray{0xE4, 0xB8, 0xAD}));
  ASSERT_EQ(ctl.put_EOLB({0xFF}), 0);  // no UTF-8: the replacement letter
  EXPECT_EQ(str(&Remcmd::get_EOL), "\xEF\xBF\xBD");
}

TEST_F(Control, ReadOnlyWriteOnlyAndDesignMode) {
  expectError(ctl.put_BytesSent(1), 0x800A017F, "Property is read-only.", 22101);
  expectError(ctl.put_ErrorMessage("x"), 0x800A017F, "Property is read-only.", 22106);
  expectError(ctl.put_StdoutTextB({1}), 0x800A017F, "Property is read-only.", 32106);
  expectError(ctl.put_StderrTextB({1}), 0x800A017F, "Property is read-only.", 32105);
  std::string s;
  ByteArray b;
  expectError(ctl.get_Stdin(s), 0x800A018A, "Property is write-only.", 22118);
  expectError(ctl.get_StdinB(b), 0x800A018A, "Property is write-only.", 22103);
  bool on = true;
  EXPECT_EQ(ctl.put_Connected(true), 0);
  EXPECT_EQ(ctl.get_Connected(on), 0);
  EXPECT_FALSE(on);

  ctl.setUserMode(false);
  int32_t n = 0;
  // Each refusal carries the member's help context, like every other failure.
  const struct {
    const char* name;
    std::function<HRESULT()> call;
    uint32_t help;
  } refused[] = {
      {"BytesSent", [&] { return ctl.get_BytesSent(n); }, 22101},
      {"Connected", [&] { return ctl.get_Connected(on); }, 22103},
      {"EOL", [&] { return ctl.get_EOL(s); }, 22104},
      {"ErrEOL", [&] { return ctl.get_ErrEOL(s); }, 22105},
      {"LocalPort", [&] { return ctl.get_LocalPort(n); }, 22113},
      {"RemotePort", [&] { return ctl.get_RemotePort(n); }, 22116},
      {"EOLB", [&] { return ctl.get_EOLB(b); }, 22101},
      {"ErrEOLB", [&] { return ctl.get_ErrEOLB(b); }, 22102},
      {"StdinB", [&] { return ctl.get_StdinB(b); }, 22103},
      {"StderrTextB get", [&] { return ctl.get_StderrTextB(b); }, 32105},
      {"StderrTextB put", [&] { return ctl.put_StderrTextB({}); }, 32105},
      {"StdoutTextB get", [&] { return ctl.get_StdoutTextB(b); }, 32106},
      {"StdoutTextB put", [&] { return ctl.put_StdoutTextB({}); }, 32106},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.name);
    expectError(r.call(), 0x800A018A, "Property is runtime only (no supported in design time).",
                r.help);
  }
  // The saved properties work in design mode.
  EXPECT_EQ(ctl.put_RemotePort(600), 0);
  EXPECT_EQ(ctl.put_FirewallType(fwSOCKS4), 0);
  std::vector<uint8_t> stream;
  EXPECT_EQ(ctl.Save(stream), 0);
  EXPECT_EQ(ctl.Load(stream.data(), stream.size()), 0);
  expectError(ctl.get_Stdin(s), 0x800A018A, "Property is write-only.", 22118);
}

TEST_F(Control, SendsWithoutAConnectionReportTheirOwnError) {
  const struct {
    const char* name;
    std::function<HRESULT(Remcmd&)> send;
    uint32_t help;
  } cases[] = {{"Send", [](Remcmd& c) { return c.Send("x"); }, 42105},
               {"Stdin", [](Remcmd& c) { return c.put_Stdin("x"); }, 22118},
               {"StdinB", [](Remcmd& c) { return c.put_StdinB({'x'}); }, 22103}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // A failure just before leaves its text in the engine.
    expectError(ctl.Execute("ls"), 0x800A4E87, "The RemoteHost address is invalid (0.0.0.0).",
                42104);
    expectError(c.send(ctl), 0x800A61E2, "[10057] Socket is not connected", c.help);
    EXPECT_EQ(num(&Remcmd::get_BytesSent), 0);
  }
}

TEST_F(Control, ConfigTable) {
  const struct {
    const char* request;
    uint32_t hr;
    const char* answer;
    const char* query;  // read back afterwards, when given
    const char* readBack;
  } cases[] = {
      {"maxlinelength", 0, "2048", nullptr, nullptr},
      {"MaxLineLength ", 0x800A4E20, "", nullptr, nullptr},
      {"MaxLineLength=100000", 0, "", "MaxLineLength", "65536"},
      {"MaxLineLength=-5", 0, "", "MaxLineLength", "65536"},
      {"MaxLineLength=512", 0, "", "MAXLINELENGTH", "512"},
      {"AbsoluteTimeout", 0, "False", nullptr, nullptr},
      {"AbsoluteTimeout=YES", 0, "", "AbsoluteTimeout", "True"},
      {"AbsoluteTimeout=on", 0, "", "AbsoluteTimeout", "False"},
      {"AbsoluteTimeout=1", 0, "", "AbsoluteTimeout", "True"},
      {"CodePage", 0, "0", nullptr, nullptr},
      {"CodePage=1252x", 0, "", "CodePage", "1252"},
      {"CodePage=x", 0, "", "CodePage", "0"},
      {"CodePage=12x", 0x800A017C, "", "CodePage", "0"},  // iconv knows no CP12
      {"CharsetMode", 0, "0", nullptr, nullptr},
      {"CharsetMode=300", 0, "", "CharsetMode", "44"},
      {"CharsetMode=200", 0, "", "CharsetMode", "-56"},
      {"FirewallData=anything", 0, "", "FirewallData", ""},
      {"SocketHandle", 0, "-1", nullptr, nullptr},
      {"SocketHandle=3", 0x800A4E20, "", nullptr, nullptr},
      {"WinsockLoaded", 0, "True", nullptr, nullptr},
      {"WinsockLoaded=False", 0x800A4E20, "", nullptr, nullptr},
      {"WinsockStatus", 0, "Running", nullptr, nullptr},
      {"WinsockInfo", 0, "Velta POSIX socket layer 1.1", nullptr, nullptr},
      {"WinsockMaxDatagramSize", 0, "65507", nullptr, nullptr},
      {"InBufferSize", 0, "2048", nullptr, nullptr},
      {"InBufferSize=8192", 0, "", "InBufferSize", "8192"},
      {"OutBufferSize=4096", 0, "", "OutBufferSize", "4096"},
      {"FirewallData=a=b", 0, "", nullptr, nullptr},
      {"NoSuchSetting", 0x800A4E20, "", nullptr, nullptr},
      {"", 0x800A4E20, "", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    EXPECT_EQ(config(c.request, hresultOf(c.hr)), c.answer);
    if (c.hr == 0x800A4E20) expectError(hresultOf(c.hr), c.hr, "Unknown config setting.", 42101);
    takeErrorInfo();
    if (c.query) {
      EXPECT_EQ(config(c.query), c.readBack);
    }
  }
  EXPECT_NE(config("WinsockPath"), "");
  EXPECT_NE(config("WinsockMaxSockets"), "0");
}

TEST_F(Control, ConfigUnknownNameLeavesItsErrorInformation) {
  std::string answer;
  expectError(ctl.Config("Nope", answer), 0x800A4E20, "Unknown config setting.", 42101);
}

// The stream of a new control, byte by byte.
std::vector<uint8_t> newControlStream() {
  std::vector<uint8_t> s = {0x00, 0x03, 0x00, 0x00};
  auto emptyText = [&] { s.insert(s.end(), {8, 0, 2, 0, 0, 0, 0, 0}); };
  emptyText();                             // FirewallHost
  emptyText();                             // FirewallPassword
  s.insert(s.end(), {3, 0, 80, 0, 0, 0});  // FirewallPort
  s.insert(s.end(), {3, 0, 0, 0, 0, 0});   // FirewallType
  for (int i = 0; i < 4; ++i)              // FirewallUser, LocalUser, RemoteHost, RemoteUser
    emptyText();
  s.insert(s.end(), {2, 0, 60, 0});  // Timeout
  return s;
}

TEST_F(Control, NewControlSaves68Bytes) {
  std::vector<uint8_t> stream;
  ASSERT_EQ(ctl.Save(stream), 0);
  EXPECT_EQ(stream.size(), 68u);
  EXPECT_EQ(stream, newControlStream());
}

TEST_F(Control, StreamRoundTripKeepsACustomFirewallPort) {
  ASSERT_EQ(ctl.put_FirewallType(fwSOCKS5), 0);
  ASSERT_EQ(ctl.put_FirewallPort(1081), 0);
  ASSERT_EQ(ctl.put_FirewallHost("127.0.0.1"), 0);
  ASSERT_EQ(ctl.put_FirewallUser("fw\xC3\xBC"), 0);
  ASSERT_EQ(ctl.put_FirewallPassword("secret"), 0);
  ASSERT_EQ(ctl.put_RemoteHost("rsh.example"), 0);
  ASSERT_EQ(ctl.put_RemoteUser("veltatest"), 0);
  ASSERT_EQ(ctl.put_Timeout(7), 0);
  std::vector<uint8_t> stream;
  ASSERT_EQ(ctl.Save(stream), 0);
  PropertyBag bag;
  ASSERT_EQ(ctl.Save(bag), 0);

  for (bool viaBag : {false, true}) {
    SCOPED_TRACE(viaBag ? "property bag" : "stream");
    Remcmd other;
    ASSERT_EQ(viaBag ? other.Load(bag) : other.Load(stream.data(), stream.size()), 0);
    int32_t port = 0;
    TFirewallType type = fwNone;
    int16_t timeout = 0;
    std::string s;
    ASSERT_EQ(other.get_FirewallPort(port), 0);
    EXPECT_EQ(port, 1081);
    ASSERT_EQ(other.get_FirewallType(type), 0);
    EXPECT_EQ(type, fwSOCKS5);
    ASSERT_EQ(other.get_Timeout(timeout), 0);
    EXPECT_EQ(timeout, 7);
    const std::pair<HRESULT (Remcmd::*)(std::string&), const char*> texts[] = {
        {&Remcmd::get_FirewallHost, "127.0.0.1"},  {&Remcmd::get_FirewallUser, "fw\xC3\xBC"},
        {&Remcmd::get_FirewallPassword, "secret"}, {&Remcmd::get_RemoteHost, "rsh.example"},
        {&Remcmd::get_RemoteUser, "veltatest"},    {&Remcmd::get_LocalUser, "veltatest"}};
    for (const auto& [get, want] : texts) {
      ASSERT_EQ((other.*get)(s), 0);
      EXPECT_EQ(s, want);
    }
    std::vector<uint8_t> again;
    ASSERT_EQ(other.Save(again), 0);
    EXPECT_EQ(again, stream);
  }
}

TEST_F(Control, LoadedRemoteUserFillsAnEmptyLocalUser) {
  // A stream whose LocalUser is empty and whose RemoteUser is "ab".
  std::vector<uint8_t> s = newControlStream();
  s.resize(s.size() - 4 - 8);
  s.insert(s.end(), {8, 0, 6, 0, 0, 0, 'a', 0, 'b', 0, 0, 0, 2, 0, 60, 0});
  ASSERT_EQ(ctl.Load(s.data(), s.size()), 0);
  EXPECT_EQ(str(&Remcmd::get_LocalUser), "ab");
  EXPECT_EQ(str(&Remcmd::get_RemoteUser), "ab");
}

TEST_F(Control, DamagedStreamsFailAndChangeNothing) {
  const std::vector<uint8_t> good = newControlStream();
  auto with = [&](std::size_t at, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> s = good;
    std::copy(bytes.begin(), bytes.end(), s.begin() + static_cast<long>(at));
    return s;
  };
  // Timeout saved as a 32-bit number: 60 loads, 70000 does not fit its 16 bits.
  auto timeoutAs32 = [&](std::vector<uint8_t> value) {
    std::vector<uint8_t> s(good.begin(), good.end() - 4);
    s.insert(s.end(), {3, 0});
    s.insert(s.end(), value.begin(), value.end());
    return s;
  };
  const std::vector<uint8_t> timeout60 = timeoutAs32({60, 0, 0, 0});
  EXPECT_EQ(ctl.Load(timeout60.data(), timeout60.size()), 0);
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
      {"timeout beyond 16 bits", timeoutAs32({0x70, 0x11, 0x01, 0x00})},
      {"empty", {}},
      {"format above 768", with(0, {0x01, 0x03})},
      {"cut in the middle", std::vector<uint8_t>(good.begin(), good.begin() + 40)},
      {"cut before the last byte", std::vector<uint8_t>(good.begin(), good.end() - 1)},
      {"odd byte count", with(6, {3})},
      {"count past the end", with(6, {0xFF, 0xFF, 0xFF, 0x7F})},
      {"no terminator", with(10, {'x', 0})},
      {"unknown tag", with(4, {9})},
      {"number where text belongs", with(4, {3})},
      {"broken UTF-16", with(4, {8, 0, 4, 0, 0, 0, 0x00, 0xDC, 0, 0})},
  };
  ASSERT_EQ(ctl.put_RemotePort(600), 0);
  ASSERT_EQ(ctl.put_FirewallType(fwTunnel), 0);
  for (const auto& [name, stream] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(hex(ctl.Load(stream.data(), stream.size())), hex(hr::kFail));
    TFirewallType type = fwNone;
    ASSERT_EQ(ctl.get_FirewallType(type), 0);
    EXPECT_EQ(type, fwTunnel);
  }
  // An older format word is read; bytes after the properties belong to the host.
  std::vector<uint8_t> older = with(0, {0x00, 0x02});
  older.push_back(0xAA);
  EXPECT_EQ(ctl.Load(older.data(), older.size()), 0);
}

TEST_F(Control, PropertyBagChecksTypesAndSkipsMissingNames) {
  ASSERT_EQ(ctl.put_RemoteUser("keep"), 0);
  PropertyBag bag = {{"FirewallType", std::string("2")},
                     {"FirewallPort", int32_t{1090}},
                     {"Timeout", std::string("9")}};
  ASSERT_EQ(ctl.Load(bag), 0);
  EXPECT_EQ(num(&Remcmd::get_FirewallPort), 1090);
  EXPECT_EQ(str(&Remcmd::get_RemoteUser), "keep");
  bag = {{"Timeout", std::string("soon")}, {"FirewallType", int32_t{0}}};
  EXPECT_EQ(ctl.Load(bag), hr::kFail);
  EXPECT_EQ(num(&Remcmd::get_FirewallPort), 1090);
  bag = {{"Timeout", int32_t{70000}}};
  EXPECT_EQ(ctl.Load(bag), hr::kFail);
}

}  // namespace

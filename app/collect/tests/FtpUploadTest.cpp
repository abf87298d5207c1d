// FtpUpload against a real FTP server (pyftpdlib) and proxy (tinyproxy) on 127.0.0.1.
#include "collect/FtpUpload.h"

#include "core/ClsCfgFile.h"
#include "core/MessagesExtra.h"
#include "testsupport/AppTestSupport.h"
#include "testsupport/FtpServerFixture.h"
#include "testsupport/SilentListener.h"
#include "testsupport/TinyproxyFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

using apptest::FtpServerFixture;
using collect::FtpResult;
using collect::FtpSettings;
using collect::FtpUpload;

namespace {

const std::string kSecret = "s3cr3t-Pw";
// CR LF lines, then a bare LF and a lone CR: a text transfer must send each as it stands.
const std::string kPunches = "0001;2026-12-10;08:00\r\n0002;2026-12-10;08:01\r\n0003\n0004\r0005";

struct Case {
  const char* name;
  FtpServerFixture::Options server;
  std::function<void(FtpSettings&, const FtpServerFixture&)> setup;
  std::string remoteName = "REGIS.MIR";
  bool done = true;
  const char* step = "";
  long code = 0;
  const char* replyStart = "";
  std::function<void(const FtpServerFixture&)> check;
};

bool contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

class FtpUploadTest : public ::testing::Test {
 protected:
  apptest::TempDataFolder data;

  static FtpSettings settingsAt(uint16_t port) {
    FtpSettings s;
    s.url = "127.0.0.1";
    // A port above 32767 arrives negative, as the settings store it.
    s.remotePort = static_cast<int16_t>(port);
    s.modoPasivo = 1;
    return s;
  }
  static FtpSettings settingsFor(const FtpServerFixture& server) {
    return settingsAt(server.port());
  }
};

TEST_F(FtpUploadTest, RealServerTable) {
  const auto anonymousWritable = FtpServerFixture::Options{};
  const auto account = FtpServerFixture::Options{true, "velta", kSecret};
  const std::vector<Case> cases = {
      {"anonymous", anonymousWritable, [](FtpSettings&, auto&) {}, "REGIS.MIR", true, "", 0, "",
       [](const FtpServerFixture& f) {
         EXPECT_TRUE(contains(f.commands(), "USER anonymous"));
         EXPECT_EQ(f.count("CWD"), 0);
         EXPECT_EQ(f.count("STOR"), 1);
       }},
      {"user and password", account,
       [](FtpSettings& s, auto&) {
         s.username = "velta";
         s.password = kSecret;
       },
       "REGIS.MIR", true, "", 0, "",
       [](const FtpServerFixture& f) { EXPECT_TRUE(contains(f.commands(), "USER velta")); }},
      {"user with empty password", anonymousWritable,
       [](FtpSettings& s, auto&) { s.username = "anonymous"; }, "REGIS.MIR", true, "", 0, "",
       [](const FtpServerFixture& f) {
         const auto c = f.commands();
         ASSERT_GE(c.size(), 2u);
         EXPECT_EQ(c[0], "USER anonymous");
         EXPECT_EQ(c[1].substr(0, 4), "PASS");
       }},
      {"wrong password", account,
       [](FtpSettings& s, auto&) {
         s.username = "velta";
         s.password = "nope";
       },
       "REGIS.MIR", false, "InternetConnect", 67, "530", nullptr},
      {"folder missing", anonymousWritable, [](FtpSettings& s, auto&) { s.path = "nothere"; },
       "REGIS.MIR", false, "SetCurrentDirectory", 21, "550",
       [](const FtpServerFixture& f) { EXPECT_EQ(f.count("STOR"), 0); }},
      {"folder present", anonymousWritable,
       [](FtpSettings& s, const FtpServerFixture& f) {
         std::filesystem::create_directories(f.root() + "in/box");
         s.path = "in/box";
       },
       "A B.MIR", true, "", 0, "",
       [](const FtpServerFixture& f) {
         EXPECT_EQ(f.count("CWD"), 1);
         EXPECT_TRUE(contains(f.commands(), "CWD in/box"));
         EXPECT_TRUE(contains(f.commands(), "STOR A B.MIR"));
         EXPECT_FALSE(f.fileAt("in/box/A B.MIR").empty());
       }},
      {"read-only server", FtpServerFixture::Options{false, "", ""}, [](FtpSettings&, auto&) {},
       "REGIS.MIR", false, "FtpPutFile", 25, "550", nullptr},
      {"active", anonymousWritable, [](FtpSettings& s, auto&) { s.modoPasivo = 0; }, "REGIS.MIR",
       true, "", 0, "",
       [](const FtpServerFixture& f) {
         EXPECT_EQ(f.count("PORT"), 1);
         EXPECT_EQ(f.count("PASV") + f.count("EPSV") + f.count("EPRT"), 0);
       }},
      {"mode 2 is active", anonymousWritable, [](FtpSettings& s, auto&) { s.modoPasivo = 2; },
       "REGIS.MIR", true, "", 0, "",
       [](const FtpServerFixture& f) { EXPECT_EQ(f.count("PORT"), 1); }},
      {"passive, text", anonymousWritable, [](FtpSettings&, auto&) {}, "REGIS.MIR", true, "", 0, "",
       [](const FtpServerFixture& f) {
         EXPECT_EQ(f.count("PASV"), 1);
         EXPECT_EQ(f.count("EPSV"), 0);
         EXPECT_TRUE(contains(f.commands(), "TYPE A"));
         // The server stores a text transfer with its own line ends.
         EXPECT_EQ(f.fileAt("REGIS.MIR"),
                   "0001;2026-12-10;08:00\n0002;2026-12-10;08:01\n0003\n0004\r0005");
       }},
      {"binary", anonymousWritable, [](FtpSettings& s, auto&) { s.transferBinary = 1; },
       "REGIS.MIR", true, "", 0, "",
       [](const FtpServerFixture& f) {
         EXPECT_TRUE(contains(f.commands(), "TYPE I"));
         EXPECT_EQ(f.fileAt("REGIS.MIR"), kPunches);
       }},
      {"missing local file", anonymousWritable, [](FtpSettings&, auto&) {}, "NONE.MIR", false,
       "FtpPutFile", 26, "", [](const FtpServerFixture& f) { EXPECT_TRUE(f.commands().empty()); }},
      // The file layer never ships what a link names.
      {"local file is a link", anonymousWritable,
       [this](FtpSettings&, auto&) {
         std::filesystem::remove(data.file("LINK.MIR"));
         std::filesystem::create_symlink(data.file("REGIS.MIR"), data.file("LINK.MIR"));
       },
       "LINK.MIR", false, "FtpPutFile", 26, "",
       [this](const FtpServerFixture& f) {
         EXPECT_TRUE(f.commands().empty());
         EXPECT_TRUE(f.fileAt("LINK.MIR").empty());
         EXPECT_TRUE(std::filesystem::is_symlink(data.file("LINK.MIR")));
       }},
      {"unsafe folder", anonymousWritable,
       [](FtpSettings& s, auto&) { s.path = "in\r\nDELE REGIS.MIR"; }, "REGIS.MIR", false,
       "SetCurrentDirectory", 0, "Caracter no permitido",
       [](const FtpServerFixture& f) { EXPECT_TRUE(f.commands().empty()); }},
      {"name with a slash", anonymousWritable, [](FtpSettings&, auto&) {}, "../REGIS.MIR", false,
       "FtpPutFile", 0, "Caracter no permitido",
       [](const FtpServerFixture& f) { EXPECT_TRUE(f.commands().empty()); }},
      {"name with a backslash", anonymousWritable, [](FtpSettings&, auto&) {}, "a\\REGIS.MIR",
       false, "FtpPutFile", 0, "Caracter no permitido", nullptr},
      {"name with a line break", anonymousWritable, [](FtpSettings&, auto&) {},
       "REGIS.MIR\r\nDELE x", false, "FtpPutFile", 0, "Caracter no permitido",
       [](const FtpServerFixture& f) { EXPECT_TRUE(f.commands().empty()); }},
      {"host is no host name", anonymousWritable,
       [](FtpSettings& s, auto&) { s.url = "user@127.0.0.1/x"; }, "REGIS.MIR", false,
       "InternetConnect", 3, "",
       [](const FtpServerFixture& f) { EXPECT_TRUE(f.commands().empty()); }},
      {"proxy not listening", anonymousWritable,
       [](FtpSettings& s, auto&) {
         s.proxy = "http://velta:" + kSecret +
                   "@127.0.0.1:" + std::to_string(apptest::freeLoopbackPort());
       },
       "REGIS.MIR", false, "InternetConnect", 7, "",
       [](const FtpServerFixture& f) { EXPECT_TRUE(f.commands().empty()); }},
      {"proxy text refused", anonymousWritable,
       [](FtpSettings& s, auto&) { s.proxy = "gopher://127.0.0.1:1"; }, "REGIS.MIR", false,
       "InternetOpen", 1, "", nullptr},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FtpServerFixture server(c.server);
    ASSERT_TRUE(server.started());
    data.write("REGIS.MIR", kPunches);
    data.write("A B.MIR", kPunches);
    FtpSettings s = settingsFor(server);
    c.setup(s, server);
    FtpUpload upload;
    const FtpResult r =
        upload.run(s, collect::ftpLocalFile(data.path(), c.remoteName), c.remoteName);
    EXPECT_EQ(r.done, c.done) << r.errorText();
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.step, c.step);
    EXPECT_EQ(r.extendedError, c.code);
    EXPECT_EQ(r.reply.substr(0, std::string(c.replyStart).size()), c.replyStart);
    if (!c.done) {
      EXPECT_FALSE(r.reply.empty());
    }
    EXPECT_EQ(r.errorText().find(kSecret), std::string::npos);
    if (c.check) c.check(server);
  }
}

TEST_F(FtpUploadTest, NothingListening) {
  data.write("REGIS.MIR", kPunches);
  const uint16_t port = apptest::freeLoopbackPort();
  // A bare IPv6 address is a host too: it fails at connecting, not as a malformed URL.
  for (const char* host : {"127.0.0.1", "::1"}) {
    SCOPED_TRACE(host);
    FtpSettings s = settingsAt(port);
    s.url = host;
    const FtpResult r = FtpUpload().run(s, data.file("REGIS.MIR"), "REGIS.MIR");
    EXPECT_EQ(r.step, "InternetConnect");
    EXPECT_EQ(r.extendedError, 7);
    EXPECT_FALSE(r.reply.empty());  // libcurl's text, the server said nothing
  }
}

TEST_F(FtpUploadTest, SilentListenerEndsAtTheReplyLimit) {
  apptest::SilentListener listener;  // connects, never greets
  ASSERT_NE(listener.port(), 0);
  FtpSettings s = settingsAt(listener.port());
  data.write("REGIS.MIR", kPunches);
  FtpUpload upload;
  upload.replyLimit = std::chrono::seconds(2);
  const FtpResult r = upload.run(s, data.file("REGIS.MIR"), "REGIS.MIR");
  EXPECT_EQ(r.step, "InternetConnect");
  EXPECT_EQ(r.extendedError, 28);
}

// A failure the server gave no reply for is worded from libcurl's kind of failure in the
// language of the settings, never in libcurl's English.
TEST_F(FtpUploadTest, AFailureWithNoReplyIsWordedInTheLanguage) {
  data.write("REGIS.MIR", kPunches);
  apptest::SilentListener silent;  // connects, never greets
  ASSERT_NE(silent.port(), 0);
  const uint16_t closed = apptest::freeLoopbackPort();
  struct Case {
    const char* name;
    std::function<void(FtpSettings&)> setup;
    long code;
    ExtraMsg reason;
  };
  const Case cases[] = {
      {"nothing listening", [](FtpSettings&) {}, 7, ExtraMsg::FtpNoConnection},
      {"a server that never greets",
       [&silent](FtpSettings& s) { s.remotePort = static_cast<int16_t>(silent.port()); }, 28,
       ExtraMsg::FtpTimedOut},
      {"no host name", [](FtpSettings& s) { s.url = "user@127.0.0.1/x"; }, 3,
       ExtraMsg::FtpBadServerName},
      {"a proxy of another kind", [](FtpSettings& s) { s.proxy = "gopher://127.0.0.1:1"; }, 1,
       ExtraMsg::FtpBadProxy},
  };
  ClsCfgFile& cfg = apptest::objects().createSettings();
  for (const int lenguaje : {0, 2000}) {
    cfg.LENGUAJE = static_cast<int16_t>(lenguaje);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(lenguaje));
      FtpSettings s = settingsAt(closed);
      c.setup(s);
      FtpUpload upload;
      upload.replyLimit = std::chrono::seconds(2);
      const FtpResult r = upload.run(s, data.file("REGIS.MIR"), "REGIS.MIR");
      EXPECT_EQ(r.extendedError, c.code);
      EXPECT_EQ(r.reply, GetExtraMsgIn(c.reason, lenguaje));
    }
  }
}

TEST_F(FtpUploadTest, ThroughAnHttpProxy) {
  apptest::TinyproxyFixture proxy;
  ASSERT_TRUE(proxy.started());
  FtpServerFixture server;
  ASSERT_TRUE(server.started());
  FtpSettings s = settingsFor(server);
  s.transferBinary = 1;
  s.proxy = "127.0.0.1:" + std::to_string(proxy.port());
  data.write("REGIS.MIR", kPunches);
  const FtpResult r = FtpUpload().run(s, data.file("REGIS.MIR"), "REGIS.MIR");
  EXPECT_TRUE(r.done) << r.errorText();
  EXPECT_EQ(server.fileAt("REGIS.MIR"), kPunches);
  EXPECT_NE(proxy.log().find("CONNECT"), std::string::npos);
}

TEST_F(FtpUploadTest, CancelFromThePumpEndsAtOnce) {
  FtpServerFixture server;
  ASSERT_TRUE(server.started());
  FtpSettings s = settingsFor(server);
  data.write("REGIS.MIR", kPunches);
  FtpUpload upload;
  upload.pump = [&upload] { upload.cancel(); };
  const FtpResult r = upload.run(s, data.file("REGIS.MIR"), "REGIS.MIR");
  EXPECT_TRUE(r.cancelled);
  EXPECT_FALSE(r.done);
  EXPECT_EQ(server.count("STOR"), 0);
}

TEST_F(FtpUploadTest, PasswordNeverOnStandardError) {
  FtpServerFixture server({true, "velta", kSecret});
  ASSERT_TRUE(server.started());
  data.write("REGIS.MIR", kPunches);
  const std::string errFile = data.file("stderr.txt");
  std::fflush(stderr);
  const int saved = ::dup(2);
  FILE* capture = std::fopen(errFile.c_str(), "w");
  ::dup2(::fileno(capture), 2);
  for (const std::string& password : {kSecret, kSecret + "x"}) {
    FtpSettings s = settingsFor(server);
    s.username = "velta";
    s.password = password;
    FtpUpload().run(s, data.file("REGIS.MIR"), "REGIS.MIR");
  }
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  std::fclose(capture);
  EXPECT_EQ(data.read("stderr.txt").find(kSecret), std::string::npos);
  EXPECT_EQ(server.count("STOR"), 1);
}

}  // namespace

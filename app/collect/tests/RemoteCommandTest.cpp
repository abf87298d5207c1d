// The remote command's line and its refusal of anything a shell would read as more than the
// plain words it expects.
#include "collect/RemoteCommand.h"

#include "Peers.h"

#include <gtest/gtest.h>

#include <vector>

using collect::RemoteCommand;
using collect::RshSettings;

namespace {

RshSettings prd() { return {"127.0.0.1", "veltatest", "/usr/bin/", "PRD", "00"}; }

TEST(RemoteCommandLine, BuiltWithSingleBlanksWhereTheFixedTextsHaveThem) {
  EXPECT_EQ(collect::rshCommandLine(prd(), "x.txt"),
            "/usr/bin/sapevt ZHRMARCAS -p x.txt -t name=PRD nr=00");
  RshSettings windows = prd();
  windows.pathEvt = "C:\\sap\\R3P\\exe\\";
  windows.systemName = "R3P";
  EXPECT_EQ(collect::rshRefusedKey(windows, "AR_2011_20261210_080000.txt"), "");
}

TEST(RemoteCommandLine, UnsafePartsAreRefusedBeforeAnyConnection) {
  struct Case {
    const char* name;
    std::string RshSettings::*field;  // null: the file name
    std::string value;
    const char* key;
  };
  const std::vector<Case> cases = {
      {"semicolon", nullptr, "x.txt;rm -rf ~", "archivo"},
      {"pipe", &RshSettings::systemName, "PRD|sh", "RSHSYSTEMNAME"},
      {"ampersand", &RshSettings::systemNumber, "00&", "RSHSYSTEMNUMBER"},
      {"substitution", &RshSettings::pathEvt, "/usr/$(id)/", "RSHPATHEVT"},
      {"backquote", nullptr, "`id`.txt", "archivo"},
      {"blank", &RshSettings::systemName, "PRD nr=01", "RSHSYSTEMNAME"},
      {"quote", &RshSettings::pathEvt, "/usr/'bin/", "RSHPATHEVT"},
      {"newline", &RshSettings::systemNumber, "00\nid", "RSHSYSTEMNUMBER"},
      {"leading dash", nullptr, "-rf", "archivo"},
      {"leading dash in the folder", &RshSettings::pathEvt, "-x/", "RSHPATHEVT"},
      {"empty name", nullptr, "", "archivo"},
  };
  remcmd::test::StubRshd stub({{remcmd::test::Step::Out, remcmd::test::lit("\0")}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RshSettings s = prd();
    std::string file = "x.txt";
    (c.field ? s.*c.field : file) = c.value;
    EXPECT_EQ(collect::rshRefusedKey(s, file), c.key);

    std::vector<std::string> labels, callerLines;
    std::vector<RemoteCommand::Outcome> outcomes;
    RemoteCommand command({[&](const std::string& t) { labels.push_back(t); }, nullptr,
                           [&](const std::string& t) { callerLines.push_back(t); },
                           [&](RemoteCommand::Outcome o) { outcomes.push_back(o); }});
    command.beforeExecute = [&](remcmd::Remcmd& ctl) { ctl.put_RemotePort(stub.port()); };
    command.start(s, file);
    const std::string why =
        std::string("Comando remoto rechazado: caracter no permitido en ") + c.key;
    EXPECT_EQ(labels, (std::vector<std::string>{"Conectando...", " Extd Err: " + why}));
    EXPECT_EQ(callerLines, std::vector<std::string>{"Error: " + why});
    EXPECT_EQ(outcomes, std::vector<RemoteCommand::Outcome>{RemoteCommand::Outcome::Failed});
  }
  EXPECT_EQ(stub.request(), "");
  EXPECT_EQ(stub.peerPort(), 0);
}

}  // namespace

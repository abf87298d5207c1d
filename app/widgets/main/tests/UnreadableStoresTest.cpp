// Every store's load tells a file it could not take apart from an empty or a missing one, with
// the reason in the operator's language, and every window and start that loads one says so:
// the four stores, each with what may be under its name, and what each of its callers shows.
#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaEmpresas.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsTarjetas.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"
#include "core/InstanceLock.h"
#include "core/Messages.h"
#include "core/StoreWriters.h"
#include "core/tests/StoreFixtures.h"
#include "testsupport/PeerProcess.h"
#include "testsupport/widgets/WidgetTestSupport.h"
#include "widgets/admin/FBases.h"
#include "widgets/admin/FEmpr.h"
#include "widgets/admin/FVerArch.h"
#include "widgets/dialogs/testing/Hooks.h"
#include "widgets/main/FormP.h"
#include "widgets/main/Startup.h"

#include <basekit/codepage.h>
#include <clocklink/ClsMirsol.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMessageBox>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// Clocks are written as designated initialisers naming only what differs from the defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

namespace fs = std::filesystem;
using storefixture::Bytes;

enum Make { Missing, EmptyFile, UnknownForm, Folder, Fifo, NoPermission };

struct Case {
  const char* what;
  Make make;
  StoreLoad::Kind kind;
  const char* reason;  // in the reason, in Portuguese ("" for the store's own unknown form)
};
const Case kCases[] = {
    {"missing", Missing, StoreLoad::Missing, nullptr},
    {"empty", EmptyFile, StoreLoad::Empty, nullptr},
    {"unknown form", UnknownForm, StoreLoad::Unreadable, ""},
    {"folder", Folder, StoreLoad::Unreadable, "é uma pasta"},
    {"FIFO", Fifo, StoreLoad::Unreadable, "não é um arquivo comum"},
    {"no read permission", NoPermission, StoreLoad::Unreadable, "permissão negada"},
};

struct Store {
  const char* file;
  std::string unknownForm;    // bytes of no form the store knows
  const char* unknownReason;  // what its reason says of them, in Portuguese
  std::function<StoreLoad(const std::string& path)> load;
};

std::vector<Store> stores() {
  return {
      {"velta002.dat", Bytes().i16(9).s("", 600).b, "formato desconhecido (versão 9)",
       [](const std::string& p) {
         ClsListaRelojes s;
         s.Iniciar(p);
         return s.CargarRelojes();
       }},
      {"VELTA.TAR", Bytes().i16(9).s("", 200).b, "formato desconhecido (versão 9)",
       [](const std::string& p) {
         ClsTarjetas s;
         s.Iniciar(p);
         return s.CargarTarjetas();
       }},
      {"EMPR.DAT", std::string(10, 'x'), "nenhum registro completo",
       [](const std::string& p) {
         ClsListaEmpresas s;
         s.Iniciar(p);
         return s.CargarEmpresas();
       }},
      {"VELTA.DAT", Bytes().i16(5).s("", 28).b, "formato desconhecido; nenhum usuário",
       [](const std::string& p) {
         ClsUsers s;
         s.Iniciar(p);
         return s.CargarUsers();
       }},
  };
}

// Root reads any file: a file without read permission keeps out only another user. While it
// lives the process acts as an unprivileged one (the test account, else nobody) over a data
// folder that user may use; as any other user it changes nothing.
class AsAnotherUser {
 public:
  static bool possible() { return ::geteuid() != 0 || account(); }
  // `folder` "": nothing to do. Every other file of the folder the test wrote is opened to
  // that user (the stores write theirs for their owner alone).
  explicit AsAnotherUser(const std::string& folder) {
    if (::geteuid() != 0 || folder.empty()) return;
    const passwd* p = account();
    m_folder = folder;
    ::chmod(folder.c_str(), 0777);
    for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
      struct stat st {};
      if (::lstat(e.path().c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0777) != 0)
        ::chmod(e.path().c_str(), 0666);
    }
    m_active = ::setegid(p->pw_gid) == 0 && ::seteuid(p->pw_uid) == 0;
  }
  ~AsAnotherUser() {
    if (m_folder.empty()) return;
    (void)!::seteuid(0);
    (void)!::setegid(0);
    ::chmod(m_folder.c_str(), 0700);
  }
  bool active() const { return m_folder.empty() || m_active; }

 private:
  static const passwd* account() {
    const passwd* p = ::getpwnam("veltatest");
    return p ? p : ::getpwnam("nobody");
  }
  std::string m_folder;
  bool m_active = false;
};

class UnreadableStoresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data.write("VELTA.INI", "[COMMON]\r\nVERSION=2\r\nLENGUAJE=2000\r\nMULTIEMPRESA=1\r\n");
    loadSettings();
  }
  void TearDown() override {
    dialogs::testing::setBoxInspector({});
    clocklink::setEventPump({});
  }
  void loadSettings() {
    apptest::objects().createSettings();
    gCfgFile->Init(data.file("VELTA.INI"));
    gCfgFile->LoadCfg();
  }

  // Puts what the case says under `file` (removing what was there).
  void make(const Store& store, const Case& c) {
    const std::string path = data.file(store.file);
    fs::remove_all(path);
    switch (c.make) {
      case Missing:
        break;
      case EmptyFile:
        data.write(store.file, "");
        break;
      case UnknownForm:
        data.write(store.file, store.unknownForm);
        break;
      case Folder:
        fs::create_directory(path);
        break;
      case Fifo:
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        break;
      case NoPermission:
        data.write(store.file, store.unknownForm);
        ASSERT_EQ(::chmod(path.c_str(), 0), 0);
        break;
    }
  }

  // The part of the reason that says why: the store's own for its unknown form.
  static std::string why(const Store& store, const Case& c) {
    return c.make == UnknownForm ? store.unknownReason : c.reason ? c.reason : "";
  }

  apptest::TempDataFolder data;
  apptest::MsgBoxRecorder boxes;
};

TEST_F(UnreadableStoresTest, EachLoadTellsWhatItFoundAndWhy) {
  for (const Store& store : stores()) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(store.file) + ", " + c.what);
      make(store, c);
      if (c.make == NoPermission && !AsAnotherUser::possible()) {
        std::printf("skipped (%s): root reads any file and there is no other account\n", c.what);
        continue;
      }
      std::optional<StoreLoad> got;
      {
        AsAnotherUser user(c.make == NoPermission ? data.path() : std::string());
        ASSERT_TRUE(user.active());
        got = store.load(data.file(store.file));
      }
      EXPECT_EQ(*got, c.kind);
      if (c.kind != StoreLoad::Unreadable) {
        EXPECT_EQ(got->reason, "");
        continue;
      }
      EXPECT_NE(got->reason.find(data.file(store.file)), std::string::npos) << got->reason;
      EXPECT_NE(got->reason.find(why(store, c)), std::string::npos) << got->reason;
    }
  }
}

// What each caller shows, for each case of its store: the editors and the viewer a critical
// box with the reason and then their window, the main window after the configuration its 311
// with the reason, an automatic start its end with status 1 and the reason on standard error
// and in the daily log, a log-in start its refusal with the reason.
TEST_F(UnreadableStoresTest, EachCallerSaysWhy) {
  stores::writeUsers({{"ADMIN", 1, 2}});
  stores::writeClocks({stores::ClockSpec{.description = "Uno"}});
  clocklink::setEventPump([] { QCoreApplication::processEvents(); });
  (void)apptest::objects().createStartupObjects();
  ASSERT_TRUE(gUsers->FindUser("ADMIN", "1"));

  WindowOpeners openers;
  for (const Store& store : stores()) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(store.file) + ", " + c.what);
      if (c.make == NoPermission && !AsAnotherUser::possible()) continue;
      const bool unreadable = c.kind == StoreLoad::Unreadable;
      const std::string file = store.file;
      const std::string why = UnreadableStoresTest::why(store, c);
      auto saysWhy = [&](const dialogs::BoxRequest& box, int number) {
        EXPECT_EQ(box.number, number);
        EXPECT_EQ(box.icon(), msgbox::Critical);
        EXPECT_NE(box.text.find(data.file(file)), std::string::npos) << box.text;
        EXPECT_NE(box.text.find(why), std::string::npos) << box.text;
      };
      // Each caller over the case (made before, or by the configuration) as the right user.
      auto over = [&](const std::function<void()>& caller) {
        boxes.clear();
        make(store, c);
        AsAnotherUser user(c.make == NoPermission ? data.path() : std::string());
        ASSERT_TRUE(user.active());
        caller();
      };

      if (file == "VELTA.TAR" || file == "EMPR.DAT") {
        over([&] {
          std::unique_ptr<QDialog> w;
          if (file == "VELTA.TAR")
            w = std::make_unique<FBases>();
          else
            w = std::make_unique<FEmpr>();
          w->show();
          EXPECT_TRUE(w->isVisible()) << "the window opens with what was read";
        });
        ASSERT_EQ(boxes.boxes().size(), unreadable ? 1u : 0u);
        if (unreadable) saysWhy(boxes.boxes()[0], 386);
      }
      if (file == "VELTA.TAR") {
        over([&] {
          FVerArch viewer(nullptr, apptest::windowContext());
          viewer.show();
        });
        ASSERT_EQ(boxes.boxes().size(), unreadable ? 1u : 0u);
        if (unreadable) saysWhy(boxes.boxes()[0], 386);
      }
      if (file == "velta002.dat") {
        // The main window over a good list; the configuration leaves the case behind it.
        stores::writeClocks({stores::ClockSpec{.description = "Uno"}});
        (void)gListaRelojes->CargarRelojes();
        std::optional<AsAnotherUser> user;
        openers.Fconfig = [&](QWidget*) {
          make(store, c);
          user.emplace(c.make == NoPermission ? data.path() : std::string());
        };
        FormP form(openers, apptest::runContext(), &apptest::objects());
        form.show();
        boxes.clear();
        form.item(FormP::Op, 0)->trigger();
        ASSERT_TRUE(user && user->active());
        user.reset();
        ASSERT_EQ(boxes.boxes().size(), unreadable ? 1u : 0u);
        if (unreadable) saysWhy(boxes.boxes()[0], 311);
        // a missing list is a first start with its default clock; otherwise what was read
        EXPECT_EQ(form.findChild<QComboBox*>("CmbPrg")->count(), c.make == Missing ? 1 : 0);
      }
      if (file == "velta002.dat" || file == "VELTA.DAT") {
        // The start: an automatic one for the clock list, one with the log-in for the users.
        const bool automatic = file == "velta002.dat";
        data.write("VELTA.INI", std::string("[COMMON]\r\nVERSION=2\r\nLENGUAJE=2000\r\n") +
                                    (automatic ? "AUTO=1\r\nAUTODIAS=11111111\r\n" : ""));
        const std::string log = data.file(basic::Format(basic::Now(), "YYYYmmdd") + ".LOG");
        std::remove(log.c_str());
        std::vector<std::string> refusals;
        int autoRuns = 0;
        StartResult result = StartResult::Running;
        over([&] {
          apptest::resetProgramObjects();
          StartupHooks hooks;
          if (automatic)
            hooks.refuseWithoutDisplay = [&](const std::string& t) { refusals.push_back(t); };
          hooks.login = [](std::string& u, std::string& p) {
            u = "ADMIN";
            p = "1";
            return true;
          };
          hooks.openAuto = [&] { ++autoRuns; };
          InstanceLock lock;
          result = runStartup(lock, hooks);
        });
        if (automatic) {
          EXPECT_EQ(result, unreadable ? StartResult::EndedWithError : StartResult::Running);
          EXPECT_EQ(autoRuns, unreadable ? 0 : 1);
          ASSERT_EQ(refusals.size(), unreadable ? 1u : 0u);
          if (unreadable) {
            EXPECT_NE(refusals[0].find(why), std::string::npos) << refusals[0];
            const std::string logged = apptest::readWholeFile(log);
            EXPECT_NE(logged.find(data.file(file)), std::string::npos) << logged;
            EXPECT_NE(logged.find(basekit::utf8ToCp1252(why)), std::string::npos) << logged;
          }
        } else {
          const int refusal = c.make == Missing       ? 310
                              : c.make == EmptyFile   ? 335
                              : c.make == UnknownForm ? 335
                                                      : 386;
          EXPECT_EQ(result, StartResult::EndedWithError);
          ASSERT_EQ(boxes.boxes().size(), 1u);
          EXPECT_EQ(boxes.boxes()[0].number, refusal);
          if (unreadable) saysWhy(boxes.boxes()[0], refusal);
        }
        fs::remove_all(data.file(file));
        stores::writeUsers({{"ADMIN", 1, 2}});
        data.write("VELTA.INI", "[COMMON]\r\nVERSION=2\r\nLENGUAJE=2000\r\nMULTIEMPRESA=1\r\n");
        apptest::resetProgramObjects();
        loadSettings();
        (void)apptest::objects().createStartupObjects();
        ASSERT_TRUE(gUsers->FindUser("ADMIN", "1"));
      }
      fs::remove_all(data.file(file));
    }
  }
}

// The boxes and windows as the operator sees them: each box built as it would be shown, then
// the window it opens over, grabbed to PNG ($VELTA_GRAB_DIR or the temp folder).
TEST_F(UnreadableStoresTest, ThePictures) {
  stores::writeUsers({{"ADMIN", 1, 2}});
  stores::writeClocks({stores::ClockSpec{.description = "Uno"}});
  (void)apptest::objects().createStartupObjects();
  ASSERT_TRUE(gUsers->FindUser("ADMIN", "1"));
  int grabbed = 0;
  dialogs::testing::setBoxHook({});
  dialogs::testing::setBoxInspector([&grabbed](QMessageBox& box) {
    box.show();
    EXPECT_TRUE(
        apptest::grabNonBlank(&box, QStringLiteral("unreadable-box-%1.png").arg(++grabbed)));
  });
  fs::create_directory(data.file("VELTA.TAR"));
  fs::create_directory(data.file("EMPR.DAT"));
  {
    FBases w;
    EXPECT_TRUE(apptest::grabNonBlank(&w, QStringLiteral("unreadable-FBases.png")));
  }
  {
    FEmpr w;
    EXPECT_TRUE(apptest::grabNonBlank(&w, QStringLiteral("unreadable-FEmpr.png")));
  }
  {
    FVerArch w(nullptr, apptest::windowContext());
    EXPECT_TRUE(apptest::grabNonBlank(&w, QStringLiteral("unreadable-FVerArch.png")));
  }
  WindowOpeners openers;
  openers.Fconfig = [this](QWidget*) { data.write("velta002.dat", Bytes().i16(9).s("", 600).b); };
  FormP form(openers, apptest::runContext(), &apptest::objects());
  form.show();
  form.item(FormP::Op, 0)->trigger();
  EXPECT_TRUE(apptest::grabNonBlank(&form, QStringLiteral("unreadable-FormP.png")));
  EXPECT_EQ(grabbed, 4);
}

}  // namespace

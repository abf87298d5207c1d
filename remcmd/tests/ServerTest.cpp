// The control's identity as a server: class factory, object and lock
// counts, object safety, and its registration keys in a temporary registry.
#include "remcmd/Server.h"

#include "remcmd/Remcmd.h"

#include <basekit/registry.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace remcmd;

namespace {

TEST(Server, ClassFactoryAndUnloadCounts) {
  ClassFactory* f = nullptr;
  EXPECT_EQ(DllGetClassObject(id::kClsidRemcmd, id::kIidIClassFactory, nullptr), hr::kPointer);
  EXPECT_EQ(DllGetClassObject(id::kIidIRemcmd, id::kIidIClassFactory, &f), hr::kClassNotAvailable);
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(DllGetClassObject(id::kClsidRemcmd, id::kIidIRemcmd, &f), hr::kNoInterface);
  ASSERT_EQ(DllGetClassObject("{63337210-f789-11ce-86f8-0020afd8c6db}", id::kIidIClassFactory, &f),
            0);
  ClassFactory* again = nullptr;
  ASSERT_EQ(DllGetClassObject(id::kClsidRemcmd, id::kIidIUnknown, &again), 0);
  EXPECT_EQ(f, again);

  EXPECT_EQ(DllCanUnloadNow(), hr::kOk);
  std::unique_ptr<Remcmd> object;
  ASSERT_EQ(f->CreateInstance(object), 0);
  ASSERT_TRUE(object);
  EXPECT_EQ(DllCanUnloadNow(), hr::kFalse);
  object.reset();
  EXPECT_EQ(DllCanUnloadNow(), hr::kOk);
  f->LockServer(true);
  EXPECT_EQ(DllCanUnloadNow(), hr::kFalse);
  f->LockServer(false);
  EXPECT_EQ(DllCanUnloadNow(), hr::kOk);
}

TEST(Server, ObjectSafetyAndErrorInfoSupport) {
  Remcmd ctl;
  uint32_t supported = 9, enabled = 9;
  ASSERT_EQ(ctl.GetInterfaceSafetyOptions(id::kIidIRemcmd, supported, enabled), 0);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, 0u);
  EXPECT_EQ(ctl.SetInterfaceSafetyOptions(id::kIidIDispatch, 4, 4), hr::kFail);
  ASSERT_EQ(ctl.SetInterfaceSafetyOptions(id::kIidIDispatch, 3, 1), 0);
  ASSERT_EQ(ctl.SetInterfaceSafetyOptions(id::kIidIDispatch, 2, 2), 0);
  ASSERT_EQ(ctl.GetInterfaceSafetyOptions(id::kIidIUnknown, supported, enabled), 0);
  EXPECT_EQ(enabled, 3u);
  EXPECT_EQ(ctl.GetInterfaceSafetyOptions(id::kIidIClassFactory, supported, enabled),
            hr::kNoInterface);
  EXPECT_EQ(ctl.InterfaceSupportsErrorInfo(id::kIidIRemcmd), hr::kOk);
  EXPECT_EQ(ctl.InterfaceSupportsErrorInfo(id::kIidIDispatch), hr::kFalse);
}

class Registration : public ::testing::Test {
 protected:
  std::string dir;
  void SetUp() override {
    char tmpl[] = "/tmp/remcmd-reg-XXXXXX";
    dir = ::mkdtemp(tmpl);
    ::setenv("VELTA_REGISTRY_FILE", (dir + "/registry.txt").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("VELTA_REGISTRY_FILE");
    std::filesystem::remove_all(dir);
  }
  static basekit::Registry at(const std::string& path, const std::string& value = {}) {
    basekit::Registry r;
    r.ClassKey(basekit::HKEY_CLASSES_ROOT);
    r.SectionKey(path);
    r.ValueKey(value);
    r.Default("<missing>");
    return r;
  }
  static std::vector<std::string> subkeys(const std::string& path) {
    std::vector<std::string> names;
    int16_t count = 0;
    at(path).EnumerateSections(names, count);
    return names;
  }
};

TEST_F(Registration, RegisterTwiceThenUnregister) {
  const std::string cls = std::string("CLSID\\") + id::kClsidRemcmd;
  // Something else's class and a stale key of ours, to be replaced.
  at("CLSID\\{00000000-1111-2222-3333-444444444444}").CreateKey();
  at(cls + "\\Stale").CreateKey();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(DllRegisterServer(), 0);
    for (const char* progId : {"Tarnet.Remcmd", "Tarnet.Remcmd.1", "Tarnet6.Remcmd"}) {
      SCOPED_TRACE(progId);
      EXPECT_EQ(at(progId).Value(), id::kDisplayName);
      EXPECT_EQ(at(std::string(progId) + "\\CLSID").Value(), id::kClsidRemcmd);
      EXPECT_EQ(at(std::string(progId) + "\\CurVer").Value(), "Tarnet.Remcmd.1");
    }
    EXPECT_EQ(at(cls).Value(), id::kDisplayName);
    EXPECT_EQ(at(cls + "\\ProgID").Value(), "Tarnet.Remcmd.1");
    EXPECT_EQ(at(cls + "\\VersionIndependentProgID").Value(), "Tarnet.Remcmd");
    EXPECT_EQ(at(cls + "\\TypeLib").Value(), "{63337213-F789-11CE-86F8-0020AFD8C6DB}");
    EXPECT_EQ(at(cls + "\\Version").Value(), "1.0");
    EXPECT_EQ(subkeys(cls), (std::vector<std::string>{"ProgID", "VersionIndependentProgID",
                                                      "Programmable", "Control", "Insertable",
                                                      "TypeLib", "Version", "Windows CE Control"}));
    EXPECT_EQ(subkeys("CLSID").size(), 2u);
  }
  ASSERT_EQ(DllUnregisterServer(), 0);
  for (const char* key : {"Tarnet.Remcmd", "Tarnet.Remcmd.1", "Tarnet6.Remcmd"})
    EXPECT_FALSE(at(key).KeyExists()) << key;
  EXPECT_FALSE(at(cls).KeyExists());
  EXPECT_TRUE(at("CLSID").KeyExists());
  EXPECT_EQ(subkeys("CLSID"), std::vector<std::string>{"{00000000-1111-2222-3333-444444444444}"});
  // Unregistering what is not there carries on and succeeds.
  EXPECT_EQ(DllUnregisterServer(), 0);
}

}  // namespace

#include "m716/platform/dynload.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_registry.h"

namespace m716::platform {
namespace {

struct NameCase {
  const char* systemName;
  const char* linuxName;
};

class LibraryName : public ::testing::TestWithParam<NameCase> {};

TEST_P(LibraryName, MapsToTheLinuxFileName) {
  EXPECT_EQ(linuxLibraryName(GetParam().systemName), GetParam().linuxName);
}

INSTANTIATE_TEST_SUITE_P(SystemNames, LibraryName,
                         ::testing::Values(NameCase{"KRVM716S.dll", "libKRVM716S.so"},
                                           NameCase{"\\Windows\\KRVM716.DLL", "libKRVM716.so.1"},
                                           NameCase{"krvm716s.DLL", "libKRVM716S.so"},
                                           NameCase{"\\Program Files\\M716\\krvm716.dll",
                                                    "libKRVM716.so.1"},
                                           NameCase{"Setup.dll", "libSetup.so"},
                                           NameCase{"m716_probe", "libm716_probe.so"},
                                           NameCase{"libm716_sim.so", "libm716_sim.so"}));

int anchorInThisProgram() {
  return 0;
}

class Loading : public ::testing::Test {
 protected:
  void TearDown() override { setLibrarySearchPath({}); }
  const void* anchor() const { return reinterpret_cast<const void*>(&anchorInThisProgram); }
};

TEST_F(Loading, FindsALibraryBesideTheLoadingModuleByItsSystemName) {
  ModuleHandle module = loadLibrary("m716_probe.dll", anchor());
  ASSERT_NE(module, nullptr);
  auto answer = reinterpret_cast<int (*)()>(findEntry(module, "M716ProbeAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(findEntry(module, "NoSuchEntry"), nullptr);

  ModuleHandle again = loadLibrary("\\Windows\\m716_probe.DLL", anchor());
  EXPECT_EQ(again, module);
  freeLibrary(again);
  freeLibrary(module);
}

// The motion library of an installed tree lies one folder above the system's private folder,
// which holds the platform: the installer finds it there.
TEST_F(Loading, FindsALibraryInTheFolderAboveThePlatform) {
  ModuleHandle module = loadLibrary("m716_probe_above.dll", anchor());
  ASSERT_NE(module, nullptr);
  EXPECT_NE(findEntry(module, "M716ProbeAnswer"), nullptr);
  freeLibrary(module);
}

TEST_F(Loading, ModuleFolderIsTheFolderOfTheProgramOrLibrary) {
  const auto program = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  EXPECT_EQ(moduleFolder(nullptr), program);
  EXPECT_EQ(moduleFolder(anchor()), program);
  // The build puts every library beside the programs.
  EXPECT_EQ(moduleFolder(reinterpret_cast<const void*>(&linuxLibraryName)), program);
}

TEST_F(Loading, SearchPathReplacesTheDefaultFolders) {
  test::TempRegistry emptyFolder;
  setLibrarySearchPath({emptyFolder.folder().string()});
  EXPECT_EQ(loadLibrary("m716_probe.dll", anchor()), nullptr);
  setLibrarySearchPath({});
  ModuleHandle module = loadLibrary("m716_probe.dll", anchor());
  EXPECT_NE(module, nullptr);
  freeLibrary(module);
}

TEST_F(Loading, UnknownLibraryIsNotLoaded) {
  EXPECT_EQ(loadLibrary("NoSuchLibrary.dll", anchor()), nullptr);
  EXPECT_EQ(findEntry(nullptr, "M716ProbeAnswer"), nullptr);
  freeLibrary(nullptr);
}

}  // namespace
}  // namespace m716::platform

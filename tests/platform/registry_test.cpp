#include "m716/platform/registry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "support/registry_faults.h"
#include "support/temp_registry.h"

namespace m716::platform {
namespace {

class Registry : public test::RegistryTest {
 protected:
  RegKey create(std::string_view path) {
    RegKey key;
    EXPECT_EQ(registry().createKey(path, key), RegStatus::ok) << path;
    return key;
  }

  RegStatus open(std::string_view path, RegKey& key) { return registry().openKey(path, key); }

  std::uint32_t dwordAt(RegistryStore& store, std::string_view path, std::string_view name) {
    RegKey key;
    std::uint32_t value = 0;
    EXPECT_EQ(store.openKey(path, key), RegStatus::ok) << path;
    EXPECT_EQ(key.queryDword(name, value), RegStatus::ok) << name;
    return value;
  }
};

TEST_F(Registry, PathsAndNamesIgnoreCaseButKeepIt) {
  RegKey written = create("System\\CurrentControlSet\\Services\\KRVM716S");
  ASSERT_EQ(written.setDword("BaseAddress", 0x300), RegStatus::ok);

  RegKey read;
  ASSERT_EQ(open("SYSTEM\\CURRENTCONTROLSET\\services\\krvm716s", read), RegStatus::ok);
  EXPECT_EQ(read.path(), "System\\CurrentControlSet\\Services\\KRVM716S");
  std::uint32_t value = 0;
  ASSERT_EQ(read.queryDword("BASEADDRESS", value), RegStatus::ok);
  EXPECT_EQ(value, 0x300u);

  ASSERT_EQ(read.setDword("baseaddress", 0x310), RegStatus::ok);
  RegValue stored;
  ASSERT_EQ(read.enumValue(0, stored), RegStatus::ok);
  EXPECT_EQ(stored.name, "BaseAddress");
  EXPECT_EQ(stored.dword, 0x310u);
  EXPECT_EQ(read.enumValue(1, stored), RegStatus::noMoreItems);
}

TEST_F(Registry, ExtraBackslashesNameTheSameKey) {
  create("Software\\M716");
  RegKey key;
  ASSERT_EQ(open("\\Software\\\\M716\\", key), RegStatus::ok);
  EXPECT_EQ(key.path(), "Software\\M716");
}

TEST_F(Registry, CreateTellsWhetherTheKeyWasNewAndMakesItsParents) {
  RegKey key;
  bool created = false;
  ASSERT_EQ(registry().createKey("A\\B\\C", key, &created), RegStatus::ok);
  EXPECT_TRUE(created);
  ASSERT_EQ(registry().createKey("a\\b\\c", key, &created), RegStatus::ok);
  EXPECT_FALSE(created);
  ASSERT_EQ(registry().createKey("A\\B", key, &created), RegStatus::ok);
  EXPECT_FALSE(created);
  EXPECT_EQ(open("Missing", key), RegStatus::notFound);
}

TEST_F(Registry, DeletingAKeyDeletesItsSubkeysAndValues) {
  RegKey top = create("Top");
  RegKey leaf = create("Top\\Middle\\Leaf");
  ASSERT_EQ(leaf.setString("Name", "x"), RegStatus::ok);

  ASSERT_EQ(registry().deleteKey("TOP"), RegStatus::ok);

  RegKey probe;
  EXPECT_EQ(open("Top\\Middle", probe), RegStatus::notFound);
  EXPECT_EQ(registry().deleteKey("Top"), RegStatus::notFound);
  // Handles opened before the deletion fail instead of reaching a newer key of that name.
  create("Top\\Middle\\Leaf");
  std::string text;
  EXPECT_EQ(leaf.queryString("Name", text), RegStatus::notFound);
  EXPECT_EQ(leaf.setDword("Other", 1), RegStatus::notFound);
  EXPECT_EQ(top.enumKey(0, text), RegStatus::notFound);
}

TEST_F(Registry, EnumerationIsInNameOrderIgnoringCaseAndEndsWithNoMoreItems) {
  RegKey parent = create("Parent");
  for (const char* name : {"beta", "Alpha", "gamma"}) {
    create(std::string("Parent\\") + name);
    ASSERT_EQ(parent.setDword(name, 1), RegStatus::ok);
  }
  const std::vector<std::string> expected = {"Alpha", "beta", "gamma"};
  std::vector<std::string> keys, values;
  std::string name;
  RegValue value;
  std::uint32_t i = 0;
  for (; parent.enumKey(i, name) == RegStatus::ok; ++i) keys.push_back(name);
  EXPECT_EQ(parent.enumKey(i, name), RegStatus::noMoreItems);
  for (i = 0; parent.enumValue(i, value) == RegStatus::ok; ++i) values.push_back(value.name);
  EXPECT_EQ(parent.enumValue(i, value), RegStatus::noMoreItems);
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(values, expected);
}

TEST_F(Registry, StringsCountTheirTerminatingNullAndTypesAreChecked) {
  RegKey key = create("Types");
  ASSERT_EQ(key.setString("Text", "abc"), RegStatus::ok);
  ASSERT_EQ(key.setString("Empty", ""), RegStatus::ok);
  ASSERT_EQ(key.setDword("Number", 0xFFFFFFFF), RegStatus::ok);

  RegValue value;
  ASSERT_EQ(key.queryValue("Text", value), RegStatus::ok);
  EXPECT_EQ(value.type, RegType::string);
  EXPECT_EQ(value.text, "abc");
  EXPECT_EQ(value.size, 4u);
  ASSERT_EQ(key.queryValue("Empty", value), RegStatus::ok);
  EXPECT_EQ(value.size, 1u);
  ASSERT_EQ(key.queryValue("Number", value), RegStatus::ok);
  EXPECT_EQ(value.dword, 0xFFFFFFFFu);
  EXPECT_EQ(value.size, 4u);
  ASSERT_EQ(key.setValue("Copy", value), RegStatus::ok);  // under its new name, with its type
  ASSERT_EQ(key.queryValue("copy", value), RegStatus::ok);
  EXPECT_EQ(value.name, "Copy");
  EXPECT_EQ(value.dword, 0xFFFFFFFFu);

  std::uint32_t number = 0;
  std::string text;
  EXPECT_EQ(key.queryDword("Text", number), RegStatus::wrongType);
  EXPECT_EQ(key.queryString("Number", text), RegStatus::wrongType);
  EXPECT_EQ(key.queryDword("Missing", number), RegStatus::notFound);
  EXPECT_EQ(key.deleteValue("missing"), RegStatus::notFound);
  EXPECT_EQ(key.deleteValue("TEXT"), RegStatus::ok);
  EXPECT_EQ(key.queryString("Text", text), RegStatus::notFound);
}

TEST_F(Registry, TwoConnectionsToOneFileSeeEachOthersWrites) {
  RegistryStore first(store_.file());
  RegistryStore second(store_.file());
  ASSERT_TRUE(first.isOpen() && second.isOpen());

  RegKey key;
  ASSERT_EQ(first.createKey("Shared", key), RegStatus::ok);
  ASSERT_EQ(key.setDword("Value", 1), RegStatus::ok);
  EXPECT_EQ(dwordAt(second, "SHARED", "value"), 1u);

  RegKey other;
  ASSERT_EQ(second.openKey("Shared", other), RegStatus::ok);
  ASSERT_EQ(other.setDword("Value", 2), RegStatus::ok);
  EXPECT_EQ(dwordAt(first, "Shared", "Value"), 2u);
}

TEST_F(Registry, RolledBackTransactionChangesNothing) {
  create("Kept").setDword("Value", 1);
  {
    RegTransaction change(registry());
    create("Kept").setDword("Value", 2);
    create("New\\Key");
    ASSERT_EQ(registry().deleteKey("Kept"), RegStatus::ok);
  }
  RegKey key;
  EXPECT_EQ(open("New", key), RegStatus::notFound);
  EXPECT_EQ(dwordAt(registry(), "Kept", "Value"), 1u);
}

TEST_F(Registry, CommittedTransactionPersistsOnlyWhenTheOutermostCommits) {
  {
    RegTransaction outer(registry());
    {
      RegTransaction inner(registry());
      create("Inner").setDword("Value", 1);
      ASSERT_EQ(inner.commit(), RegStatus::ok);
    }
    {
      RegTransaction dropped(registry());
      create("Dropped");
    }
    create("Outer").setDword("Value", 2);
    ASSERT_EQ(outer.commit(), RegStatus::ok);
  }
  RegistryStore fresh(store_.file());
  EXPECT_EQ(dwordAt(fresh, "Inner", "Value"), 1u);
  EXPECT_EQ(dwordAt(fresh, "Outer", "Value"), 2u);
  RegKey key;
  EXPECT_EQ(fresh.openKey("Dropped", key), RegStatus::notFound);
}

// Each increment reads and writes inside a transaction, so none may be lost while another
// thread does the same on the same store.
TEST_F(Registry, TransactionsOfOtherThreadsWait) {
  create("Counter").setDword("Count", 0);
  constexpr int kIncrements = 200;
  const auto increment = [] {
    for (int i = 0; i < kIncrements; ++i) {
      RegTransaction change(registry());
      RegKey key;
      std::uint32_t count = 0;
      ASSERT_EQ(registry().openKey("Counter", key), RegStatus::ok);
      ASSERT_EQ(key.queryDword("Count", count), RegStatus::ok);
      ASSERT_EQ(key.setDword("Count", count + 1), RegStatus::ok);
      ASSERT_EQ(change.commit(), RegStatus::ok);
    }
  };
  std::thread other(increment);
  increment();
  other.join();
  EXPECT_EQ(dwordAt(registry(), "Counter", "Count"), 2u * kIncrements);
}

// The system store is used once its folder exists, never made, and never traded for a store of
// one's own when it cannot be opened.
TEST_F(Registry, TheSystemStoreIsUsedWhenItsFolderExistsAndOnlyThen) {
  const std::string system = (store_.folder() / "system").string();
  const std::string state = (store_.folder() / "state").string();
  EXPECT_EQ(registryFileFor("/chosen.db", system, state), "/chosen.db");
  EXPECT_EQ(registryFileFor(nullptr, system, state), state + "/m716/registry.db");
  EXPECT_FALSE(std::filesystem::exists(system));

  std::filesystem::create_directory(system);
  const std::string systemStore = system + "/registry.db";
  std::ofstream(systemStore) << "another program's file";
  EXPECT_EQ(registryFileFor(nullptr, system, state), systemStore);
  RegistryStore refused(systemStore);
  EXPECT_EQ(storeRefusal(refused),
            "cannot open the registry store " + systemStore + ": not a registry store");
}

TEST_F(Registry, ProcessStoreFollowsTheEnvironmentAndKeysOutliveAReplacement) {
  EXPECT_EQ(defaultRegistryFile(), store_.file());
  EXPECT_EQ(registry().file(), store_.file());
  RegKey old = create("Old");
  ASSERT_EQ(old.setDword("Value", 7), RegStatus::ok);

  test::TempRegistry replacement;
  EXPECT_EQ(registry().file(), replacement.file());
  RegKey key;
  EXPECT_EQ(open("Old", key), RegStatus::notFound);
  std::uint32_t value = 0;
  ASSERT_EQ(old.queryDword("Value", value), RegStatus::ok);
  EXPECT_EQ(value, 7u);
}

TEST_F(Registry, AnInjectedFaultFailsTheChosenWriteOnly) {
  RegKey key = create("Key");
  std::uint32_t value = 0;
  failRegistryWrite(2);
  EXPECT_EQ(key.queryDword("Missing", value), RegStatus::notFound);  // reads do not count
  EXPECT_EQ(key.setDword("First", 1), RegStatus::ok);
  EXPECT_EQ(key.setDword("Second", 2), RegStatus::failed);
  EXPECT_EQ(key.queryDword("Second", value), RegStatus::notFound);
  EXPECT_EQ(key.setDword("Second", 2), RegStatus::ok);

  failRegistryWrite(1);
  clearRegistryWriteFault();
  EXPECT_EQ(key.setDword("Third", 3), RegStatus::ok);
}

// A write that fails changes nothing: "Kept" keeps its value and gains no subkey.
struct FailedWrite {
  const char* name;
  std::uint32_t failingWrite;
  RegStatus (*write)(RegKey& kept);
};

void PrintTo(const FailedWrite& write, std::ostream* out) {
  *out << write.name;
}

class RegistryFault : public Registry, public ::testing::WithParamInterface<FailedWrite> {};

TEST_P(RegistryFault, AFailedWriteChangesNothing) {
  RegKey kept = create("Kept");
  ASSERT_EQ(kept.setDword("Value", 1), RegStatus::ok);
  failRegistryWrite(GetParam().failingWrite);
  EXPECT_EQ(GetParam().write(kept), RegStatus::failed);
  EXPECT_EQ(dwordAt(registry(), "Kept", "Value"), 1u);
  std::string name;
  EXPECT_EQ(kept.enumKey(0, name), RegStatus::noMoreItems);
}

INSTANTIATE_TEST_SUITE_P(
    EachKindOfWrite, RegistryFault,
    ::testing::Values(
        FailedWrite{"SetDword", 1, [](RegKey& kept) { return kept.setDword("Value", 2); }},
        FailedWrite{"SetString", 1, [](RegKey& kept) { return kept.setString("Value", "x"); }},
        FailedWrite{"DeleteValue", 1, [](RegKey& kept) { return kept.deleteValue("Value"); }},
        FailedWrite{"DeleteKey", 1, [](RegKey&) { return registry().deleteKey("Kept"); }},
        // The first key of the path was added before the second failed: it is taken back.
        FailedWrite{"CreatePath", 2,
                    [](RegKey&) {
                      RegKey key;
                      return registry().createKey("Kept\\A\\B", key);
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegistryFile, UnusableFileGivesAClosedStoreWhoseCallsFail) {
  RegistryStore store("/proc/no-such-folder/registry.db");
  EXPECT_FALSE(store.isOpen());
  RegKey key;
  EXPECT_EQ(store.createKey("A", key), RegStatus::failed);
  EXPECT_EQ(store.openKey("A", key), RegStatus::failed);
  RegTransaction change(store);
  EXPECT_EQ(change.commit(), RegStatus::failed);
}

TEST_F(Registry, AFileThatIsNoStoreGivesAClosedStoreWhoseCallsSayWhy) {
  const std::string file = (store_.folder() / "text.db").string();
  std::ofstream(file) << "REGEDIT4\n";
  RegistryStore store(file);
  EXPECT_EQ(store.openStatus(), RegStatus::notAStore);
  RegKey key;
  EXPECT_EQ(store.createKey("A", key), RegStatus::notAStore);
  EXPECT_EQ(RegTransaction(store).commit(), RegStatus::notAStore);
  EXPECT_STREQ(regStatusText(store.openStatus()), "not a registry store");
}

}  // namespace
}  // namespace m716::platform

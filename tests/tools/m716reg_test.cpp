// m716reg run as a program, on the test's own store ($M716_REGISTRY).

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>

#include "m716/platform/registry.h"
#include "support/program.h"
#include "support/temp_registry.h"

namespace m716 {
namespace {

namespace fs = std::filesystem;
using platform::registry;
using platform::RegKey;
using platform::RegStatus;

constexpr const char* kCompleted = "The operation completed successfully.\n";
constexpr const char* kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";

using Result = test::ProgramResult;
using test::contentsOf;
using test::writeFile;

bool isOneLine(const std::string& text) {
  return !text.empty() && text.find('\n') == text.size() - 1;
}

// Runs `sql` on `file` as another program would, and gives the rows' first columns, one a line.
std::string runSql(const fs::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string rows;
  EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  const auto append = [](void* out, int, char** values, char**) {
    *static_cast<std::string*>(out) += std::string(values[0] ? values[0] : "") + '\n';
    return 0;
  };
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), append, &rows, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
  return rows;
}

std::string keyOfDepth(std::size_t depth) {
  std::string key = "HKLM";
  for (std::size_t level = 0; level < depth; ++level) key += "\\k";
  return key;
}

class M716Reg : public test::RegistryTest {
 protected:
  Result run(const std::vector<std::string>& arguments, const std::string& input = "") {
    return test::runProgram(M716REG_PROGRAM, arguments, store_.folder(), input);
  }

  // As a user whom file permissions stop: root runs the program as nobody.
  Result runUnprivileged(std::vector<std::string> arguments) {
    if (::geteuid() != 0) return run(arguments);
    arguments.insert(arguments.begin(),
                     {"--reuid=65534", "--regid=65534", "--clear-groups", M716REG_PROGRAM});
    return test::runProgram("setpriv", arguments, store_.folder());
  }

  std::string file(const char* name) const { return (store_.folder() / name).string(); }

  std::uint32_t storedDword(const char* path, const char* name) {
    RegKey key;
    std::uint32_t value = 0xDEADBEEF;
    if (registry().openKey(path, key) == RegStatus::ok) key.queryDword(name, value);
    return value;
  }

  RegKey create(const char* path) {
    RegKey key;
    EXPECT_EQ(registry().createKey(path, key), RegStatus::ok);
    return key;
  }
};

TEST_F(M716Reg, AddsQueriesAndDeletesValuesAndKeys) {
  const std::string key = "HKLM\\Software\\M716";
  EXPECT_EQ(run({"add", key, "/v", "BaseAddress", "/t", "REG_DWORD", "/d", "0x300", "/f"}).out,
            kCompleted);
  EXPECT_EQ(run({"ADD", key, "/V", "Name", "/D", "Board one"}).out, kCompleted);
  EXPECT_EQ(run({"add", "HKEY_LOCAL_MACHINE\\Software\\M716\\Board000"}).out, kCompleted);
  EXPECT_EQ(storedDword("SOFTWARE\\m716", "baseaddress"), 0x300u);

  Result query = run({"query", "hklm\\software\\m716"});
  EXPECT_EQ(query.status, 0);
  EXPECT_EQ(query.out,
            "\nHKEY_LOCAL_MACHINE\\Software\\M716\n"
            "    BaseAddress    REG_DWORD    0x300\n"
            "    Name    REG_SZ    Board one\n"
            "\n"
            "HKEY_LOCAL_MACHINE\\Software\\M716\\Board000\n");
  EXPECT_EQ(run({"query", key, "/v", "name"}).out,
            "\nHKEY_LOCAL_MACHINE\\Software\\M716\n    Name    REG_SZ    Board one\n\n");

  EXPECT_EQ(run({"delete", key, "/v", "Name", "/f"}).out, kCompleted);
  EXPECT_EQ(run({"query", key, "/v", "Name"}).status, 1);
  EXPECT_EQ(run({"delete", key, "/f"}).out, kCompleted);
  EXPECT_EQ(run({"query", key + "\\Board000"}).status, 1);
}

class MissingKeyOrValue : public M716Reg,
                          public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(MissingKeyOrValue, ExitsWithOneAndSaysSo) {
  create("Present").setDword("Value", 1);
  const Result result = run(GetParam());
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, kNotFound);
  EXPECT_EQ(result.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MissingKeyOrValue,
    ::testing::Values(std::vector<std::string>{"query", "HKLM\\Absent"},
                      std::vector<std::string>{"query", "HKLM\\Present", "/v", "Absent"},
                      std::vector<std::string>{"delete", "HKLM\\Absent", "/f"},
                      std::vector<std::string>{"delete", "HKLM\\Present", "/v", "Absent", "/f"},
                      std::vector<std::string>{"export", "HKLM\\Absent", "unused.reg"}));

struct DwordCase {
  const char* data;
  std::uint32_t value;
};

class ValidDword : public M716Reg, public ::testing::WithParamInterface<DwordCase> {};

TEST_P(ValidDword, IsStored) {
  const Result result =
      run({"add", "HKLM\\Numbers", "/v", "N", "/t", "reg_dword", "/d", GetParam().data});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(storedDword("Numbers", "N"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(DecimalAndHex, ValidDword,
                         ::testing::Values(DwordCase{"768", 0x300}, DwordCase{"0x300", 0x300},
                                           DwordCase{"0X1f", 0x1F}, DwordCase{"0", 0},
                                           DwordCase{"4294967295", 0xFFFFFFFF},
                                           DwordCase{"0x00000000FFFFFFFF", 0xFFFFFFFF}));

class InvalidDword : public M716Reg, public ::testing::WithParamInterface<const char*> {};

TEST_P(InvalidDword, IsRejectedWithAMessage) {
  const Result result =
      run({"add", "HKLM\\Numbers", "/v", "N", "/t", "REG_DWORD", "/d", GetParam()});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(isOneLine(result.err)) << result.err;
  EXPECT_EQ(result.err.rfind("ERROR: Invalid DWORD data", 0), 0u) << result.err;
  RegKey key;
  EXPECT_EQ(registry().openKey("Numbers", key), RegStatus::notFound);
}

INSTANTIATE_TEST_SUITE_P(Data, InvalidDword,
                         ::testing::Values("-1", "4294967296", "0x100000000", "12abc", "0x", "",
                                           "3.5", " 5", "0x-1"));

class InvalidCommandLine : public M716Reg,
                           public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(InvalidCommandLine, ExitsWithOneAndOneLineMessage) {
  const Result result = run(GetParam());
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(isOneLine(result.err)) << result.err;
  EXPECT_EQ(result.err.rfind("ERROR: ", 0), 0u) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, InvalidCommandLine,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"add"},
                      std::vector<std::string>{"add", "HKCU\\X"},
                      std::vector<std::string>{"add", "HKLMX"},
                      std::vector<std::string>{"add", "HKLM\\X", "/t", "REG_SZ"},
                      std::vector<std::string>{"add", "HKLM\\X", "/v", "A", "/t", "REG_BINARY"},
                      std::vector<std::string>{"add", "HKLM\\X", "/v", "A", "/v", "B"},
                      std::vector<std::string>{"add", "HKLM\\X", "/v"},
                      std::vector<std::string>{"query", "HKLM\\X", "/f"},
                      std::vector<std::string>{"export", "HKLM\\X"},
                      std::vector<std::string>{"import", "a.reg", "b.reg"}));

TEST_F(M716Reg, HelpNamesTheStoreInUse) {
  const Result help = run({"/?"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("The store in use: " + store_.file() + "\n"), std::string::npos)
      << help.out;
}

TEST_F(M716Reg, ExistingValueIsOverwrittenOnlyWhenConfirmedOrForced) {
  create("Settings").setDword("Speed", 1);
  const std::vector<std::string> add = {"add", "HKLM\\Settings", "/v", "speed",
                                        "/t",  "REG_DWORD",      "/d"};
  auto withData = [&](const char* data) {
    auto arguments = add;
    arguments.push_back(data);
    return arguments;
  };

  Result declined = run(withData("2"), "n\n");
  EXPECT_EQ(declined.status, 1);
  EXPECT_EQ(declined.out.rfind("Value speed exists, overwrite(Yes/No)?", 0), 0u);
  EXPECT_EQ(run(withData("2")).status, 1);  // no answer at all
  EXPECT_EQ(storedDword("Settings", "Speed"), 1u);

  EXPECT_EQ(run(withData("3"), "YES\n").status, 0);
  EXPECT_EQ(storedDword("Settings", "Speed"), 3u);

  auto forced = withData("4");
  forced.push_back("/F");
  EXPECT_EQ(run(forced).out, kCompleted);
  EXPECT_EQ(storedDword("Settings", "Speed"), 4u);

  EXPECT_EQ(run({"delete", "HKLM\\Settings", "/v", "Speed"}, "no\n").status, 1);
  EXPECT_EQ(run({"delete", "HKLM\\Settings"}, "\n").status, 1);
  EXPECT_EQ(storedDword("Settings", "Speed"), 4u);
  EXPECT_EQ(run({"delete", "HKLM\\Settings"}, "y\n").status, 0);
  EXPECT_EQ(storedDword("Settings", "Speed"), 0xDEADBEEFu);
}

TEST_F(M716Reg, ExportWritesTheRegFormat) {
  RegKey board = create("Software\\M716\\Board300");
  board.setDword("Base", 0x300);
  board.setString("Path", "C:\\M716 \"main\"");
  board.setString("", "default");
  create("Software\\M716\\Board300\\Xaxis").setDword("LimitMinus", 0xFFF0BDC0);

  ASSERT_EQ(run({"export", "HKLM\\software\\m716", file("out.reg")}).out, kCompleted);
  EXPECT_EQ(contentsOf(file("out.reg")),
            "REGEDIT4\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\M716]\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\M716\\Board300]\n"
            "@=\"default\"\n"
            "\"Base\"=dword:00000300\n"
            "\"Path\"=\"C:\\\\M716 \\\"main\\\"\"\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\M716\\Board300\\Xaxis]\n"
            "\"LimitMinus\"=dword:fff0bdc0\n"
            "\n");
}

TEST_F(M716Reg, AFailedExportLeavesTheFileAsItWas) {
  const fs::path kept = store_.folder() / "exports" / "kept.reg";
  fs::create_directories(kept.parent_path());
  writeFile(kept, "kept");
  EXPECT_EQ(run({"export", "HKLM\\Absent", kept.string()}).status, 1);
  EXPECT_EQ(contentsOf(kept), "kept");
  EXPECT_EQ(std::distance(fs::directory_iterator(kept.parent_path()), {}), 1);  // nothing left
}

TEST_F(M716Reg, ExportDeleteImportRestoresTheSameTree) {
  RegKey top = create("Software\\Machine");
  top.setString("Text", "back\\slash and \"quotes\"");
  top.setString("Empty", "");
  top.setDword("Max", 0xFFFFFFFF);
  create("Software\\Machine\\beta\\Deep").setDword("Level", 3);
  create("Software\\Machine\\Alpha").setString("Name", "a");
  const std::vector<std::string> keys = {"HKLM\\Software\\Machine", "HKLM\\Software\\Machine\\beta",
                                         "HKLM\\Software\\Machine\\beta\\Deep",
                                         "HKLM\\Software\\Machine\\Alpha"};
  std::vector<std::string> before;
  for (const auto& key : keys) before.push_back(run({"query", key}).out);

  ASSERT_EQ(run({"export", keys[0], file("machine.reg")}).status, 0);
  ASSERT_EQ(run({"delete", keys[0], "/f"}).status, 0);
  ASSERT_EQ(run({"query", keys[0]}).status, 1);
  const Result imported = run({"import", file("machine.reg")});
  ASSERT_EQ(imported.status, 0) << imported.err;

  for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(run({"query", keys[i]}).out, before[i]);
}

TEST_F(M716Reg, ImportReadsTheUnicodeHeaderCrlfAndDeletions) {
  create("Old\\Sub");
  create("Keep").setDword("Gone", 1);
  writeFile(file("in.reg"),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n"
            "; a comment\r\n"
            "[-HKEY_LOCAL_MACHINE\\Old]\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\Keep]\r\n"
            "\"Gone\"=-\r\n"
            "\"Added\"=dword:0000000A\r\n"
            "@=\"default\"\r\n");
  ASSERT_EQ(run({"import", file("in.reg")}).out, kCompleted);

  RegKey key;
  EXPECT_EQ(registry().openKey("Old", key), RegStatus::notFound);
  EXPECT_EQ(storedDword("Keep", "Gone"), 0xDEADBEEFu);
  EXPECT_EQ(storedDword("Keep", "Added"), 10u);
  std::string text;
  ASSERT_EQ(registry().openKey("Keep", key), RegStatus::ok);
  EXPECT_EQ(key.queryString("", text), RegStatus::ok);
  EXPECT_EQ(text, "default");
}

TEST_F(M716Reg, ImportOfABadFileChangesNothing) {
  writeFile(file("bad.reg"),
            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\New]\n\"A\"=dword:1\n\"B\"=hex:01,02\n");
  const Result result = run({"import", file("bad.reg")});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(isOneLine(result.err)) << result.err;
  EXPECT_NE(result.err.find("line 5"), std::string::npos) << result.err;
  RegKey key;
  EXPECT_EQ(registry().openKey("New", key), RegStatus::notFound);

  writeFile(file("plain.txt"), "[HKEY_LOCAL_MACHINE\\New]\n");
  EXPECT_EQ(run({"import", file("plain.txt")}).status, 1);
  EXPECT_EQ(run({"import", file("missing.reg")}).status, 1);
}

// A file that is no store of ours is refused with the cause, before a byte of it changes.
struct BadStore {
  const char* name;
  void (*make)(const fs::path& file);
  const char* cause;
  bool unprivileged;  // the cause is a permission, which does not stop root
};

void PrintTo(const BadStore& store, std::ostream* out) {
  *out << store.name;
}

class BadStoreFile : public M716Reg, public ::testing::WithParamInterface<BadStore> {};

TEST_P(BadStoreFile, IsRefusedWithItsCauseAndLeftAsItWas) {
  const fs::path file = store_.folder() / "other" / "registry.db";
  fs::create_directories(file.parent_path());
  GetParam().make(file);
  const std::string before = contentsOf(file);
  ::setenv("M716_REGISTRY", file.c_str(), 1);
  const std::vector<std::string> query = {"query", "HKLM"};
  const Result result = GetParam().unprivileged ? runUnprivileged(query) : run(query);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ERROR: Cannot open the registry store " + file.string() + ": " +
                            GetParam().cause + ".\n");
  EXPECT_EQ(contentsOf(file), before);
  EXPECT_FALSE(fs::exists(file.string() + "-wal"));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, BadStoreFile,
    ::testing::Values(
        BadStore{"NotADatabase", [](const fs::path& file) { writeFile(file, "REGEDIT4\n"); },
                 "not a registry store", false},
        BadStore{"AnotherProgramsDatabase",
                 [](const fs::path& file) {
                   runSql(file, "CREATE TABLE t (a); INSERT INTO t VALUES (1)");
                 },
                 "not a registry store", false},
        BadStore{"TablesOfAnotherShape",
                 [](const fs::path& file) {
                   runSql(file, "CREATE TABLE keys (id); CREATE TABLE key_values (key)");
                 },
                 "not a registry store", false},
        BadStore{"MarkedByAnotherProgram",
                 [](const fs::path& file) { runSql(file, "PRAGMA application_id = 7"); },
                 "not a registry store", false},
        BadStore{"Unreadable",
                 [](const fs::path& file) {
                   writeFile(file, "");
                   fs::permissions(file, fs::perms::none);
                 },
                 "permission denied", true},
        BadStore{"MissingInAFolderThatMayNotBeWritten",
                 [](const fs::path& file) {
                   fs::permissions(file.parent_path(),
                                   fs::perms::owner_read | fs::perms::owner_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
                 },
                 "permission denied", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(M716Reg, AStoreOfAnEarlierVersionKeepsItsDataAndIsMarked) {
  create("Kept").setDword("Value", 5);
  runSql(store_.file(), "PRAGMA application_id = 0; PRAGMA user_version = 0");
  const Result query = run({"query", "HKLM\\Kept", "/v", "Value"});
  EXPECT_NE(query.out.find("Value    REG_DWORD    0x5"), std::string::npos) << query.err;
  EXPECT_EQ(runSql(store_.file(),
                   "SELECT application_id = 0x4D373136 AND user_version = 1 "
                   "FROM pragma_application_id, pragma_user_version"),
            "1\n");
}

TEST_F(M716Reg, ReadersGoOnBesideAWriterWhileAWriteWaitsAndSaysTheStoreIsBusy) {
  create("Shared").setDword("Value", 1);
  platform::RegTransaction change(registry());
  create("Shared").setDword("Value", 2);

  const Result query = run({"query", "HKLM\\Shared", "/v", "Value"});
  EXPECT_NE(query.out.find("REG_DWORD    0x1"), std::string::npos) << query.err;
  EXPECT_EQ(run({"export", "HKLM\\Shared", file("shared.reg")}).status, 0);
  const Result add = run({"add", "HKLM\\Other"});  // after the busy time-out
  EXPECT_EQ(add.err,
            "ERROR: Error accessing the registry: busy: another program is changing it.\n");
}

TEST_F(M716Reg, AStoreThatMayOnlyBeReadIsReadAndRefusesChangesSayingWhy) {
  create("Kept").setDword("Value", 5);
  platform::useRegistryFile(file("other.db"));  // the last connection closes: its log goes
  fs::permissions(store_.file(),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(store_.folder(), fs::perms::all);  // SQLite's files may be made beside it

  const Result query = runUnprivileged({"query", "HKLM\\Kept", "/v", "Value"});
  EXPECT_NE(query.out.find("REG_DWORD    0x5"), std::string::npos) << query.err;
  const Result add = runUnprivileged({"add", "HKLM\\Kept", "/v", "Value", "/d", "x", "/f"});
  EXPECT_EQ(add.status, 1);
  EXPECT_EQ(add.err, "ERROR: Error accessing the registry: permission denied.\n");
}

class ExportOntoTheStore : public M716Reg, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExportOntoTheStore, IsRefusedAndTheStoreKeepsItsData) {
  RegKey kept = create("Kept");
  kept.setDword("Value", 5);
  ASSERT_EQ(kept.flush(), RegStatus::ok);  // everything in the main file, none in the log
  const Result result = run({"export", "HKLM\\Kept", (store_.folder() / GetParam()).string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("is the registry store itself"), std::string::npos) << result.err;
  EXPECT_NE(run({"query", "HKLM\\Kept", "/v", "Value"}).out.find("0x5"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Spellings, ExportOntoTheStore,
                         ::testing::Values("registry.db", "./registry.db", "registry.db-wal",
                                           "registry.db-shm"));

struct DepthCase {
  std::size_t depth;
  bool imported;  // from a .reg file, else by add
};

class KeyDepth : public M716Reg, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(KeyDepth, GoesTo512LevelsAndNoDeeper) {
  const auto [depth, imported] = GetParam();
  Result result;
  if (imported) {
    writeFile(file("deep.reg"), "REGEDIT4\n\n[" + keyOfDepth(depth) + "]\n");
    result = run({"import", file("deep.reg")});
  } else {
    result = run({"add", keyOfDepth(depth)});
  }
  const bool accepted = depth <= 512;
  EXPECT_EQ(result.status, accepted ? 0 : 1);
  if (!accepted) {
    EXPECT_EQ(result.err, "ERROR: Invalid key name: a key can be at most 512 levels deep.\n");
  }
  RegKey key;
  EXPECT_EQ(registry().openKey("k", key), accepted ? RegStatus::ok : RegStatus::notFound);
}

INSTANTIATE_TEST_SUITE_P(AddAndImport, KeyDepth,
                         ::testing::Values(DepthCase{512, false}, DepthCase{513, false},
                                           DepthCase{512, true}, DepthCase{513, true}));

// An earlier version let keys go deeper than 512 levels; such a tree is still exported and
// deleted, each key costing the same however deep it lies.
TEST_F(M716Reg, ATreeThousandsOfLevelsDeepIsExportedAndDeletedQuickly) {
  constexpr int kDepth = 5000;
  runSql(store_.file(),
         "WITH RECURSIVE level (n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM level "
         "WHERE n < " +
             std::to_string(kDepth) +
             ") "
             "INSERT INTO keys (id, parent, name) SELECT 100000 + n, "
             "CASE n WHEN 1 THEN 0 ELSE 99999 + n END, 'k' FROM level");
  const auto start = std::chrono::steady_clock::now();
  const Result exported = run({"export", "HKLM\\k", file("deep.reg")});
  const Result deleted = run({"delete", "HKLM\\k", "/f"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  EXPECT_EQ(exported.status, 0) << exported.err;
  const std::string text = contentsOf(file("deep.reg"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '['), kDepth);
  EXPECT_EQ(deleted.status, 0) << deleted.err;
  RegKey key;
  EXPECT_EQ(registry().openKey("k", key), RegStatus::notFound);
}

}  // namespace
}  // namespace m716

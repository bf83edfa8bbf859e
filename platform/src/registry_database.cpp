#include "registry_database.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <vector>

// Defined only by the tests' fault library (tests/support/registry_faults.h), to make a chosen
// write fail; nothing the system installs defines it, so there every write goes to the store.
extern "C" [[gnu::weak]] bool m716_registry_write_fails();

namespace {

// True for a write that is to fail.
bool writeFaultDue() {
  return m716_registry_write_fails != nullptr && m716_registry_write_fails();
}

}  // namespace

namespace m716::platform::detail {
namespace {

constexpr int kBusyTimeoutMs = 5000;

// The marks of our stores in the database header: the application ("M716" in ASCII) and the
// layout of the tables below.
constexpr std::int64_t kApplicationId = 0x4D373136;
constexpr std::int64_t kLayoutVersion = 1;

// Key 0 is HKEY_LOCAL_MACHINE itself. Ids are never reused, so a key handle that outlives its
// key cannot reach a newer key.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
  name TEXT NOT NULL COLLATE NOCASE,
  UNIQUE (parent, name));
INSERT OR IGNORE INTO keys (id, parent, name) VALUES (0, NULL, '');
CREATE TABLE IF NOT EXISTS key_values (
  key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  data,
  PRIMARY KEY (key, name)) WITHOUT ROWID;
)sql";

constexpr const char* kTables = "SELECT type, name, sql FROM sqlite_schema ORDER BY name";
constexpr const char* kMarks =
    "SELECT application_id, user_version FROM pragma_application_id, pragma_user_version";

// Appends the rows of `sql` to `rows`, one line each, every column followed by a tab.
int collectRows(sqlite3* db, const char* sql, std::string& rows) {
  const auto append = [](void* out, int columns, char** values, char**) {
    auto& text = *static_cast<std::string*>(out);
    for (int i = 0; i < columns; ++i) text.append(values[i] ? values[i] : "").append("\t");
    text += '\n';
    return 0;
  };
  return sqlite3_exec(db, sql, append, &rows, nullptr);
}

// The tables of a store, as sqlite_schema lists them.
const std::string& ourTables() {
  static const std::string tables = [] {
    std::string rows;
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
    collectRows(db, kTables, rows);
    sqlite3_close(db);
    return rows;
  }();
  return tables;
}

// SQLite keeps the error of its last attempt, a read-only open of a file that may not exist:
// the file system says why the file could not be opened or made.
RegStatus whyNotOpened(const std::string& file) {
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  const bool refused = ::access(file.c_str(), F_OK) == 0
                           ? ::access(file.c_str(), R_OK) != 0
                           : ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0;
  return refused && (errno == EACCES || errno == EPERM || errno == EROFS) ? RegStatus::accessDenied
                                                                          : RegStatus::failed;
}

}  // namespace

Statement::~Statement() {
  sqlite3_finalize(stmt_);
}

bool Statement::prepare(sqlite3* db, const char* sql) {
  return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) == SQLITE_OK;
}

Statement::Use::~Use() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

Statement::Use& Statement::Use::bind(std::int64_t value) {
  sqlite3_bind_int64(stmt_, nextParameter_++, value);
  return *this;
}

Statement::Use& Statement::Use::bind(std::string_view text) {
  sqlite3_bind_text(stmt_, nextParameter_++, text.data(), static_cast<int>(text.size()),
                    SQLITE_TRANSIENT);
  return *this;
}

int Statement::Use::step() {
  return sqlite3_step(stmt_);
}

// An injected fault fails the statement the way a failed disk write fails it.
int Statement::Use::stepChange() {
  return writeFaultDue() ? SQLITE_IOERR_WRITE : step();
}

std::int64_t Statement::Use::integer(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

std::string Statement::Use::text(int column) const {
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  if (!bytes) return {};
  return std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

// open() prepares the statements, members constructed after openStatus_: it runs here, not in
// the initialiser list.
RegistryDatabase::RegistryDatabase(const std::string& file) {
  openStatus_ = open(file);
  if (openStatus_ != RegStatus::ok) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

// close_v2 lets the statements, finalised after this body, release the connection.
RegistryDatabase::~RegistryDatabase() {
  sqlite3_close_v2(db_);
}

// Opening reads and writes nothing unless the file is a new store: readers go on beside a
// writer, a store this process may only read is read, and another program's file stays as it
// was. A store of an earlier version (our tables, no marks) is marked when no other process
// is writing; otherwise at a later open.
RegStatus RegistryDatabase::open(const std::string& file) {
  const int opened =
      sqlite3_open_v2(file.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (opened != SQLITE_OK) return opened == SQLITE_CANTOPEN ? whyNotOpened(file) : statusOf(opened);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  Contents contents = Contents::foreign;
  RegStatus status = recognise(contents);
  if (status == RegStatus::ok && contents == Contents::foreign) status = RegStatus::notAStore;
  if (status == RegStatus::ok && contents == Contents::empty) {
    status = execute("PRAGMA journal_mode=WAL");
    if (status == RegStatus::ok) status = adopt();
  }
  if (contents == Contents::unmarked) {
    sqlite3_busy_timeout(db_, 0);
    adopt();
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  }
  if (status == RegStatus::ok)
    status = execute("PRAGMA foreign_keys=ON; PRAGMA synchronous=NORMAL");
  if (status == RegStatus::ok && !prepareStatements()) status = RegStatus::failed;
  return status;
}

// Empty: no tables and no marks, as a file SQLite has just made (or a creation that stopped
// before its tables were written).
RegStatus RegistryDatabase::recognise(Contents& contents) {
  std::string marks, tables;
  int result = collectRows(db_, kMarks, marks);
  if (result == SQLITE_OK) result = collectRows(db_, kTables, tables);
  if (result != SQLITE_OK) return statusOf(result);
  const std::string unmarked = "0\t0\t\n";
  const std::string ours =
      std::to_string(kApplicationId) + '\t' + std::to_string(kLayoutVersion) + "\t\n";
  if (marks == unmarked && tables.empty()) {
    contents = Contents::empty;
  } else if (tables != ourTables()) {
    contents = Contents::foreign;
  } else if (marks == unmarked) {
    contents = Contents::unmarked;
  } else {
    contents = marks == ours ? Contents::ours : Contents::foreign;
  }
  return RegStatus::ok;
}

// Makes an empty or unmarked file a marked store, after looking at it again inside the write
// transaction, where no other process changes it any more.
RegStatus RegistryDatabase::adopt() {
  const std::string mark = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                           "; PRAGMA user_version = " + std::to_string(kLayoutVersion);
  Contents contents = Contents::foreign;
  RegStatus status = execute("BEGIN IMMEDIATE");
  if (status == RegStatus::ok) status = recognise(contents);
  if (status == RegStatus::ok && contents == Contents::foreign) status = RegStatus::notAStore;
  if (status == RegStatus::ok && contents == Contents::empty) status = execute(kSchema);
  if (status == RegStatus::ok && contents != Contents::ours) status = execute(mark.c_str());
  if (status == RegStatus::ok) status = execute("COMMIT");
  if (status != RegStatus::ok && !sqlite3_get_autocommit(db_)) execute("ROLLBACK");
  return status;
}

RegStatus RegistryDatabase::execute(const char* sql) {
  return statusOf(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

RegStatus RegistryDatabase::statusOf(int result) const {
  switch (result & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
      return RegStatus::ok;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return RegStatus::accessDenied;
    case SQLITE_CANTOPEN: {
      const int error = db_ ? sqlite3_system_errno(db_) : 0;
      return error == EACCES || error == EPERM || error == EROFS ? RegStatus::accessDenied
                                                                 : RegStatus::failed;
    }
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return RegStatus::busy;
    case SQLITE_NOTADB:
      return RegStatus::notAStore;
    default:
      return RegStatus::failed;
  }
}

bool RegistryDatabase::prepareStatements() {
  const std::pair<Statement*, const char*> statements[] = {
      {&findSubkey_, "SELECT id, name FROM keys WHERE parent = ? AND name = ?"},
      {&addSubkey_,
       "INSERT INTO keys (parent, name) VALUES (?, ?) ON CONFLICT (parent, name) DO NOTHING"},
      {&keyExists_, "SELECT 1 FROM keys WHERE id = ?"},
      {&subtree_,
       "WITH RECURSIVE tree (id, depth) AS (SELECT id, 0 FROM keys WHERE id = ? UNION ALL "
       "SELECT keys.id, tree.depth + 1 FROM keys JOIN tree ON keys.parent = tree.id) "
       "SELECT id FROM tree ORDER BY depth DESC"},
      {&removeKey_, "DELETE FROM keys WHERE id = ?"},
      {&subkeyAt_, "SELECT name FROM keys WHERE parent = ? ORDER BY name LIMIT 1 OFFSET ?"},
      {&readValue_, "SELECT name, type, data FROM key_values WHERE key = ? AND name = ?"},
      {&writeValue_,
       "INSERT INTO key_values (key, name, type, data) VALUES (?, ?, ?, ?) "
       "ON CONFLICT (key, name) DO UPDATE SET type = excluded.type, data = excluded.data"},
      {&removeValue_, "DELETE FROM key_values WHERE key = ? AND name = ?"},
      {&valueAt_,
       "SELECT name, type, data FROM key_values WHERE key = ? ORDER BY name LIMIT 1 OFFSET ?"},
      {&begin_, "BEGIN IMMEDIATE"},
      {&beginSnapshot_, "BEGIN DEFERRED"},
      {&commit_, "COMMIT"},
      {&rollback_, "ROLLBACK"},
      {&savepoint_, "SAVEPOINT nested"},
      {&release_, "RELEASE nested"},
      {&rollbackToSavepoint_, "ROLLBACK TO nested"},
      {&checkpoint_, "PRAGMA wal_checkpoint(PASSIVE)"},
  };
  for (const auto& [statement, sql] : statements) {
    if (!statement->prepare(db_, sql)) return false;
  }
  return true;
}

std::optional<StoredKey> RegistryDatabase::findSubkey(std::int64_t parent, std::string_view name,
                                                      bool* error) {
  Statement::Use query(findSubkey_);
  const int result = query.bind(parent).bind(name).step();
  *error = result != SQLITE_ROW && result != SQLITE_DONE;
  if (result != SQLITE_ROW) return std::nullopt;
  return StoredKey{query.integer(0), query.text(1)};
}

RegStatus RegistryDatabase::addSubkey(std::int64_t parent, std::string_view name, bool* added) {
  Statement::Use insert(addSubkey_);
  const int result = insert.bind(parent).bind(name).stepChange();
  if (result == SQLITE_CONSTRAINT) return RegStatus::notFound;  // the parent is gone
  *added = result == SQLITE_DONE && sqlite3_changes(db_) > 0;
  return statusOf(result);
}

RegStatus RegistryDatabase::keyExists(std::int64_t id) {
  Statement::Use query(keyExists_);
  const int result = query.bind(id).step();
  switch (result) {
    case SQLITE_ROW:
      return RegStatus::ok;
    case SQLITE_DONE:
      return RegStatus::notFound;
    default:
      return statusOf(result);
  }
}

// One key at a time from the leaves up, so that no deletion cascades: a cascade through a
// deep tree recurses once per level.
RegStatus RegistryDatabase::removeTree(std::int64_t id) {
  std::vector<std::int64_t> tree;
  {
    Statement::Use query(subtree_);
    int result = query.bind(id).step();
    for (; result == SQLITE_ROW; result = query.step()) tree.push_back(query.integer(0));
    if (result != SQLITE_DONE) return statusOf(result);
  }
  if (tree.empty()) return RegStatus::notFound;
  if (writeFaultDue()) return RegStatus::failed;  // the whole tree is one write
  for (const std::int64_t key : tree) {
    const int result = Statement::Use(removeKey_).bind(key).step();
    if (result != SQLITE_DONE) return statusOf(result);
  }
  return RegStatus::ok;
}

RegStatus RegistryDatabase::subkeyAt(std::int64_t parent, std::uint32_t index, std::string& name) {
  Statement::Use query(subkeyAt_);
  const int result = query.bind(parent).bind(std::int64_t{index}).step();
  if (result == SQLITE_ROW) {
    name = query.text(0);
    return RegStatus::ok;
  }
  return result == SQLITE_DONE ? endOfList(parent) : statusOf(result);
}

// Past the last subkey or value: noMoreItems, unless the key itself is gone.
RegStatus RegistryDatabase::endOfList(std::int64_t key) {
  const RegStatus exists = keyExists(key);
  return exists == RegStatus::ok ? RegStatus::noMoreItems : exists;
}

namespace {

void loadValue(const Statement::Use& row, RegValue& value) {
  value.name = row.text(0);
  value.type = static_cast<RegType>(row.integer(1));
  if (value.type == RegType::string) {
    value.text = row.text(2);
    value.dword = 0;
    value.size = static_cast<std::uint32_t>(value.text.size() + 1);
  } else {
    value.text.clear();
    value.dword = static_cast<std::uint32_t>(row.integer(2));
    value.size = sizeof(std::uint32_t);
  }
}

}  // namespace

RegStatus RegistryDatabase::readValue(std::int64_t key, std::string_view name, RegValue& value) {
  Statement::Use query(readValue_);
  const int result = query.bind(key).bind(name).step();
  if (result == SQLITE_ROW) loadValue(query, value);
  if (result == SQLITE_DONE) return RegStatus::notFound;
  return result == SQLITE_ROW ? RegStatus::ok : statusOf(result);
}

RegStatus RegistryDatabase::writeValue(std::int64_t key, std::string_view name,
                                       const RegValue& value) {
  Statement::Use upsert(writeValue_);
  upsert.bind(key).bind(name).bind(static_cast<std::int64_t>(value.type));
  if (value.type == RegType::string) {
    upsert.bind(value.text);
  } else {
    upsert.bind(std::int64_t{value.dword});
  }
  const int result = upsert.stepChange();
  if (result == SQLITE_CONSTRAINT) return RegStatus::notFound;  // the key is gone
  return statusOf(result);
}

RegStatus RegistryDatabase::removeValue(std::int64_t key, std::string_view name) {
  Statement::Use remove(removeValue_);
  const int result = remove.bind(key).bind(name).stepChange();
  if (result == SQLITE_DONE && sqlite3_changes(db_) == 0) return RegStatus::notFound;
  return statusOf(result);
}

RegStatus RegistryDatabase::valueAt(std::int64_t key, std::uint32_t index, RegValue& value) {
  Statement::Use query(valueAt_);
  const int result = query.bind(key).bind(std::int64_t{index}).step();
  if (result == SQLITE_ROW) {
    loadValue(query, value);
    return RegStatus::ok;
  }
  return result == SQLITE_DONE ? endOfList(key) : statusOf(result);
}

RegStatus RegistryDatabase::begin(int depth, bool snapshot) {
  Statement& start = depth > 0 ? savepoint_ : snapshot ? beginSnapshot_ : begin_;
  return statusOf(Statement::Use(start).step());
}

RegStatus RegistryDatabase::commit(int depth) {
  if (depth > 1) return statusOf(Statement::Use(release_).step());
  const RegStatus status = statusOf(Statement::Use(commit_).step());
  if (status != RegStatus::ok) rollback(depth);
  return status;
}

void RegistryDatabase::rollback(int depth) {
  if (depth > 1) {
    Statement::Use(rollbackToSavepoint_).step();
    Statement::Use(release_).step();
  } else if (!sqlite3_get_autocommit(db_)) {
    Statement::Use(rollback_).step();
  }
}

RegStatus RegistryDatabase::checkpoint() {
  Statement::Use pragma(checkpoint_);
  const int result = pragma.step();
  return result == SQLITE_ROW ? RegStatus::ok : statusOf(result);
}

}  // namespace m716::platform::detail

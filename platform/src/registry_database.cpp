#include "registry_database.h"

#include <atomic>

#include "m716/platform/registry_faults.h"

namespace m716::platform {
namespace {

std::atomic<std::uint32_t> writesUntilFault{0};  // 0: no fault pending

// Counts one write towards a pending fault; true for the write that is to fail.
bool writeFaultDue() {
  std::uint32_t left = writesUntilFault.load();
  while (left != 0 && !writesUntilFault.compare_exchange_weak(left, left - 1)) {
  }
  return left == 1;
}

}  // namespace

void failRegistryWrite(std::uint32_t n) {
  writesUntilFault = n;
}

void clearRegistryWriteFault() {
  failRegistryWrite(0);
}

}  // namespace m716::platform

namespace m716::platform::detail {
namespace {

constexpr int kBusyTimeoutMs = 5000;

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

RegStatus statusOf(int result) {
  return result == SQLITE_DONE ? RegStatus::ok : RegStatus::failed;
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

RegistryDatabase::RegistryDatabase(const std::string& file) {
  if (!open(file)) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

// close_v2 lets the statements, finalised after this body, release the connection.
RegistryDatabase::~RegistryDatabase() {
  sqlite3_close_v2(db_);
}

bool RegistryDatabase::open(const std::string& file) {
  if (sqlite3_open_v2(file.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    return false;
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  return execute("PRAGMA journal_mode=WAL") && execute("PRAGMA synchronous=NORMAL") &&
         execute("PRAGMA foreign_keys=ON") && execute("BEGIN IMMEDIATE") && execute(kSchema) &&
         execute("COMMIT") && prepareStatements();
}

bool RegistryDatabase::execute(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool RegistryDatabase::prepareStatements() {
  const std::pair<Statement*, const char*> statements[] = {
      {&findSubkey_, "SELECT id, name FROM keys WHERE parent = ? AND name = ?"},
      {&addSubkey_,
       "INSERT INTO keys (parent, name) VALUES (?, ?) ON CONFLICT (parent, name) DO NOTHING"},
      {&keyExists_, "SELECT 1 FROM keys WHERE id = ?"},
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
  switch (query.bind(id).step()) {
    case SQLITE_ROW:
      return RegStatus::ok;
    case SQLITE_DONE:
      return RegStatus::notFound;
    default:
      return RegStatus::failed;
  }
}

RegStatus RegistryDatabase::removeKey(std::int64_t id) {
  Statement::Use remove(removeKey_);
  const int result = remove.bind(id).stepChange();
  if (result == SQLITE_DONE && sqlite3_changes(db_) == 0) return RegStatus::notFound;
  return statusOf(result);
}

RegStatus RegistryDatabase::subkeyAt(std::int64_t parent, std::uint32_t index, std::string& name) {
  Statement::Use query(subkeyAt_);
  const int result = query.bind(parent).bind(std::int64_t{index}).step();
  if (result == SQLITE_ROW) {
    name = query.text(0);
    return RegStatus::ok;
  }
  return result == SQLITE_DONE ? endOfList(parent) : RegStatus::failed;
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
  return result == SQLITE_ROW ? RegStatus::ok : RegStatus::failed;
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
  return result == SQLITE_DONE ? endOfList(key) : RegStatus::failed;
}

RegStatus RegistryDatabase::begin(int depth) {
  return statusOf(Statement::Use(depth == 0 ? begin_ : savepoint_).step());
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
  return pragma.step() == SQLITE_ROW ? RegStatus::ok : RegStatus::failed;
}

}  // namespace m716::platform::detail

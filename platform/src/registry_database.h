#pragma once
// The SQLite side of the registry: one connection, its schema and its prepared statements.
// Not thread-safe: RegistryStore serialises every call with its store mutex.

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "m716/platform/registry.h"

namespace m716::platform::detail {

// A prepared statement kept for the life of the connection. Each use binds from parameter 1,
// steps, and resets the statement when the Use ends.
class Statement {
 public:
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  bool prepare(sqlite3* db, const char* sql);

  class Use {
   public:
    explicit Use(Statement& statement) : stmt_(statement.stmt_) {}
    ~Use();
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

    Use& bind(std::int64_t value);
    Use& bind(std::string_view text);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // step() for a statement that changes the store; fails when failRegistryWrite says so.
    int stepChange();
    std::int64_t integer(int column) const;
    std::string text(int column) const;

   private:
    sqlite3_stmt* stmt_;
    int nextParameter_ = 1;
  };

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

struct StoredKey {
  std::int64_t id;
  std::string name;  // as stored, in its original case
};

class RegistryDatabase {
 public:
  static constexpr std::int64_t kRootId = 0;

  explicit RegistryDatabase(const std::string& file);
  ~RegistryDatabase();
  RegistryDatabase(const RegistryDatabase&) = delete;
  RegistryDatabase& operator=(const RegistryDatabase&) = delete;

  bool isOpen() const { return db_ != nullptr; }
  RegStatus openStatus() const { return openStatus_; }

  // Keys. A failed lookup gives nullopt with *error set when the database failed.
  std::optional<StoredKey> findSubkey(std::int64_t parent, std::string_view name, bool* error);
  // Adds the subkey unless it exists; *added tells which.
  RegStatus addSubkey(std::int64_t parent, std::string_view name, bool* added);
  RegStatus keyExists(std::int64_t id);
  // Removes the key with its subkeys and values, deepest first; part of the caller's
  // transaction, which takes it back when it fails half-way.
  RegStatus removeTree(std::int64_t id);
  RegStatus subkeyAt(std::int64_t parent, std::uint32_t index, std::string& name);

  // Values.
  RegStatus readValue(std::int64_t key, std::string_view name, RegValue& value);
  RegStatus writeValue(std::int64_t key, std::string_view name, const RegValue& value);
  RegStatus removeValue(std::int64_t key, std::string_view name);
  RegStatus valueAt(std::int64_t key, std::uint32_t index, RegValue& value);

  // Transactions: the outermost level is a database transaction (one that waits for other
  // writers, or a snapshot that only reads), inner levels are savepoints.
  RegStatus begin(int depth, bool snapshot);
  RegStatus commit(int depth);
  void rollback(int depth);
  RegStatus checkpoint();

 private:
  enum class Contents { empty, ours, unmarked, foreign };

  RegStatus open(const std::string& file);
  RegStatus recognise(Contents& contents);
  RegStatus adopt();
  RegStatus execute(const char* sql);
  bool prepareStatements();
  RegStatus endOfList(std::int64_t key);
  // The cause of a failed SQLite call, from its result code.
  RegStatus statusOf(int result) const;

  sqlite3* db_ = nullptr;
  RegStatus openStatus_ = RegStatus::failed;
  Statement findSubkey_, addSubkey_, keyExists_, subtree_, removeKey_, subkeyAt_;
  Statement readValue_, writeValue_, removeValue_, valueAt_;
  Statement begin_, beginSnapshot_, commit_, rollback_, savepoint_, release_, rollbackToSavepoint_;
  Statement checkpoint_;
};

}  // namespace m716::platform::detail

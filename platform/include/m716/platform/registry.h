#pragma once
// The system registry (HKEY_LOCAL_MACHINE only), kept in one SQLite database file.
//
// Semantics follow the Windows registry: key paths ("A\B\C", relative to HKLM) and value
// names are case-insensitive and case-preserving; creating a key tells whether it was new;
// deleting a key deletes its subkeys; enumeration ends with RegStatus::noMoreItems; strings
// are stored with their terminating null counted in their size.
//
// Concurrency: every call may run on any thread at any time. Several processes may share one
// file (WAL mode): reads go on beside another process's change, writes wait for it up to a
// busy time-out of 5 s. A RegTransaction makes the calls of its thread on its store one atomic
// change; other threads' calls on the same store wait until it ends.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "m716/platform/export.h"

namespace m716::platform {

// The last four say why the store refused: it may not be read or changed by this process
// (accessDenied), the file is not a registry store (notAStore), another process holds it
// longer than the busy time-out (busy), the key would lie deeper than kMaxKeyDepth (tooDeep).
enum class RegStatus {
  ok,
  notFound,
  noMoreItems,
  wrongType,
  failed,
  accessDenied,
  notAStore,
  busy,
  tooDeep
};

// "permission denied", "not a registry store", "busy", ...: the cause as users read it.
M716_PLATFORM_API const char* regStatusText(RegStatus status);

// Levels of keys below HKEY_LOCAL_MACHINE, as in the registry the store models.
inline constexpr std::size_t kMaxKeyDepth = 512;

enum class RegType : std::uint32_t { string = 1, dword = 4 };

struct RegValue {
  std::string name;
  RegType type = RegType::dword;
  std::uint32_t dword = 0;  // for RegType::dword
  std::string text;         // for RegType::string, without the terminating null
  std::uint32_t size = 0;   // stored size in bytes (4, or text length + 1)
};

class RegistryStore;

// An open key, like an HKEY. Closed by close() or when destroyed. Calls on a key that was
// deleted meanwhile fail with notFound.
class M716_PLATFORM_API RegKey {
 public:
  RegKey() = default;
  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey();

  bool isOpen() const { return store_ != nullptr; }
  const std::string& path() const { return path_; }

  RegStatus queryDword(std::string_view name, std::uint32_t& value) const;
  RegStatus queryString(std::string_view name, std::string& text) const;
  RegStatus queryValue(std::string_view name, RegValue& value) const;
  // Stores `value` under `name` with its type and its dword or text; value.name is not used.
  RegStatus setValue(std::string_view name, const RegValue& value);
  RegStatus setDword(std::string_view name, std::uint32_t value);
  RegStatus setString(std::string_view name, std::string_view text);
  RegStatus deleteValue(std::string_view name);
  // Subkeys and values in a stable order (by name, case-insensitively); an index past the
  // last gives noMoreItems.
  RegStatus enumKey(std::uint32_t index, std::string& name) const;
  RegStatus enumValue(std::uint32_t index, RegValue& value) const;
  // Opens `path` below this key.
  RegStatus openKey(std::string_view path, RegKey& key) const;
  RegStatus flush();
  void close();

 private:
  friend class RegistryStore;
  RegistryStore* store_ = nullptr;
  std::int64_t id_ = 0;
  std::string path_;
  std::shared_ptr<RegistryStore> owner_;  // keeps a shared store alive while the key is open
};

// One connection to a registry file. Keys opened on a store held by a shared_ptr keep the
// store alive until they are closed. Opening creates the store when the file is missing or
// empty, and otherwise only reads: a file made by anything else (another program's database
// included) is no store and stays untouched. A store of an earlier version (exactly our
// tables, not yet marked as ours) is marked at an open while no other process writes it.
class M716_PLATFORM_API RegistryStore : public std::enable_shared_from_this<RegistryStore> {
 public:
  explicit RegistryStore(const std::string& file);
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  bool isOpen() const;
  // Why the store did not open (ok when it did): accessDenied, notAStore, busy or failed.
  // The calls of a store that did not open fail with this status.
  RegStatus openStatus() const;
  const std::string& file() const;

  RegStatus openKey(std::string_view path, RegKey& key);
  // Creates the key and any missing parents; *created tells whether the key was new.
  RegStatus createKey(std::string_view path, RegKey& key, bool* created = nullptr);
  // Deletes the key with all its subkeys and values.
  RegStatus deleteKey(std::string_view path);

  struct Impl;

 private:
  friend class RegKey;
  friend class RegTransaction;
  void bind(RegKey& key, std::int64_t id, std::string path);
  std::unique_ptr<Impl> impl_;
};

// Groups the calls made on this thread on one store into one atomic change: committed by
// commit(), rolled back if destroyed before. Transactions may nest; only the outermost commits.
// A snapshot only reads: its calls see the store as it was when it began, and it waits for
// no writer of another process.
class M716_PLATFORM_API RegTransaction {
 public:
  enum class Kind { change, snapshot };
  explicit RegTransaction(RegistryStore& store, Kind kind = Kind::change);
  ~RegTransaction();
  RegTransaction(const RegTransaction&) = delete;
  RegTransaction& operator=(const RegTransaction&) = delete;
  RegStatus commit();

 private:
  RegistryStore& store_;
  bool done_ = false;
  RegStatus started_;  // ok once the transaction or savepoint began, else why it did not
};

// The process-wide store. Its file is $M716_REGISTRY when set, else the system store
// /var/lib/m716/registry.db when the package made that folder (whether or not this user may
// open it: there is no falling back to a store of one's own beside it), else
// $XDG_STATE_HOME/m716/registry.db (~/.local/state/m716/registry.db). The system folder is
// never made here. Opened at first use.
M716_PLATFORM_API RegistryStore& registry();
M716_PLATFORM_API std::string defaultRegistryFile();
// The rule of defaultRegistryFile: `chosen` ($M716_REGISTRY, or null), the system store's
// folder, the user's state folder.
M716_PLATFORM_API std::string registryFileFor(const char* chosen, const std::string& systemFolder,
                                              const std::string& stateFolder);
// Why a store did not open, as a person can act on it ("cannot open the registry store FILE:
// permission denied",
// for the system store with how to join the group that may use it); empty when it is open.
M716_PLATFORM_API std::string storeRefusal(const RegistryStore& store);
// As storeRefusal, and for an open store this user may only read, that it may only be read
// (boards cannot be opened then: their ownership marks beside it cannot be taken).
M716_PLATFORM_API std::string storeWriteRefusal(const RegistryStore& store);
// Points the process-wide store at another file (tests, tools); keys opened before keep
// working on the old connection until closed.
M716_PLATFORM_API void useRegistryFile(const std::string& file);

}  // namespace m716::platform

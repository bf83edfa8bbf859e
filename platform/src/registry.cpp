#include "m716/platform/registry.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "registry_database.h"

namespace m716::platform {

using detail::RegistryDatabase;

struct RegistryStore::Impl {
  explicit Impl(const std::string& storeFile) : file(storeFile), database(storeFile) {}

  // Opens (or, when `create`, makes) every key along `path` below `key`, and leaves `key` at
  // the last.
  RegStatus walk(detail::StoredKey& key, std::string_view path, bool create, bool* created);
  RegStatus begin(bool snapshot = false);
  RegStatus commit();
  void rollback();

  const std::string file;
  std::recursive_mutex mutex;  // held by a RegTransaction for its whole life
  RegistryDatabase database;
  int transactionDepth = 0;
};

namespace {

// "\A\\B\" -> {"A", "B"}: empty components between backslashes are ignored.
std::vector<std::string_view> splitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const auto end = path.find('\\');
    const auto part = path.substr(0, end);
    if (!part.empty()) parts.push_back(part);
    if (end == std::string_view::npos) break;
    path.remove_prefix(end + 1);
  }
  return parts;
}

// An internal change of several statements; joins the caller's transaction when there is one.
class ScopedChange {
 public:
  explicit ScopedChange(RegistryStore::Impl& store) : store_(store), started_(store.begin()) {}
  ~ScopedChange() {
    if (active_) store_.rollback();
  }
  ScopedChange(const ScopedChange&) = delete;
  ScopedChange& operator=(const ScopedChange&) = delete;

  // ok once the change began, else why it could not.
  RegStatus started() const { return started_; }
  RegStatus commit() {
    active_ = false;
    return store_.commit();
  }

 private:
  RegistryStore::Impl& store_;
  RegStatus started_;
  bool active_ = started_ == RegStatus::ok;
};

}  // namespace

RegStatus RegistryStore::Impl::walk(detail::StoredKey& key, std::string_view path, bool create,
                                    bool* created) {
  const auto parts = splitPath(path);
  if (create && parts.size() > kMaxKeyDepth) return RegStatus::tooDeep;
  bool added = false;
  for (const auto part : parts) {
    added = false;
    bool error = false;
    auto child = database.findSubkey(key.id, part, &error);
    if (!child && !error && create) {
      const RegStatus status = database.addSubkey(key.id, part, &added);
      if (status != RegStatus::ok) return status;
      child = database.findSubkey(key.id, part, &error);
    }
    if (error) return RegStatus::failed;
    if (!child) return RegStatus::notFound;
    key.id = child->id;
    key.name += key.name.empty() ? child->name : "\\" + child->name;
  }
  if (created) *created = added;
  return RegStatus::ok;
}

RegStatus RegistryStore::Impl::begin(bool snapshot) {
  const RegStatus status = database.begin(transactionDepth, snapshot);
  if (status == RegStatus::ok) ++transactionDepth;
  return status;
}

RegStatus RegistryStore::Impl::commit() {
  return database.commit(transactionDepth--);
}

void RegistryStore::Impl::rollback() {
  database.rollback(transactionDepth--);
}

// ---- RegistryStore

RegistryStore::RegistryStore(const std::string& file) : impl_(std::make_unique<Impl>(file)) {}

RegistryStore::~RegistryStore() = default;

bool RegistryStore::isOpen() const {
  return impl_->database.isOpen();
}

RegStatus RegistryStore::openStatus() const {
  return impl_->database.openStatus();
}

const std::string& RegistryStore::file() const {
  return impl_->file;
}

// Points `key` at a key of this store.
void RegistryStore::bind(RegKey& key, std::int64_t id, std::string path) {
  key.close();
  key.store_ = this;
  key.id_ = id;
  key.path_ = std::move(path);
  key.owner_ = weak_from_this().lock();
}

RegStatus RegistryStore::openKey(std::string_view path, RegKey& key) {
  std::lock_guard lock(impl_->mutex);
  if (!isOpen()) return openStatus();
  detail::StoredKey found{RegistryDatabase::kRootId, ""};
  const RegStatus status = impl_->walk(found, path, false, nullptr);
  if (status != RegStatus::ok) return status;
  bind(key, found.id, std::move(found.name));
  return RegStatus::ok;
}

RegStatus RegistryStore::createKey(std::string_view path, RegKey& key, bool* created) {
  std::lock_guard lock(impl_->mutex);
  if (!isOpen()) return openStatus();
  ScopedChange change(*impl_);
  if (change.started() != RegStatus::ok) return change.started();
  detail::StoredKey found{RegistryDatabase::kRootId, ""};
  RegStatus status = impl_->walk(found, path, true, created);
  if (status == RegStatus::ok) status = change.commit();
  if (status != RegStatus::ok) return status;
  bind(key, found.id, std::move(found.name));
  return RegStatus::ok;
}

RegStatus RegistryStore::deleteKey(std::string_view path) {
  std::lock_guard lock(impl_->mutex);
  if (!isOpen()) return openStatus();
  ScopedChange change(*impl_);
  if (change.started() != RegStatus::ok) return change.started();
  detail::StoredKey found{RegistryDatabase::kRootId, ""};
  RegStatus status = impl_->walk(found, path, false, nullptr);
  if (status == RegStatus::ok && found.id == RegistryDatabase::kRootId) status = RegStatus::failed;
  if (status == RegStatus::ok) status = impl_->database.removeTree(found.id);
  return status == RegStatus::ok ? change.commit() : status;
}

// ---- RegKey

RegKey::RegKey(RegKey&& other) noexcept {
  *this = std::move(other);
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    close();
    store_ = std::exchange(other.store_, nullptr);
    id_ = std::exchange(other.id_, 0);
    path_ = std::move(other.path_);
    owner_ = std::move(other.owner_);
  }
  return *this;
}

RegKey::~RegKey() {
  close();
}

void RegKey::close() {
  store_ = nullptr;
  id_ = 0;
  path_.clear();
  owner_.reset();
}

RegStatus RegKey::queryValue(std::string_view name, RegValue& value) const {
  if (!store_) return RegStatus::failed;
  std::lock_guard lock(store_->impl_->mutex);
  return store_->impl_->database.readValue(id_, name, value);
}

RegStatus RegKey::queryDword(std::string_view name, std::uint32_t& value) const {
  RegValue stored;
  const RegStatus status = queryValue(name, stored);
  if (status != RegStatus::ok) return status;
  if (stored.type != RegType::dword) return RegStatus::wrongType;
  value = stored.dword;
  return RegStatus::ok;
}

RegStatus RegKey::queryString(std::string_view name, std::string& text) const {
  RegValue stored;
  const RegStatus status = queryValue(name, stored);
  if (status != RegStatus::ok) return status;
  if (stored.type != RegType::string) return RegStatus::wrongType;
  text = std::move(stored.text);
  return RegStatus::ok;
}

RegStatus RegKey::setValue(std::string_view name, const RegValue& value) {
  if (!store_) return RegStatus::failed;
  std::lock_guard lock(store_->impl_->mutex);
  return store_->impl_->database.writeValue(id_, name, value);
}

RegStatus RegKey::setDword(std::string_view name, std::uint32_t value) {
  RegValue stored;  // a dword unless told otherwise
  stored.dword = value;
  return setValue(name, stored);
}

RegStatus RegKey::setString(std::string_view name, std::string_view text) {
  RegValue stored;
  stored.type = RegType::string;
  stored.text = text;
  return setValue(name, stored);
}

RegStatus RegKey::deleteValue(std::string_view name) {
  if (!store_) return RegStatus::failed;
  std::lock_guard lock(store_->impl_->mutex);
  return store_->impl_->database.removeValue(id_, name);
}

RegStatus RegKey::enumKey(std::uint32_t index, std::string& name) const {
  if (!store_) return RegStatus::failed;
  std::lock_guard lock(store_->impl_->mutex);
  return store_->impl_->database.subkeyAt(id_, index, name);
}

RegStatus RegKey::enumValue(std::uint32_t index, RegValue& value) const {
  if (!store_) return RegStatus::failed;
  std::lock_guard lock(store_->impl_->mutex);
  return store_->impl_->database.valueAt(id_, index, value);
}

RegStatus RegKey::openKey(std::string_view path, RegKey& key) const {
  if (!store_) return RegStatus::failed;
  std::lock_guard lock(store_->impl_->mutex);
  detail::StoredKey found{id_, path_};
  const RegStatus status = store_->impl_->walk(found, path, false, nullptr);
  if (status != RegStatus::ok) return status;
  store_->bind(key, found.id, std::move(found.name));
  return RegStatus::ok;
}

// Writes reach the file when their transaction commits; flushing also moves the write-ahead
// log into the database file, unless a transaction of this thread is still open.
RegStatus RegKey::flush() {
  if (!store_) return RegStatus::failed;
  std::lock_guard lock(store_->impl_->mutex);
  const RegStatus exists = store_->impl_->database.keyExists(id_);
  if (exists != RegStatus::ok || store_->impl_->transactionDepth > 0) return exists;
  return store_->impl_->database.checkpoint();
}

// ---- RegTransaction

RegTransaction::RegTransaction(RegistryStore& store, Kind kind) : store_(store) {
  store_.impl_->mutex.lock();
  started_ = store_.isOpen() ? store_.impl_->begin(kind == Kind::snapshot) : store_.openStatus();
}

RegTransaction::~RegTransaction() {
  if (started_ == RegStatus::ok && !done_) store_.impl_->rollback();
  store_.impl_->mutex.unlock();
}

RegStatus RegTransaction::commit() {
  if (started_ != RegStatus::ok) return started_;
  if (done_) return RegStatus::failed;
  done_ = true;
  return store_.impl_->commit();
}

const char* regStatusText(RegStatus status) {
  switch (status) {
    case RegStatus::ok:
      return "success";
    case RegStatus::notFound:
      return "not found";
    case RegStatus::noMoreItems:
      return "no more items";
    case RegStatus::wrongType:
      return "wrong type";
    case RegStatus::failed:
      return "error accessing the store";
    case RegStatus::accessDenied:
      return "permission denied";
    case RegStatus::notAStore:
      return "not a registry store";
    case RegStatus::busy:
      return "busy: another program is changing it";
    case RegStatus::tooDeep: {
      static const std::string text =
          "a key can be at most " + std::to_string(kMaxKeyDepth) + " levels deep";
      return text.c_str();
    }
  }
  return "unknown status";
}

}  // namespace m716::platform

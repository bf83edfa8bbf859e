#include "m716/platform/registry.h"

#include <mutex>
#include <utility>
#include <vector>

#include "registry_database.h"

namespace m716::platform {

using detail::RegistryDatabase;

struct RegistryStore::Impl {
  explicit Impl(const std::string& storeFile) : file(storeFile), database(storeFile) {}

  // Opens (or, when `create`, makes) every key along `path`.
  RegStatus walk(std::string_view path, bool create, detail::StoredKey& key, bool* created);
  RegStatus begin();
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
  explicit ScopedChange(RegistryStore::Impl& store)
      : store_(store), active_(store.begin() == RegStatus::ok) {}
  ~ScopedChange() {
    if (active_) store_.rollback();
  }
  ScopedChange(const ScopedChange&) = delete;
  ScopedChange& operator=(const ScopedChange&) = delete;

  bool active() const { return active_; }
  RegStatus commit() {
    active_ = false;
    return store_.commit();
  }

 private:
  RegistryStore::Impl& store_;
  bool active_;
};

}  // namespace

RegStatus RegistryStore::Impl::walk(std::string_view path, bool create, detail::StoredKey& key,
                                    bool* created) {
  key = {RegistryDatabase::kRootId, ""};
  bool added = false;
  for (const auto part : splitPath(path)) {
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

RegStatus RegistryStore::Impl::begin() {
  const RegStatus status = database.begin(transactionDepth);
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
  if (!isOpen()) return RegStatus::failed;
  detail::StoredKey found;
  const RegStatus status = impl_->walk(path, false, found, nullptr);
  if (status != RegStatus::ok) return status;
  bind(key, found.id, std::move(found.name));
  return RegStatus::ok;
}

RegStatus RegistryStore::createKey(std::string_view path, RegKey& key, bool* created) {
  std::lock_guard lock(impl_->mutex);
  if (!isOpen()) return RegStatus::failed;
  ScopedChange change(*impl_);
  if (!change.active()) return RegStatus::failed;
  detail::StoredKey found;
  RegStatus status = impl_->walk(path, true, found, created);
  if (status == RegStatus::ok) status = change.commit();
  if (status != RegStatus::ok) return status;
  bind(key, found.id, std::move(found.name));
  return RegStatus::ok;
}

RegStatus RegistryStore::deleteKey(std::string_view path) {
  std::lock_guard lock(impl_->mutex);
  if (!isOpen()) return RegStatus::failed;
  detail::StoredKey found;
  const RegStatus status = impl_->walk(path, false, found, nullptr);
  if (status != RegStatus::ok) return status;
  if (found.id == RegistryDatabase::kRootId) return RegStatus::failed;
  return impl_->database.removeKey(found.id);
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

RegTransaction::RegTransaction(RegistryStore& store) : store_(store) {
  store_.impl_->mutex.lock();
  active_ = store_.isOpen() && store_.impl_->begin() == RegStatus::ok;
}

RegTransaction::~RegTransaction() {
  if (active_ && !done_) store_.impl_->rollback();
  store_.impl_->mutex.unlock();
}

RegStatus RegTransaction::commit() {
  if (!active_ || done_) return RegStatus::failed;
  done_ = true;
  return store_.impl_->commit();
}

}  // namespace m716::platform

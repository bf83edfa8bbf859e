// Persistence of the motion parameters in the registry.

#include "device/parameters.h"

#include <span>
#include <variant>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/chip_values.h"
#include "device/guarded.h"
#include "device/ports.h"
#include "m716/board/registry_layout.h"
#include "m716/platform/registry.h"

namespace m716 {
namespace {

using platform::RegKey;
using platform::RegStatus;

// A stored value: its registry name, its default, and the record field that holds it
// (signed fields keep the DWORD's bits as a signed number).
template <typename Record>
struct StoredValue {
  const char* name;
  std::uint32_t fallback;
  std::variant<std::uint32_t Record::*, std::int32_t Record::*> field;

  std::uint32_t get(const Record& record) const {
    return std::visit([&](auto member) { return static_cast<std::uint32_t>(record.*member); },
                      field);
  }
  void set(Record& record, std::uint32_t value) const {
    std::visit(
        [&](auto member) {
          using Field = std::remove_reference_t<decltype(record.*member)>;
          record.*member = static_cast<Field>(value);
        },
        field);
  }
};

using GroupValue = StoredValue<InterpolationSet>;
using AxisValue = StoredValue<AxisRecord>;

constexpr GroupValue kGroupValues[] = {
    {"IPOAC", 600'000, &InterpolationSet::ac}, {"IPOAK", 10'000'000, &InterpolationSet::ak},
    {"IPODV", 6'000, &InterpolationSet::dv},   {"IPOMDV", 10'000, &InterpolationSet::mdv},
    {"IPOSV", 1'000, &InterpolationSet::sv},   {"IPOTS", 0, &InterpolationSet::sCurve},
    {"IPODC", 600'000, &InterpolationSet::dc},
};

constexpr AxisValue kAxisValues[] = {
    {"RG", 8'000'000, &AxisRecord::rg},
    {"SV", 1'000, &AxisRecord::sv},
    {"DV", 6'000, &AxisRecord::dv},
    {"MDV", 8'000, &AxisRecord::mdv},
    {"AC", 600'000, &AxisRecord::ac},
    {"AK", 10'000'000, &AxisRecord::ak},
    {"Pcmp", 10'000'000, &AxisRecord::pcmp},
    {"Ncmp", 0xFF676980, &AxisRecord::ncmp},  // -10 000 000
    {"PLmt", 2'000'000'000, &AxisRecord::plmt},
    {"NLmt", 0x88CA6C00, &AxisRecord::nlmt},  // -2 000 000 000
    {"HomeMode", 1, &AxisRecord::homeMode},
    {"HomeOffset", 0, &AxisRecord::homeOffset},
    {"WR1", 0, &AxisRecord::wr1},
    {"WR2", 0, &AxisRecord::wr2},
    {"WR3", 0, &AxisRecord::wr3},
    {"HomeType", 0, &AxisRecord::homeType},
    {"HomeP0Dir", 1, &AxisRecord::homeP0Dir},
    {"HomeP0Speed", 6'000, &AxisRecord::homeP0Speed},
    {"HomeP1Dir", 0, &AxisRecord::homeP1Dir},
    {"HomeP1Speed", 1'000, &AxisRecord::homeP1Speed},
    {"HomeP2Dir", 0, &AxisRecord::homeP2Dir},
    {"HomeOffsetSpeed", 6'000, &AxisRecord::homeOffsetSpeed},
};

template <typename Record>
bool writeDefaults(RegKey& key, std::span<const StoredValue<Record>> values) {
  for (const auto& value : values)
    if (key.setDword(value.name, value.fallback) != RegStatus::ok) return false;
  return true;
}

// Creates the board key with every default, unless the board key exists. 0 or 34. One
// transaction, so a failure never leaves a board key without its axis keys.
std::uint32_t createDefaults(std::uint32_t board) {
  platform::RegTransaction transaction(platform::registry());
  RegKey boardKey;
  bool created = false;
  if (platform::registry().createKey(keys::parameterKey(board), boardKey, &created) !=
      RegStatus::ok)
    return M716_ERR_CREATE_REGISTRY;
  if (!created) return M716_OK;
  if (!writeDefaults<InterpolationSet>(boardKey, kGroupValues)) return M716_ERR_CREATE_REGISTRY;
  for (std::uint32_t axis = 0; axis < kAxisCount; ++axis) {
    RegKey axisKey;
    if (platform::registry().createKey(keys::axisKey(board, axis), axisKey) != RegStatus::ok ||
        !writeDefaults<AxisRecord>(axisKey, kAxisValues))
      return M716_ERR_CREATE_REGISTRY;
  }
  return transaction.commit() == RegStatus::ok ? M716_OK : M716_ERR_CREATE_REGISTRY;
}

// Reads each value into the record; a missing value gets its default, written back. 0 or 5.
template <typename Record>
std::uint32_t readValues(RegKey& key, std::span<const StoredValue<Record>> values, Record& record) {
  for (const auto& value : values) {
    std::uint32_t stored = 0;
    if (key.queryDword(value.name, stored) != RegStatus::ok) {
      if (key.setDword(value.name, value.fallback) != RegStatus::ok) return M716_ERR_READ_REGISTRY;
      stored = value.fallback;
    }
    value.set(record, stored);
  }
  return M716_OK;
}

template <typename Record>
bool writeValues(RegKey& key, std::span<const StoredValue<Record>> values, const Record& record) {
  for (const auto& value : values)
    if (key.setDword(value.name, value.get(record)) != RegStatus::ok) return false;
  return true;
}

std::uint32_t loadAxis(std::uint32_t board, std::uint32_t index) {
  RegKey key;
  if (platform::registry().openKey(keys::axisKey(board, index), key) != RegStatus::ok)
    return M716_ERR_READ_REGISTRY;
  AxisRecord& axis = boards[board].axes[index];
  if (std::uint32_t error = readValues<AxisRecord>(key, kAxisValues, axis)) return error;
  axis.configured = {axis.sv, axis.dv, axis.ac, axis.ak};
  axis.dc = 0;
  return M716_OK;
}

std::uint32_t saveGroup(std::uint32_t board) {
  RegKey key;
  if (platform::registry().openKey(keys::parameterKey(board), key) != RegStatus::ok)
    return M716_ERR_OPEN_REGISTRY;
  if (!writeValues<InterpolationSet>(key, kGroupValues, boards[board].interpolation))
    return M716_ERR_WRITE_REGISTRY;
  return M716_OK;
}

std::uint32_t saveAxes(std::uint32_t board, std::uint32_t axes) {
  std::uint32_t error = M716_OK;
  forEachAxis(axes, [&](std::uint32_t, std::uint32_t index) {
    if (error != M716_OK) return;
    RegKey key;
    if (platform::registry().openKey(keys::axisKey(board, index), key) != RegStatus::ok)
      error = M716_ERR_OPEN_REGISTRY;
    else if (!writeValues<AxisRecord>(key, kAxisValues, axisCopy(board, index)))
      error = M716_ERR_WRITE_REGISTRY;
  });
  return error;
}

}  // namespace

BoardRecord defaultBoardRecord() {
  BoardRecord record;
  for (const GroupValue& value : kGroupValues) value.set(record.interpolation, value.fallback);
  deriveInterpolationScale(record.interpolation);
  for (AxisRecord& axis : record.axes) {
    for (const AxisValue& value : kAxisValues) value.set(axis, value.fallback);
    axis.configured = {axis.sv, axis.dv, axis.ac, axis.ak};
    axis.multiplier = multiplierFor(axis.rg);
  }
  return record;
}

std::uint32_t loadParameters(std::uint32_t board) {
  platform::RegistryStore& store = platform::registry();
  RegKey boardKey;
  if (store.openKey(keys::parameterKey(board), boardKey) != RegStatus::ok) {
    if (std::uint32_t error = createDefaults(board)) return error;
    if (store.openKey(keys::parameterKey(board), boardKey) != RegStatus::ok)
      return M716_ERR_READ_REGISTRY;
  }
  if (std::uint32_t error =
          readValues<InterpolationSet>(boardKey, kGroupValues, boards[board].interpolation))
    return error;
  boardKey.close();
  for (std::uint32_t index = 0; index < kAxisCount; ++index)
    if (std::uint32_t error = loadAxis(board, index)) return error;
  return M716_OK;
}

std::uint32_t saveParameters(std::uint32_t board, std::uint32_t axes) {
  platform::RegTransaction transaction(platform::registry());
  const std::uint32_t error = axes == 0 ? saveGroup(board) : saveAxes(board, axes);
  if (error != M716_OK) return error;  // the transaction rolls back
  return transaction.commit() == RegStatus::ok ? M716_OK : M716_ERR_WRITE_REGISTRY;
}

}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotSavePara(uint32_t board, uint32_t axes) {
  return guarded(M716_ERR_WRITE_REGISTRY, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxesOrNone(board, axes)) return error;
    return saveParameters(board, axes);
  });
}

#pragma once
// The utility's numeric edit fields: a signed or an unsigned 32-bit decimal integer. The field
// holds the last value its text gave; text that is no such number is reported when the field
// is left or its value taken, and the field shows its previous value again.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QLineEdit>
#include <QStringView>
#include <cstdint>
#include <optional>

#include "error_presenter.h"

namespace m716::utility {

enum class NumberKind { signed32, unsigned32 };

// The value of `text` (decimal, surrounding blanks allowed) when it is a number of `kind`.
std::optional<std::int64_t> parseNumber(QStringView text, NumberKind kind);

class NumberField : public QLineEdit {
  Q_OBJECT

 public:
  NumberField(NumberKind kind, std::int64_t initial, ErrorPresenter& errors,
              QWidget* parent = nullptr);

  // Takes the value from the text; text that does not parse is reported and replaced.
  void take();
  // The range the report of such text names: the kind's until a field that takes less says so.
  void nameRange(std::int64_t low, std::int64_t high) {
    low_ = low;
    high_ = high;
  }
  void setValue(std::int64_t value);
  std::int32_t signedValue() const { return static_cast<std::int32_t>(value_); }
  std::uint32_t unsignedValue() const { return static_cast<std::uint32_t>(value_); }

 private:
  NumberKind kind_;
  std::int64_t value_;
  std::int64_t low_, high_;
  ErrorPresenter& errors_;
};

}  // namespace m716::utility

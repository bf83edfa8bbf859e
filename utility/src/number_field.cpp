#include "number_field.h"

#include <charconv>
#include <limits>

namespace m716::utility {

std::optional<std::int64_t> parseNumber(QStringView text, NumberKind kind) {
  const QByteArray digits = text.trimmed().toLatin1();
  const char* end = digits.constData() + digits.size();
  std::int64_t value = 0;
  const auto [stop, error] = std::from_chars(digits.constData(), end, value);
  if (digits.isEmpty() || error != std::errc() || stop != end) return std::nullopt;
  const bool fits = kind == NumberKind::signed32
                        ? value >= std::numeric_limits<std::int32_t>::min() &&
                              value <= std::numeric_limits<std::int32_t>::max()
                        : value >= 0 && value <= std::numeric_limits<std::uint32_t>::max();
  return fits ? std::optional(value) : std::nullopt;
}

NumberField::NumberField(NumberKind kind, std::int64_t initial, ErrorPresenter& errors,
                         QWidget* parent)
    : QLineEdit(parent), kind_(kind), value_(initial), errors_(errors) {
  if (kind == NumberKind::signed32)
    nameRange(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
  else
    nameRange(0, std::numeric_limits<std::uint32_t>::max());
  setText(QString::number(initial));
  connect(this, &QLineEdit::editingFinished, this, &NumberField::take);
}

void NumberField::take() {
  if (const auto value = parseNumber(text(), kind_)) {
    value_ = *value;
    return;
  }
  const QString bad = text();
  setText(QString::number(value_));
  errors_.inform(QStringLiteral("\"%1\" is not a whole number from %2 to %3; the field keeps %4.")
                     .arg(bad)
                     .arg(low_)
                     .arg(high_)
                     .arg(value_));
}

void NumberField::setValue(std::int64_t value) {
  value_ = value;
  setText(QString::number(value));
}

}  // namespace m716::utility

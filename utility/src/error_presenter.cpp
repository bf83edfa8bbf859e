#include "error_presenter.h"

#include "m716/error_texts.h"

namespace m716::utility {

std::uint32_t ErrorPresenter::check(std::uint32_t code) {
  if (code != 0) inform(QString::fromUtf8(errorText(code)));
  return code;
}

void ErrorPresenter::tell(std::uint32_t id) {
  inform(QString::fromUtf8(stringTableText(id)));
}

bool ErrorPresenter::ask(std::uint32_t id) {
  return messages_.ask(kMessageCaption, QString::fromUtf8(stringTableText(id)));
}

bool ErrorPresenter::ask(const QString& text) {
  return messages_.ask(kMessageCaption, text);
}

void ErrorPresenter::inform(const QString& text) {
  messages_.inform(kMessageCaption, text);
}

}  // namespace m716::utility

#include "m716/platform/message_box.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace m716::platform {
namespace {

struct Handler {
  std::mutex mutex;
  MessageHandler handler;
};

Handler& current() {
  static auto* state = new Handler;
  return *state;
}

MessageAnswer toStandardError(const Message& message) {
  std::fprintf(stderr, "%s: %s\n", message.caption.c_str(), message.text.c_str());
  return MessageAnswer::ok;
}

}  // namespace

MessageAnswer showMessage(std::string_view caption, std::string_view text, MessageButtons buttons) {
  MessageHandler handler;
  {
    std::lock_guard lock(current().mutex);
    handler = current().handler;
  }
  const Message message{std::string(caption), std::string(text), buttons};
  return handler ? handler(message) : toStandardError(message);
}

MessageHandler setMessageHandler(MessageHandler handler) {
  std::lock_guard lock(current().mutex);
  return std::exchange(current().handler, std::move(handler));
}

}  // namespace m716::platform

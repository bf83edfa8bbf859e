#pragma once
// Message boxes: a caption, a text and the buttons the user answers with.
//
// A program with windows puts in a handler that shows a dialog; tests put in one that records
// what would be shown and answers for the user. Without a handler the caption and the text go
// to standard error, as a program without a display (a package script) shows them, and the
// answer is OK.
//
// Concurrency: every call may run on any thread; a handler is called on the caller's thread,
// outside any lock of the platform, and may be replaced while another thread shows a message.

#include <functional>
#include <string>
#include <string_view>

#include "m716/platform/export.h"

namespace m716::platform {

enum class MessageButtons { ok, okCancel };
enum class MessageAnswer { ok, cancel };

struct Message {
  std::string caption;
  std::string text;
  MessageButtons buttons = MessageButtons::ok;
};

using MessageHandler = std::function<MessageAnswer(const Message&)>;

// Shows the message and waits for the answer.
M716_PLATFORM_API MessageAnswer showMessage(std::string_view caption, std::string_view text,
                                            MessageButtons buttons = MessageButtons::ok);
// Puts in `handler` (an empty one restores standard error) and gives back the one before.
M716_PLATFORM_API MessageHandler setMessageHandler(MessageHandler handler);

}  // namespace m716::platform

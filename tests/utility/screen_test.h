#pragma once
// Base of the program tests of the screens: the program's shared state, the captured message
// boxes, and the call recorder, all fresh for each test function (call freshStart in init).

#include <QObject>

#include "call_recorder.h"
#include "captured_messages.h"
#include "error_presenter.h"
#include "program_state.h"

namespace m716::test {

class ScreenTest : public QObject {
 protected:
  void freshStart() {
    CallRecorder::reset();
    messages_ = CapturedMessages{};
    state_ = utility::ProgramState{};
  }

  CapturedMessages messages_;
  utility::ErrorPresenter errors_{messages_};
  utility::ProgramState state_;
};

}  // namespace m716::test

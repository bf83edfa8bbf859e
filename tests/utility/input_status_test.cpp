// The input status screen against the recorder of the library's calls.

#include <QtTest>

#include "input_status_screen.h"
#include "qt_test_main.h"
#include "screen_test.h"

namespace m716::test {

class InputStatusTest : public ScreenTest {
  Q_OBJECT

 private slots:
  void init() { freshStart(); }
};

M716_REGISTER_QT_TEST(InputStatusTest);

}  // namespace m716::test

#include "input_status_test.moc"

#pragma once
// One program for several Qt Test classes: each file registers its class; the program runs
// the class named by its first argument, or every class without one.

#include <QObject>
#include <functional>
#include <memory>

namespace m716::test {

using QtTestFactory = std::function<std::unique_ptr<QObject>()>;
bool registerQtTest(const char* name, QtTestFactory factory);

}  // namespace m716::test

#define M716_REGISTER_QT_TEST(Class)                     \
  [[maybe_unused]] static const bool registered##Class = \
      ::m716::test::registerQtTest(#Class, [] { return std::make_unique<Class>(); })

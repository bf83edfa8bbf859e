#include "qt_test_main.h"

#include <QApplication>
#include <QtTest>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace m716::test {
namespace {

std::map<std::string, QtTestFactory>& registry() {
  static std::map<std::string, QtTestFactory> tests;
  return tests;
}

}  // namespace

bool registerQtTest(const char* name, QtTestFactory factory) {
  registry().emplace(name, std::move(factory));
  return true;
}

}  // namespace m716::test

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  std::vector<char*> arguments(argv, argv + argc);
  std::string only;
  if (arguments.size() > 1 && m716::test::registry().count(arguments[1])) {
    only = arguments[1];
    arguments.erase(arguments.begin() + 1);
  }
  int failures = 0;
  for (const auto& [name, factory] : m716::test::registry()) {
    if (!only.empty() && name != only) continue;
    const auto test = factory();
    failures += QTest::qExec(test.get(), static_cast<int>(arguments.size()), arguments.data());
  }
  return failures == 0 ? 0 : 1;
}

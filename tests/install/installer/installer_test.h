#pragma once
// Base of the installer's program tests: a registry store of the test's own, the captured
// message boxes, and the controls of the dialog found by their names.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <memory>
#include <string>

#include "captured_messages.h"
#include "installer_dialog.h"
#include "installer_texts.h"
#include "m716/board/registry_layout.h"
#include "m716/platform/registry.h"
#include "support/registry_faults.h"
#include "support/temp_registry.h"

namespace m716::test {

namespace text = installer::text;

using installer::InstallerDialog;

// Everything the store holds under `path`, one line per value ("Key\Name = dword 5",
// "Key\Name = string(4) abc", the stored size in brackets), in a stable order.
QStringList registryContents(const std::string& path = "");

std::uint32_t storedDword(const std::string& key, const char* name);
void storeDword(const std::string& key, const char* name, std::uint32_t value);
void removeValue(const std::string& key, const char* name);
// Declares a board the way the installer does, without the dialog.
void declareBoard(std::uint32_t board, std::uint32_t baseAddress, std::uint32_t interrupt);

class InstallerTest : public QObject {
  Q_OBJECT

 protected:
  void freshStart() {
    platform::clearRegistryWriteFault();
    store_ = std::make_unique<TempRegistry>();
    messages_ = CapturedMessages{};
  }

  template <typename Control>
  static Control* find(const InstallerDialog& dialog, const char* name) {
    return dialog.findChild<Control*>(QString::fromLatin1(name));
  }
  static QPushButton* button(const InstallerDialog& dialog, const char* name) {
    return find<QPushButton>(dialog, name);
  }
  static QComboBox* boardBox(const InstallerDialog& dialog) {
    return find<QComboBox>(dialog, "BoardID");
  }
  static QComboBox* irqBox(const InstallerDialog& dialog) { return find<QComboBox>(dialog, "IRQ"); }
  static QLineEdit* baseField(const InstallerDialog& dialog) {
    return find<QLineEdit>(dialog, "Base Address");
  }
  static QListWidget* deviceList(const InstallerDialog& dialog) {
    return find<QListWidget>(dialog, "Installed Devices");
  }
  static QStringList entries(const InstallerDialog& dialog);
  // The user picks an entry of a drop-down list.
  static void choose(QComboBox* box, const QString& item);
  // The user fills in the form and presses "Install" (board "" leaves the BoardID box alone).
  static void install(const InstallerDialog& dialog, const QString& base, const QString& irq,
                      const QString& board = {});
  static void selectEntry(const InstallerDialog& dialog, const QString& startingWith);

  std::unique_ptr<TempRegistry> store_;
  CapturedMessages messages_;
};

}  // namespace m716::test

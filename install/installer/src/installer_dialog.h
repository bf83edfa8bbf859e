#pragma once
// The installer's one dialog: declares a board with its base address, interrupt and board
// number, lists the installed boards, removes them, and marks those that do not answer.
// Its controls are named by their labels ("Base Address", "IRQ", "BoardID", "Auto",
// "Install", "Remove", "Installed Devices", "Refresh", "DeSelect").
//
// Concurrency: the installer's user-interface thread.

#include <QDialog>
#include <cstdint>
#include <optional>

#include "messages.h"
#include "motion_library.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class QLabel;

namespace m716::installer {

class InstallerDialog : public QDialog {
  Q_OBJECT

 public:
  explicit InstallerDialog(ui::Messages& messages, QWidget* parent = nullptr);

 private:
  QWidget* buildSettings();
  QWidget* buildDeviceList();
  QLabel* storeLabel();
  void connectControls();
  void start();

  void install();
  void remove();
  void refresh();
  void deselect();
  void entrySelected();
  void autoToggled(bool checked);
  void boardChosen(int board);
  void baseAddressChanged();
  void interruptChosen();

  std::optional<std::uint32_t> boardToInstall();
  bool baseAddressRefused(std::uint32_t& baseAddress);
  void writeInstallation(std::uint32_t board, std::uint32_t baseAddress);
  void markBoardsNotInSystem(std::uint32_t answering);
  void resetForm();
  void selectLowestUnusedBoard();
  bool entryIsSelected() const;
  bool boardIsGiven() const;
  void addEntry(const QString& text, std::uint32_t board);
  static std::uint32_t boardOf(const QListWidgetItem& entry);
  void tell(const QString& text);

  ui::Messages& messages_;
  MotionLibrary library_;
  QLineEdit* baseAddress_ = nullptr;
  QComboBox* interrupts_ = nullptr;
  QComboBox* boards_ = nullptr;
  QCheckBox* auto_ = nullptr;
  QPushButton* install_ = nullptr;
  QPushButton* remove_ = nullptr;
  QListWidget* devices_ = nullptr;
  QPushButton* refresh_ = nullptr;
  QPushButton* deselect_ = nullptr;
};

}  // namespace m716::installer

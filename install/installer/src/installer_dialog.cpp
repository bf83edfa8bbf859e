#include "installer_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "board_entries.h"
#include "board_registry.h"
#include "installer_icon.h"
#include "installer_texts.h"
#include "m716/platform/registry.h"
#include "widgets.h"

namespace m716::installer {
namespace {

template <typename Control>
Control* named(Control* control, const QString& name) {
  control->setObjectName(name);
  return control;
}

}  // namespace

InstallerDialog::InstallerDialog(ui::Messages& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
  setWindowTitle(text::kTitle);
  setWindowIcon(installerIcon());
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(buildSettings());
  layout->addWidget(buildDeviceList(), 1);
  connectControls();
  start();
}

QWidget* InstallerDialog::buildSettings() {
  auto* group = new QGroupBox(QStringLiteral("Settings"));
  auto* form = new QFormLayout(group);
  baseAddress_ = named(new QLineEdit, QStringLiteral("Base Address"));
  form->addRow(QStringLiteral("Base Address"), baseAddress_);
  interrupts_ = named(new QComboBox, QStringLiteral("IRQ"));
  for (const std::uint32_t irq : kInterrupts)
    interrupts_->addItem(QStringLiteral("IRQ%1").arg(irq));
  interrupts_->setCurrentIndex(-1);
  form->addRow(QStringLiteral("IRQ"), interrupts_);
  boards_ = named(new QComboBox, QStringLiteral("BoardID"));
  for (std::uint32_t board = 0; board < kBoardCount; ++board)
    boards_->addItem(QString::number(board));
  boards_->setEnabled(false);
  auto_ = named(new QCheckBox(QStringLiteral("Auto")), QStringLiteral("Auto"));
  auto_->setChecked(true);
  auto* board = new QHBoxLayout;
  board->addWidget(boards_, 1);
  board->addWidget(auto_);
  form->addRow(QStringLiteral("BoardID"), board);
  install_ = ui::pushButton(QStringLiteral("Install"), this, &InstallerDialog::install);
  remove_ = ui::pushButton(QStringLiteral("Remove"), this, &InstallerDialog::remove);
  auto* actions = new QHBoxLayout;
  actions->addWidget(install_);
  actions->addWidget(remove_);
  form->addRow(actions);
  install_->setEnabled(false);
  remove_->setEnabled(false);
  return group;
}

QWidget* InstallerDialog::buildDeviceList() {
  auto* group = new QGroupBox(QStringLiteral("Installed Devices"));
  auto* layout = new QVBoxLayout(group);
  devices_ = named(new QListWidget, QStringLiteral("Installed Devices"));
  devices_->setSortingEnabled(true);
  // Wide enough for the longest entry there can be.
  const QString longest = markedNotInSystem(deviceName(15, QStringLiteral("FFE0"), 15));
  devices_->setMinimumWidth(devices_->fontMetrics().horizontalAdvance(longest) + 32);
  layout->addWidget(devices_);
  refresh_ = ui::pushButton(QStringLiteral("Refresh"), this, &InstallerDialog::refresh);
  deselect_ = ui::pushButton(QStringLiteral("DeSelect"), this, &InstallerDialog::deselect);
  deselect_->setEnabled(false);
  auto* actions = new QHBoxLayout;
  actions->addWidget(refresh_);
  actions->addWidget(deselect_);
  layout->addLayout(actions);
  layout->addWidget(storeLabel());
  return group;
}

// Which store the dialog reads and writes, or why it cannot open it.
QLabel* InstallerDialog::storeLabel() {
  const std::string refusal = platform::storeRefusal(platform::registry());
  auto* label =
      named(new QLabel(QString::fromStdString(
                refusal.empty() ? "Registry store: " + platform::registry().file() : refusal)),
            QStringLiteral("Registry store"));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

void InstallerDialog::connectControls() {
  connect(devices_, &QListWidget::itemSelectionChanged, this, &InstallerDialog::entrySelected);
  connect(auto_, &QCheckBox::toggled, this, &InstallerDialog::autoToggled);
  connect(boards_, &QComboBox::activated, this, &InstallerDialog::boardChosen);
  connect(baseAddress_, &QLineEdit::textChanged, this, &InstallerDialog::baseAddressChanged);
  connect(interrupts_, &QComboBox::activated, this, &InstallerDialog::interruptChosen);
}

// The boards in the registry, listed by their "DeviceName".
void InstallerDialog::start() {
  const ServiceKey service = openServiceKey();
  if (service == ServiceKey::failed) tell(text::kCreateFailed);
  boards_->setCurrentIndex(0);
  if (service == ServiceKey::failed) return;
  const std::uint32_t inUse = boardsInUse().value_or(0);
  for (std::uint32_t board = 0; board < kBoardCount; ++board) {
    if ((inUse & (1u << board)) == 0) continue;
    const auto name = deviceNameOf(board);
    const BoardSetting setting = boardSetting(board);
    addEntry(name ? QString::fromStdString(*name)
                  : recoveredDeviceName(board, setting.baseAddress, setting.interrupt),
             board);
  }
  selectLowestUnusedBoard();
}

void InstallerDialog::install() {
  const auto board = boardToInstall();
  if (!board) return tell(text::kBoardNotSelected);
  if (interrupts_->currentIndex() < 0) {
    tell(text::kNoInterrupt);
    return tell(text::kWriteFailed);
  }
  std::uint32_t baseAddress = 0;
  if (baseAddressRefused(baseAddress)) return;
  writeInstallation(*board, baseAddress);
}

std::optional<std::uint32_t> InstallerDialog::boardToInstall() {
  if (!auto_->isChecked()) {
    if (boards_->currentIndex() < 0) return std::nullopt;
    return static_cast<std::uint32_t>(boards_->currentIndex());
  }
  const auto lowest = lowestUnusedBoard(boardsInUse().value_or(0));
  if (lowest) boards_->setCurrentIndex(static_cast<int>(*lowest));
  return lowest;
}

// Tells why the board could not use the typed base address, if it cannot.
bool InstallerDialog::baseAddressRefused(std::uint32_t& baseAddress) {
  const auto base = baseAddressOf(baseAddress_->text());
  if (!base) {
    tell(text::badBaseAddress(baseAddress_->text()));
    return true;
  }
  if (const auto other = overlappingBoard(*base)) {
    tell(text::overlappingBoard(*base, other->board, other->baseAddress));
    return true;
  }
  baseAddress = *base;
  return false;
}

void InstallerDialog::writeInstallation(std::uint32_t board, std::uint32_t baseAddress) {
  const std::uint32_t irq = kInterrupts[static_cast<std::size_t>(interrupts_->currentIndex())];
  const QString name = deviceName(board, baseAddress_->text(), irq);
  switch (installBoard({board, baseAddress, irq, name.toStdString()})) {
    case InstallResult::boardInUse:
      selectLowestUnusedBoard();
      return tell(text::kBoardInUse);
    case InstallResult::failed:
      return tell(text::kWriteFailed);
    case InstallResult::installed:
      break;
  }
  const auto written = deviceNameOf(board);
  addEntry(written ? QString::fromStdString(*written) : name, board);
  resetForm();
  messages_.confirm(text::kTitle, text::kInstalled);
}

void InstallerDialog::remove() {
  const QList<QListWidgetItem*> selected = devices_->selectedItems();
  if (selected.isEmpty()) return tell(text::kNoDeviceSelected);
  if (!removeBoard(boardOf(*selected.front()))) return tell(text::kWriteFailed);
  delete selected.front();
  resetForm();
}

void InstallerDialog::refresh() {
  const DiscoveredBoards found = library_.availableBoards();
  switch (found.outcome) {
    case Discovery::notLoaded:
      return tell(text::kLibraryMissing);
    case Discovery::noQuery:
      tell(text::kNoQuery);
      break;
    case Discovery::queryFailed:
      tell(text::kQueryFailed);
      break;
    case Discovery::answered:
      markBoardsNotInSystem(found.answering);
      break;
  }
  if (!entryIsSelected()) resetForm();
}

void InstallerDialog::markBoardsNotInSystem(std::uint32_t answering) {
  for (int row = devices_->count() - 1; row >= 0; --row) {
    const QString entry = devices_->item(row)->text();
    const std::uint32_t board = boardOf(*devices_->item(row));
    if ((answering & (1u << board)) || isMarkedNotInSystem(entry)) continue;
    delete devices_->takeItem(row);
    addEntry(markedNotInSystem(entry), board);
  }
}

void InstallerDialog::deselect() {
  devices_->clearSelection();
  resetForm();
}

void InstallerDialog::entrySelected() {
  const QList<QListWidgetItem*> selected = devices_->selectedItems();
  if (selected.isEmpty()) return;
  deselect_->setEnabled(true);
  const std::uint32_t board = boardOf(*selected.front());
  const BoardSetting setting = boardSetting(board);
  boards_->setCurrentIndex(static_cast<int>(board));
  const auto irq = setting.interrupt ? interruptIndex(*setting.interrupt) : std::nullopt;
  interrupts_->setCurrentIndex(irq ? static_cast<int>(*irq) : -1);
  baseAddress_->setText(setting.baseAddress ? baseAddressText(*setting.baseAddress) : QString());
  remove_->setEnabled(true);
  install_->setEnabled(false);
}

void InstallerDialog::autoToggled(bool checked) {
  boards_->setEnabled(!checked);
  if (!checked && boards_->currentIndex() < 0) install_->setEnabled(false);
}

void InstallerDialog::boardChosen(int board) {
  install_->setEnabled(!baseAddress_->text().isEmpty() && !entryIsSelected());
  const auto inUse = boardsInUse();
  if (!inUse) return boards_->setCurrentIndex(0);
  if ((*inUse & (1u << board)) == 0) return;
  selectLowestUnusedBoard();
  tell(text::kBoardInUse);
}

void InstallerDialog::baseAddressChanged() {
  install_->setEnabled(interrupts_->currentIndex() >= 0 && !entryIsSelected() && boardIsGiven());
}

void InstallerDialog::interruptChosen() {
  install_->setEnabled(!baseAddress_->text().isEmpty() && !entryIsSelected() && boardIsGiven());
}

void InstallerDialog::resetForm() {
  baseAddress_->clear();
  interrupts_->setCurrentIndex(-1);
  install_->setEnabled(false);
  remove_->setEnabled(false);
  deselect_->setEnabled(false);
  selectLowestUnusedBoard();
}

void InstallerDialog::selectLowestUnusedBoard() {
  const auto lowest = lowestUnusedBoard(boardsInUse().value_or(0));
  boards_->setCurrentIndex(lowest ? static_cast<int>(*lowest) : -1);
}

bool InstallerDialog::entryIsSelected() const {
  return !devices_->selectedItems().isEmpty();
}

bool InstallerDialog::boardIsGiven() const {
  return auto_->isChecked() || boards_->currentIndex() >= 0;
}

// The entry of a board's key, which keeps the key's board number whatever its text says.
void InstallerDialog::addEntry(const QString& text, std::uint32_t board) {
  auto* entry = new QListWidgetItem(text);
  entry->setData(Qt::UserRole, board);
  devices_->addItem(entry);
}

std::uint32_t InstallerDialog::boardOf(const QListWidgetItem& entry) {
  return entry.data(Qt::UserRole).toUInt();
}

void InstallerDialog::tell(const QString& text) {
  messages_.inform(text::kTitle, text);
}

}  // namespace m716::installer

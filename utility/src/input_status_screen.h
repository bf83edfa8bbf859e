#pragma once
// The input status screen, "Input Status": lamps of every axis's status and input bits (page
// "Group 1"), of what ended its last drive and of its outputs OUT4 to OUT7 (page "Group 2",
// made when its tab is first selected), and the grid of its position counters and compare
// registers, refreshed every 500 ms. The outputs can be toggled and the grid edited.
//
// A refresh shows the messages of its failed reads once each, after its last read; while they
// are open, the refreshes that fall due do nothing, so a board that stopped answering shows
// one set of messages at a time, not a new box every 500 ms.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>

#include "error_presenter.h"
#include "number_field.h"
#include "program_state.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QTabWidget;

namespace m716::utility {

class InputStatusScreen : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kColumns = 5;  // real, logical, error, COMP+, COMP-

  InputStatusScreen(ProgramState& state, ErrorPresenter& errors, QWidget* parent = nullptr);

  void refresh();
  // "Edit" / "Update".
  void editOrUpdate();
  void toggleOutput(std::size_t axis, int output);
  bool refreshing() const { return timer_.isActive(); }
  QTabWidget* tabs() const { return tabs_; }
  bool secondPageMade() const { return secondPage_ != nullptr; }
  // The lamp of `column` in group `group` for axis index `axis` (nullptr while not made).
  QCheckBox* lamp(const QString& group, const QString& column, std::size_t axis) const;
  QPushButton* outputButton(std::size_t axis, int output) const;
  NumberField* cell(std::size_t axis, int column) const {
    return grid_[axis][static_cast<std::size_t>(column)];
  }

 signals:
  // The screen is closing: its owner forgets it.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  using AxisValues = std::array<std::uint32_t, 4>;
  struct Cell {
    std::int32_t value = 0;
    // The last read failed: the field does not show the board's value.
    bool stale = false;
  };

  QWidget* firstPage();
  QWidget* secondPage();
  QWidget* gridGroup();
  QWidget* outputGroup();
  void selectTab(int index);
  // A lamp column of `group` for every axis.
  void addLamps(QGroupBox* group, const QString& column, int gridColumn);

  bool read(std::uint32_t axis, std::uint32_t identifier, std::uint32_t& value);
  bool readAll(std::uint32_t identifier, AxisValues& values);
  void refreshFirstPage();
  void refreshSecondPage();
  void refreshGrid();
  void showErrors();
  void setLamp(const QString& group, const char* column, std::size_t axis, bool lit);
  void writeGrid();
  bool shouldWrite(std::size_t axis, int column) const;

  ProgramState& state_;
  ErrorPresenter& errors_;
  QTimer timer_;
  QTabWidget* tabs_;
  QWidget* secondPage_ = nullptr;
  std::array<std::array<NumberField*, kColumns>, 4> grid_{};
  std::array<std::array<Cell, kColumns>, 4> cells_{};
  std::array<std::array<QPushButton*, 4>, 4> outputs_{};
  QPushButton* edit_;
  bool editing_ = false;
  // The texts of the current refresh's failed reads, shown once each when it ends.
  QStringList failures_;
  bool showingFailures_ = false;
};

}  // namespace m716::utility

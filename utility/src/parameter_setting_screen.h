#pragma once
// The parameter setting screen, "Parameters Setting": seven pages of one axis's parameters
// ("Group 1" to "Group 6", "Home Parameters"), each made when its tab is first selected and
// read for the load axis whenever it is selected or "Load" is pressed; "Save" copies the
// shown values of every page made so far to each checked axis and stores them in the registry.
//
// Bit pages change only their own bits of a mode register (read, change, write), so pages
// that share a register never disturb each other. A control whose last read failed holds no
// value of the board: it is written only once the user has changed it.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "error_presenter.h"
#include "program_state.h"

class QCheckBox;
class QRadioButton;
class QTabWidget;

namespace m716::utility {

// One choice of a bit page: a bit of a mode register shown as a pair of radio buttons (the
// choice for 0, then for 1) or, without a choice for 0, as a check box.
struct BitChoice {
  std::uint32_t identifier;
  int bit;
  const char* group;
  const char* cleared;  // nullptr for a check box
  const char* set;
  bool resetSet;
};

// The bit choices of page "Group 2" to "Group 6" (`group` 2 to 6), in their registers' order.
const std::vector<BitChoice>& bitChoices(int group);

// The three range texts of the multiplier m: drive speed, acceleration, rate of acceleration.
std::array<QString, 3> rangeTexts(std::int64_t multiplier);

// The encoder input mode ("CW/CCW Pulse Mode" 0 to "AB Phase 1/4 Mode" 3) bits 9 to 11 of a
// mode 2 value show, or -1 when they show none (bits 9, 10 and 11 all set).
int encoderMode(std::uint32_t mode2);
std::uint32_t encoderBits(int mode);

class ParameterPage;

class ParameterSettingScreen : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPages = 7;

  ParameterSettingScreen(ProgramState& state, ErrorPresenter& errors, QWidget* parent = nullptr);
  ~ParameterSettingScreen() override;

  void load();
  void save();
  void resetPage();
  QTabWidget* tabs() const { return tabs_; }
  // The page of tab `index` once it has been made, else nullptr.
  QWidget* page(int index) const;
  std::uint32_t loadAxis() const { return loadAxis_; }

 signals:
  // The screen is closing: its owner forgets it.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void selectTab(int index);
  QWidget* axisGroups();

  ProgramState& state_;
  ErrorPresenter& errors_;
  QTabWidget* tabs_;
  std::array<ParameterPage*, kPages> pages_{};
  std::array<QRadioButton*, 4> loadFrom_{};
  std::array<QCheckBox*, 4> saveTo_{};
  std::uint32_t loadAxis_ = 1;
};

}  // namespace m716::utility

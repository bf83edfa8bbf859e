#pragma once
// A monitor's plot on the screen: a pane of the picture's size that paints the picture a chart
// draws into, so what was drawn survives the window being covered, resized or restored. Its
// context menu holds the actions added to it ("Save Picture…").
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

#include "error_presenter.h"

namespace m716::utility {

// Asks for the name of a file to write; empty when the user cancels. The screens use a file
// dialog; tests put in a function that answers.
using SaveFileChooser =
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>;
QString askSaveFileName(QWidget* parent, const QString& caption, const QString& filter);

class PicturePane : public QWidget {
  Q_OBJECT

 public:
  // Shows `picture`, which must outlive the pane.
  explicit PicturePane(const QImage& picture, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const QImage& picture_;
};

// A pane in a one-pixel border: the pane is the plot's client area.
QWidget* framed(PicturePane* pane);

// Asks for a file name and writes `picture` there as PNG (".png" is added to a name without a
// suffix); tells the user when it cannot be written.
void savePicture(const QImage& picture, QWidget* parent, const SaveFileChooser& chooseFile,
                 ErrorPresenter& errors);

}  // namespace m716::utility

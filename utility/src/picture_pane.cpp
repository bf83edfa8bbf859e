#include "picture_pane.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace m716::utility {

QString askSaveFileName(QWidget* parent, const QString& caption, const QString& filter) {
  return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
}

PicturePane::PicturePane(const QImage& picture, QWidget* parent)
    : QWidget(parent), picture_(picture) {
  setFixedSize(picture.size());
  setAttribute(Qt::WA_OpaquePaintEvent);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

void PicturePane::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.drawImage(event->rect(), picture_, event->rect());
}

QWidget* framed(PicturePane* pane) {
  auto* frame = new QFrame;
  frame->setFrameStyle(QFrame::Box | QFrame::Plain);
  frame->setLineWidth(1);
  auto* layout = new QVBoxLayout(frame);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->addWidget(pane);
  return frame;
}

void savePicture(const QImage& picture, QWidget* parent, const SaveFileChooser& chooseFile,
                 ErrorPresenter& errors) {
  QString file =
      chooseFile(parent, QStringLiteral("Save Picture"), QStringLiteral("PNG pictures (*.png)"));
  if (file.isEmpty()) return;
  if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".png");
  if (!picture.save(file, "PNG"))
    errors.inform(QStringLiteral("The picture could not be written to \"%1\".").arg(file));
}

}  // namespace m716::utility

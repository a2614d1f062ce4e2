// CDlgPrint: the print dialog of the main window's Print command. Copies the
// picture of the front or the rear view out of its player, shows it in the
// preview area and prints it scaled to the page width, with a caption line
// under it. Closes after a printed
// page (accepted) or on Cancel (rejected).
//
//   CDlgPrint dialog(window->FrontPlayer(), window->RearPlayer(), window);
//   dialog.exec();
//
// UI thread only. The players must outlive the dialog.
#pragma once

#include <QDialog>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>

#include "controls/window_drag.h"
#include "output/print_picture.h"

class QPushButton;
class QRadioButton;

namespace orvia {
namespace player {
class PlayerControl;
}

// Control ids of the dialog; each control is named "ctl<id>".
enum PrintDialogControlId : int {
  kPrintOk = 1,
  kPrintCancel = 2,
  kPrintReload = 1117,
  kPrintFront = 1118,
  kPrintRear = 1119,
  kPrintPreview = 1120,
};

class CDlgPrint : public QDialog {
  Q_OBJECT

 public:
  // Copies the front view's picture at once; either player may be null (the
  // preview then shows "No Picture").
  CDlgPrint(player::PlayerControl* front, player::PlayerControl* rear, QWidget* parent = nullptr);
  ~CDlgPrint() override;

  // Copies the chosen view's picture and makes the preview from it. False
  // when the player gave none; the preview is then empty.
  bool GrabPicture();
  // Asks for a printer and prints the picture on one page. False when no
  // printer is installed (the user is told), the user cancelled, there is no
  // picture to print (the user is told) or the page could not be written.
  bool PrintPicture();

  // The line printed under the picture (empty: none) and the name a PDF
  // file is offered under (without folder and ending).
  void SetCaption(const QString& caption, const QString& fileStem);

  bool RearChosen() const { return rearChosen_; }
  // The picture shown in the preview area, top row first; null without one.
  const QImage& PreviewImage() const { return preview_; }
  // The preview area in the dialog's coordinates.
  QRect PreviewRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void ChooseView(bool rear);

  player::PlayerControl* players_[2] = {nullptr, nullptr};  // front, rear
  bool rearChosen_ = false;
  CopiedPicture picture_;
  QImage preview_;
  QString caption_;
  QString fileStem_;
  QFont titleFont_;
  QRadioButton* frontButton_ = nullptr;
  QRadioButton* rearButton_ = nullptr;
  QPushButton* reloadButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  WindowDrag drag_;
};

// The name the main window's wiring may use.
using CPrintDlg = CDlgPrint;

}  // namespace orvia

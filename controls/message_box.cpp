#include "controls/message_box.h"

#include <QAbstractButton>
#include <QPushButton>

#include "base/localized_text.h"

namespace orvia {
namespace {

QList<QMessageBox::StandardButton>& Answers() {
  static QList<QMessageBox::StandardButton> answers;
  return answers;
}
QList<ShownMessageBox>& Shown() {
  static QList<ShownMessageBox> shown;
  return shown;
}

QMessageBox::StandardButton Run(QMessageBox& box) {
  if (!Answers().isEmpty()) {
    ShownMessageBox record{box.windowTitle(), box.text(), {}};
    for (QAbstractButton* b : box.buttons()) record.buttonTexts << b->text();
    Shown().append(record);
    return Answers().takeFirst();
  }
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QMessageBox::StandardButton ShowLocalizedMessageBox(const QString& text, QMessageBox::StandardButtons buttons,
                                                    QMessageBox::Icon icon) {
  QMessageBox box(icon, QStringLiteral("Orvia"), text, buttons);
  // OK and Cancel take the string file's captions; Yes, No, Retry and the
  // rest keep Qt's.
  if (QAbstractButton* ok = box.button(QMessageBox::Ok))
    ok->setText(QString::fromStdString(GetLocalizedText("IDS_CAPTION_OK")));
  if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
    cancel->setText(QString::fromStdString(GetLocalizedText("IDS_CAPTION_CANCEL")));
  return Run(box);
}

QMessageBox::StandardButton ShowPlainMessageBox(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Orvia"), text, QMessageBox::Ok);
  return Run(box);
}

void QueueMessageBoxAnswer(QMessageBox::StandardButton answer) { Answers().append(answer); }

QList<ShownMessageBox> TakeShownMessageBoxes() {
  QList<ShownMessageBox> shown = Shown();
  Shown().clear();
  return shown;
}

}  // namespace orvia

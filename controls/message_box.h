// The program's message box: titled "Orvia", its OK and Cancel buttons
// labelled from the string file, every other button keeping Qt's own text.
// Tests queue answers in advance, so that no test ever blocks on a box.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

namespace orvia {

// Shows the box modally with no owner and returns the button pressed.
QMessageBox::StandardButton ShowLocalizedMessageBox(const QString& text,
                                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                                    QMessageBox::Icon icon = QMessageBox::NoIcon);

// The same box with Qt's own button texts (used where the string file may
// not be written yet, as for the string file's own failure).
QMessageBox::StandardButton ShowPlainMessageBox(const QString& text);

// Test support: while answers are queued, a box is not shown; the next
// answer is returned and the box's text and button captions are recorded.
struct ShownMessageBox {
  QString title;
  QString text;
  QStringList buttonTexts;
};
void QueueMessageBoxAnswer(QMessageBox::StandardButton answer);
// The boxes answered from the queue since the last call; clears the record.
QList<ShownMessageBox> TakeShownMessageBoxes();

}  // namespace orvia

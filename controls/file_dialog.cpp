#include "controls/file_dialog.h"

#include <QFileDialog>

namespace orvia {
namespace {

QStringList& Answers() {
  static QStringList answers;
  return answers;
}
QStringList& Suggested() {
  static QStringList suggested;
  return suggested;
}

}  // namespace

QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& suggestedPath,
                        const QString& filter) {
  if (!Answers().isEmpty()) {
    Suggested().append(suggestedPath);
    return Answers().takeFirst();
  }
  return QFileDialog::getSaveFileName(parent, caption, suggestedPath, filter);
}

QString GetExistingFolder(QWidget* parent, const QString& caption, const QString& start) {
  if (!Answers().isEmpty()) {
    Suggested().append(start);
    return Answers().takeFirst();
  }
  return QFileDialog::getExistingDirectory(parent, caption, start);
}

void QueueSaveFileAnswer(const QString& path) { Answers().append(path); }

QStringList TakeSuggestedSavePaths() {
  QStringList s = Suggested();
  Suggested().clear();
  return s;
}

}  // namespace orvia

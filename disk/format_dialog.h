// CDlgFormatOption: the modal options dialog of a card format. Shows the
// card's size, file system, allocation unit now and after, takes the label and
// the quick-format choice, runs the format on the format worker with a
// progress bar, and refuses to close while the format runs. UI thread only.
#pragma once

#include <QDialog>

#include "disk/format_worker.h"  // the result type crosses threads

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QThread;

namespace orvia {

class CFormatWorker;

class CDlgFormatOption : public QDialog {
  Q_OBJECT

 public:
  // `card` is the card to format; tools and system paths go to the worker.
  CDlgFormatOption(format::CardCandidate card, format::FormatTools tools, format::SystemPaths system,
                   QWidget* parent = nullptr);
  // Waits for a format still running (it cannot be interrupted safely).
  ~CDlgFormatOption() override;

  // The start button: confirms, then starts the worker.
  void StartFormat();
  bool IsFormatting() const { return thread_ != nullptr; }
  // The result of the last format (valid after formatFinished).
  const format::FormatResult& LastResult() const { return lastResult_; }

 signals:
  // After a format has ended and its message was answered; ok as in FormatResult.
  void formatFinished(bool ok);

 public slots:
  // Escape and the close button: refused with a message while formatting.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void OnProgress(int percent, int phase);
  void OnFinished(const orvia::format::FormatResult& result);

 private:
  void SetInputsEnabled(bool enabled);
  void StopWorker();

  format::CardCandidate card_;
  format::FormatTools tools_;
  format::SystemPaths system_;
  format::FormatResult lastResult_;
  QLineEdit* space_ = nullptr;
  QLineEdit* fileSystem_ = nullptr;
  QLineEdit* clusterNow_ = nullptr;
  QLineEdit* clusterNew_ = nullptr;
  QLineEdit* label_ = nullptr;
  QCheckBox* quick_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* close_ = nullptr;
  QThread* thread_ = nullptr;
  CFormatWorker* worker_ = nullptr;
};

}  // namespace orvia

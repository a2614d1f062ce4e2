// StartupTrace: when the steps of a start happened, in milliseconds from the
// process's start as the kernel counts it (so that loading the libraries is
// included). `orvia --trace-startup FILE` writes them, one "MS NAME" line
// each, rewriting the file at every new step so that it is whole even when
// the program is killed.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

namespace orvia {

class COrviaDlg;

class StartupTrace : public QObject {
  Q_OBJECT

 public:
  // Starts counting; "process start" (0) and "main" are the first steps.
  explicit StartupTrace(QString path, QObject* parent = nullptr);
  ~StartupTrace() override;

  // Records a step once; a name given again is ignored.
  void Mark(const QString& name);
  // Watches the window for "window shown", the first picture of each view
  // ("front picture", "rear picture") and the end of the card's analysis.
  void Watch(COrviaDlg& window);

  // Milliseconds from the process's start to now.
  qint64 NowMs() const;
  struct Step {
    QString name;
    qint64 ms = 0;
  };
  const std::vector<Step>& Steps() const { return steps_; }

 private:
  void Write() const;
  void PollPictures();

  QString path_;
  QElapsedTimer sinceMain_;
  qint64 mainMs_ = 0;  // the process's age when the timer started
  std::vector<Step> steps_;
  COrviaDlg* window_ = nullptr;
  QTimer poll_;
};

// Records a step in the trace of this run, if one is being written.
void MarkStartupStep(const char* name);

// Milliseconds the process had been running when this was called, from
// /proc/self/stat and the boot clock; 0 where they cannot be read.
qint64 ProcessAgeMs();

}  // namespace orvia

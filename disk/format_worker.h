// The format worker: runs one format (format::RunFormat) on its own thread.
// It touches no widget; it reports through its signals only, which reach the
// options dialog as queued calls on the UI thread.
#pragma once

#include <QObject>

#include "disk/format_logic.h"

Q_DECLARE_METATYPE(orvia::format::FormatResult)

namespace orvia {

class CFormatWorker : public QObject {
  Q_OBJECT

 public:
  // Constructed on the UI thread, then moved to the worker thread.
  CFormatWorker(format::FormatRequest request, format::FormatTools tools, format::SystemPaths system);

 public slots:
  // Worker thread: formats and prepares the card, then emits finished.
  void Run();

 signals:
  // Emitted on the worker thread; percent 0 to 100, phase a format::FormatPhase.
  void progressChanged(int percent, int phase);
  void finished(const orvia::format::FormatResult& result);

 private:
  format::FormatRequest request_;
  format::FormatTools tools_;
  format::SystemPaths system_;
};

}  // namespace orvia

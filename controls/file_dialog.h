// The standard save-file dialog behind one wrapper, so that tests answer it
// in advance and never block on a dialog (as the message box does).
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace orvia {

// Asks for a file name to write. `filter` in Qt's form ("GPX (*.gpx);;KML
// (*.kml)"). Returns the chosen path, or an empty text when cancelled.
QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& suggestedPath,
                        const QString& filter);

// Asks for a folder to write into, starting at `start`; empty when
// cancelled. Answered from the same queue in tests.
QString GetExistingFolder(QWidget* parent, const QString& caption, const QString& start);

// Test support: while answers are queued, no dialog is shown; the next
// answer is returned (an empty answer cancels) and the suggested path is
// recorded.
void QueueSaveFileAnswer(const QString& path);
// The suggested paths of the dialogs answered from the queue; clears the record.
QStringList TakeSuggestedSavePaths();

}  // namespace orvia

// How the print dialog gets its printer: the system's default printer, or
// the first installed one when none is the default (PickPrinter); then the
// user confirms or changes it in Qt's print dialog, which also offers a PDF
// file. With no printer at all, a PDF file is the destination. Tests
// queue answers in advance, so that no test blocks on the dialog; a queued
// answer can send the page into a PDF file instead of a printer.
#pragma once

#include <QPageLayout>
#include <QString>

class QPrinter;
class QWidget;

namespace orvia {

enum class PrinterChoice {
  kNoDefaultPrinter,  // no printer installed and no PDF file possible: nothing was shown
  kCancelled,         // the user cancelled the print dialog
  kChosen,            // `printer` is set up; print on it
};

// Sets up `printer` for the picked printer and shows the print dialog (no
// selection, no page ranges; printing to a PDF file is one of its
// destinations). Without any printer installed the page goes into a PDF
// file, asked for with the save-file dialog starting on `suggestedPdf`.
// Modal; UI thread.
PrinterChoice ChoosePrinter(QPrinter& printer, QWidget* owner, const QString& suggestedPdf = QString());

// Test support: while answers are queued, ChoosePrinter shows nothing and
// takes the next one. kChosen with a `pdfPath` makes the printer write that
// PDF file, on an A4 page of the given orientation without margins.
struct QueuedPrinterChoice {
  PrinterChoice choice = PrinterChoice::kChosen;
  QString pdfPath;
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
};
void QueuePrinterChoice(const QueuedPrinterChoice& answer);
// How many times ChoosePrinter answered from the queue; clears the count.
int TakePrinterChoiceCount();

}  // namespace orvia

#include "output/printer_choice.h"

#include <string>
#include <vector>

#include <QList>
#include <QMarginsF>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "base/localized_text.h"
#include "controls/file_dialog.h"
#include "output/print_picture.h"

namespace orvia {
namespace {

QList<QueuedPrinterChoice>& Queue() {
  static QList<QueuedPrinterChoice> queue;
  return queue;
}
int& AnsweredCount() {
  static int count = 0;
  return count;
}

PrinterChoice TakeQueued(QPrinter& printer) {
  const QueuedPrinterChoice answer = Queue().takeFirst();
  ++AnsweredCount();
  if (answer.choice == PrinterChoice::kChosen && !answer.pdfPath.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(answer.pdfPath);
    printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), answer.orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Point));
  }
  return answer.choice;
}

}  // namespace

PrinterChoice ChoosePrinter(QPrinter& printer, QWidget* owner, const QString& suggestedPdf) {
  if (!Queue().isEmpty()) return TakeQueued(printer);
  const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
  std::vector<std::string> installed;
  for (const QString& name : QPrinterInfo::availablePrinterNames()) installed.push_back(name.toStdString());
  const std::string name = PickPrinter(
      defaultPrinter.isNull() ? std::string() : defaultPrinter.printerName().toStdString(), installed);
  if (name.empty()) {
    // No printer: the page is kept as a PDF file, which can be printed or
    // sent later.
    if (!printer.isValid()) return PrinterChoice::kNoDefaultPrinter;
    QString path =
        GetSaveFileName(owner, QString::fromStdString(GetLocalizedText("IDS_CAPTION_PRINT_PDF_FILE")),
                        suggestedPdf, QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return PrinterChoice::kCancelled;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    return PrinterChoice::kChosen;
  }
  printer.setPrinterName(QString::fromStdString(name));
  QPrintDialog dialog(&printer, owner);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  if (dialog.exec() != QDialog::Accepted) return PrinterChoice::kCancelled;
  return PrinterChoice::kChosen;
}

void QueuePrinterChoice(const QueuedPrinterChoice& answer) { Queue().append(answer); }

int TakePrinterChoiceCount() {
  const int count = AnsweredCount();
  AnsweredCount() = 0;
  return count;
}

}  // namespace orvia

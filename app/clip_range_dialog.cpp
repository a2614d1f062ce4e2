#include "app/clip_range_dialog.h"

#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <deque>

#include "base/localized_text.h"

namespace orvia {

namespace {

struct QueuedAnswer {
  bool cancel = false;
  std::optional<ClockRange> range;
};
std::deque<QueuedAnswer> g_answers;
std::optional<ClockRange> g_lastProposed;

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

}  // namespace

QDateTimeEdit* MakeClockEdit(QWidget* parent, int64_t seconds) {
  auto* edit = new QDateTimeEdit(QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC), parent);
  edit->setTimeSpec(Qt::UTC);
  edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  edit->setCalendarPopup(false);
  return edit;
}

std::optional<ClockRange> AskClockRange(QWidget* parent, const QString& title, ClockRange proposed) {
  g_lastProposed = proposed;
  if (!g_answers.empty()) {
    const QueuedAnswer answer = g_answers.front();
    g_answers.pop_front();
    if (answer.cancel) return std::nullopt;
    return answer.range ? answer.range : std::optional<ClockRange>(proposed);
  }
  QDialog dialog(parent);
  dialog.setWindowTitle(title);
  auto* form = new QFormLayout(&dialog);
  const ClockRangeRows rows = AddClockRangeRows(dialog, form, proposed);
  if (!RunRangeDialog(dialog, form, rows)) return std::nullopt;
  return rows.Chosen();
}

ClockRange ClockRangeRows::Chosen() const {
  return ClockRange{from->dateTime().toSecsSinceEpoch(), to->dateTime().toSecsSinceEpoch()};
}

ClockRangeRows AddClockRangeRows(QDialog& dialog, QFormLayout* form, ClockRange proposed) {
  ClockRangeRows rows{MakeClockEdit(&dialog, proposed.from), MakeClockEdit(&dialog, proposed.to)};
  rows.from->setObjectName("from");
  rows.to->setObjectName("to");
  form->addRow(Text("IDS_CAPTION_RANGE_FROM"), rows.from);
  form->addRow(Text("IDS_CAPTION_RANGE_TO"), rows.to);
  return rows;
}

bool RunRangeDialog(QDialog& dialog, QFormLayout* form, const ClockRangeRows& rows) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(Text("IDS_CAPTION_OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(Text("IDS_CAPTION_CANCEL"));
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  const auto check = [buttons, rows] {
    buttons->button(QDialogButtonBox::Ok)->setEnabled(rows.to->dateTime() > rows.from->dateTime());
  };
  QObject::connect(rows.from, &QDateTimeEdit::dateTimeChanged, &dialog, check);
  QObject::connect(rows.to, &QDateTimeEdit::dateTimeChanged, &dialog, check);
  return dialog.exec() == QDialog::Accepted;
}

void QueueClockRangeAnswer(bool cancel, std::optional<ClockRange> range) {
  g_answers.push_back({cancel, range});
}

std::optional<ClockRange> TakeLastProposedClockRange() {
  std::optional<ClockRange> last = g_lastProposed;
  g_lastProposed.reset();
  return last;
}

}  // namespace orvia

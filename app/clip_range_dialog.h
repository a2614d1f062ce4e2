// Asks for the stretch of the recorder's clock that a clip or an evidence
// pack covers: its start and end as date-times of the recorder's clock (as
// the recording list shows them), both editable. Tests answer it in advance,
// as they do the save dialog.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class QDateTimeEdit;
class QDialog;
class QFormLayout;
class QWidget;

namespace orvia {

// [from, to) in seconds of the recorder's clock, broken down as UTC.
struct ClockRange {
  int64_t from = 0;
  int64_t to = 0;
};

// An editor of a date-time of the recorder's clock (kept in UTC, so that no
// zone of this computer moves it).
QDateTimeEdit* MakeClockEdit(QWidget* parent, int64_t seconds);

// The From and To rows of a range dialog.
struct ClockRangeRows {
  QDateTimeEdit* from = nullptr;
  QDateTimeEdit* to = nullptr;
  ClockRange Chosen() const;
};
ClockRangeRows AddClockRangeRows(QDialog& dialog, QFormLayout* form, ClockRange proposed);
// The dialog's OK and Cancel as its last row; OK only while the range ends
// after it starts. True when the dialog was closed with OK.
bool RunRangeDialog(QDialog& dialog, QFormLayout* form, const ClockRangeRows& rows);

// Shows the dialog with the proposed range; the range chosen, or nothing
// when the user cancels. An end at or before the start is not accepted.
std::optional<ClockRange> AskClockRange(QWidget* parent, const QString& title, ClockRange proposed);

// Test support: while answers are queued, no dialog is shown. An answer
// without a range takes the proposed one; `cancel` cancels. The proposed
// ranges are recorded.
void QueueClockRangeAnswer(bool cancel, std::optional<ClockRange> range = {});
std::optional<ClockRange> TakeLastProposedClockRange();

}  // namespace orvia

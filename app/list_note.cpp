#include "app/list_note.h"

#include <QAbstractScrollArea>
#include <QEvent>

#include "base/localized_text.h"

namespace orvia {

ListNote::ListNote(QAbstractScrollArea* list) : QLabel(list->viewport()), viewport_(list->viewport()) {
  setObjectName(QStringLiteral("noRecordingsNote"));
  setAlignment(Qt::AlignCenter);
  setWordWrap(true);
  setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks still reach the list
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, QColor(90, 90, 100));
  setPalette(pal);
  setGeometry(viewport_->rect());
  viewport_->installEventFilter(this);
  hide();
}

void ListNote::ShowForRows(int rowCount) {
  if (rowCount > 0) {
    hide();
    return;
  }
  setText(QString::fromStdString(GetLocalizedText("IDS_CAPTION_LIST_NO_RECORDINGS")));
  setGeometry(viewport_->rect());
  show();
  raise();
}

bool ListNote::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport_ && event->type() == QEvent::Resize) setGeometry(viewport_->rect());
  return QLabel::eventFilter(watched, event);
}

ListStatusLine::ListStatusLine(QAbstractScrollArea* list)
    : QLabel(list->viewport()), viewport_(list->viewport()) {
  setObjectName(QStringLiteral("listStatusLine"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAutoFillBackground(true);
  setContentsMargins(6, 0, 6, 0);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(255, 244, 200));
  pal.setColor(QPalette::WindowText, QColor(60, 50, 20));
  setPalette(pal);
  hideTimer_.setSingleShot(true);
  hideTimer_.setInterval(kShownMs);
  connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
  viewport_->installEventFilter(this);
  hide();
}

void ListStatusLine::ShowNote(const QString& text) {
  setText(text);
  setToolTip(text);
  Place();
  show();
  raise();
  hideTimer_.start();
}

void ListStatusLine::Place() {
  const int h = fontMetrics().height() + 6;
  setGeometry(0, viewport_->height() - h, viewport_->width(), h);
}

bool ListStatusLine::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport_ && event->type() == QEvent::Resize) Place();
  return QLabel::eventFilter(watched, event);
}

}  // namespace orvia

#include "app/list_note.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

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

CardInsertedNote::CardInsertedNote(QAbstractScrollArea* list)
    : QFrame(list->viewport()), viewport_(list->viewport()) {
  setObjectName(QStringLiteral("cardInsertedNote"));
  setAutoFillBackground(true);
  setFrameShape(QFrame::StyledPanel);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(226, 240, 255));
  pal.setColor(QPalette::WindowText, QColor(20, 40, 70));
  setPalette(pal);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 2, 2, 2);
  row->setSpacing(4);
  text_ = new QLabel(this);
  open_ = new QPushButton(QString::fromStdString(GetLocalizedText("IDS_CAPTION_CARD_OPEN")), this);
  open_->setAutoDefault(false);
  auto* close = new QToolButton(this);
  close->setText(QStringLiteral("\u00d7"));
  close->setAutoRaise(true);
  row->addWidget(text_, 1);
  row->addWidget(open_);
  row->addWidget(close);
  connect(open_, &QPushButton::clicked, this, [this] {
    hide();
    emit openRequested(card_);
  });
  connect(close, &QToolButton::clicked, this, &QWidget::hide);
  viewport_->installEventFilter(this);
  hide();
}

void CardInsertedNote::Offer(const QString& cardRoot) {
  card_ = cardRoot;
  QString name = cardRoot;
  while (name.size() > 1 && name.endsWith('/')) name.chop(1);
  name = name.section('/', -1);
  text_->setText(QString::fromStdString(GetLocalizedText("IDS_CAPTION_CARD_INSERTED")).arg(name));
  setToolTip(cardRoot);
  Place();
  show();
  raise();
}

void CardInsertedNote::Place() {
  const int h = std::max(sizeHint().height(), fontMetrics().height() + 10);
  setGeometry(0, viewport_->height() - h, viewport_->width(), h);
}

bool CardInsertedNote::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport_ && event->type() == QEvent::Resize && isVisible()) Place();
  return QFrame::eventFilter(watched, event);
}

}  // namespace orvia

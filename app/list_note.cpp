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

}  // namespace orvia

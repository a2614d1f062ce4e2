#include "controls/colored_list_ctrl.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Paints the selection as a flat band in the highlight colour, the same with
// and without the focus, and never a focus frame.
class FlatSelectionDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    opt.state &= ~QStyle::State_HasFocus;
    if (opt.state & QStyle::State_Selected) {
      painter->fillRect(opt.rect, opt.palette.color(QPalette::Active, QPalette::Highlight));
      opt.state &= ~QStyle::State_Selected;
      opt.palette.setColor(QPalette::Text, opt.palette.color(QPalette::Active, QPalette::HighlightedText));
    }
    QStyledItemDelegate::paint(painter, opt, index);
  }
};

}  // namespace

CColoredListCtrl::CColoredListCtrl(QWidget* parent, QColor even, QColor odd)
    : QTreeWidget(parent), even_(even), odd_(odd) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setIndentation(0);
  setUniformRowHeights(true);
  setAlternatingRowColors(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setAllColumnsShowFocus(false);  // no focus frame: the selection alone marks the row
  setColumnCount(0);
  header()->setMinimumSectionSize(0);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  viewport()->setAutoFillBackground(true);
  setItemDelegate(new FlatSelectionDelegate(this));
  ApplyPalette();
}

void CColoredListCtrl::SetColors(const QColor& even, const QColor& odd) {
  even_ = even;
  odd_ = odd;
  ApplyPalette();
  viewport()->update();
}

void CColoredListCtrl::ApplyPalette() {
  QPalette pal = palette();
  // The empty area is the odd colour; the text is black in every row.
  pal.setColor(QPalette::Base, odd_);
  pal.setColor(QPalette::Text, Qt::black);
  // The selection looks the same with and without the focus.
  for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
  }
  setPalette(pal);
  viewport()->setPalette(pal);
}

void CColoredListCtrl::InsertColumn(int column, const QString& title, int width) {
  if (column > columnCount()) column = columnCount();
  setColumnCount(columnCount() + 1);
  QTreeWidgetItem* head = headerItem();
  // Shift the titles right of the new column.
  for (int c = columnCount() - 1; c > column; --c) head->setText(c, head->text(c - 1));
  head->setText(column, title);
  head->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
  setColumnWidth(column, width);
}

int CColoredListCtrl::AddRow(const QStringList& texts) {
  auto* item = new QTreeWidgetItem(this, texts);
  return indexOfTopLevelItem(item);
}

QString CColoredListCtrl::RowText(int row, int column) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item != nullptr ? item->text(column) : QString();
}

void CColoredListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const QRect band(0, option.rect.top(), viewport()->width(), option.rect.height());
  // A selected row is marked over the whole width, beyond its last column too.
  const bool selected =
      selectionModel() != nullptr && selectionModel()->isRowSelected(index.row(), index.parent());
  painter->fillRect(
      band, selected ? palette().color(QPalette::Active, QPalette::Highlight) : RowColor(index.row()));
  QStyleOptionViewItem opt = option;
  opt.palette.setColor(QPalette::Text, Qt::black);
  QTreeWidget::drawRow(painter, opt, index);
}

void CColoredListCtrl::focusOutEvent(QFocusEvent* event) {
  // Swallowed: the list keeps drawing its selection as focused.
  event->accept();
}

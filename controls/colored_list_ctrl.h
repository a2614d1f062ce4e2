// CColoredListCtrl: a report-style list whose rows alternate between two
// background colours (rows 0, 2, 4, ... even; 1, 3, 5, ... odd), with black
// text, whole-row selection that keeps its look when the focus leaves, and the
// empty area below the rows in the odd colour. A column of width 0 is hidden.
#pragma once

#include <QColor>
#include <QTreeWidget>

class CColoredListCtrl : public QTreeWidget {
  Q_OBJECT

 public:
  // The main window's colours.
  static constexpr QRgb kDefaultEven = 0xFFF0F7F9;  // red 240, green 247, blue 249
  static constexpr QRgb kDefaultOdd = 0xFFE5E8EF;   // red 229, green 232, blue 239

  explicit CColoredListCtrl(QWidget* parent = nullptr, QColor even = QColor::fromRgb(kDefaultEven),
                            QColor odd = QColor::fromRgb(kDefaultOdd));

  void SetColors(const QColor& even, const QColor& odd);
  QColor EvenColor() const { return even_; }
  QColor OddColor() const { return odd_; }
  // Background of row `row`.
  QColor RowColor(int row) const { return row % 2 == 0 ? even_ : odd_; }

  // Appends a column with a header text and a width in pixels (0 hides it).
  void InsertColumn(int column, const QString& title, int width);
  // Appends a row with one text per column; returns its index.
  int AddRow(const QStringList& texts);
  int RowCount() const { return topLevelItemCount(); }
  QString RowText(int row, int column) const;
  void DeleteAllItems() { clear(); }

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ApplyPalette();

  QColor even_;
  QColor odd_;
};

// CWhiteTabCtrl: the tab strip of the program's property sheets. The band from
// bandLeft to the right edge over the top 18 pixels is painted white, so the
// strip right of the tabs blends with the white sheet. The band starts after
// the last tab when the tabs reach beyond bandLeft.
// CWhiteTabWidget is a tab widget whose tab bar is a CWhiteTabCtrl and which
// paints the same band over its own full width.
#pragma once

#include <QTabBar>
#include <QTabWidget>

class CWhiteTabCtrl : public QTabBar {
  Q_OBJECT

 public:
  static constexpr int kBandHeight = 18;

  explicit CWhiteTabCtrl(QWidget* parent = nullptr);
  void SetBandLeft(int x);
  int BandLeft() const { return bandLeft_; }
  // The white band in this control's coordinates (empty when it would start
  // beyond the right edge).
  QRect BandRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int bandLeft_ = 0;
};

class CWhiteTabWidget : public QTabWidget {
  Q_OBJECT

 public:
  explicit CWhiteTabWidget(QWidget* parent = nullptr);
  CWhiteTabCtrl* WhiteTabBar() const { return bar_; }
  void SetBandLeft(int x);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CWhiteTabCtrl* bar_;
};

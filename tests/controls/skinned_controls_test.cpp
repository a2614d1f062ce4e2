// Behaviour of the skinned controls under the mouse and keyboard, and the
// colours they paint.
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>
#include <functional>

#include "controls/bit_slider.h"
#include "controls/bit_wnd.h"
#include "controls/bitmap_strip.h"
#include "controls/colored_list_ctrl.h"
#include "controls/skin.h"
#include "controls/skin_button.h"
#include "controls/white_tab_ctrl.h"

namespace {

QPixmap Solid(const QColor& colour, const QSize& size = {20, 20}) {
  QPixmap pixmap(size);
  pixmap.fill(colour);
  return pixmap;
}

// What `paint` draws on a white image.
QImage Drawn(int width, int height, const std::function<void(QPainter&)>& paint) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  paint(p);
  return image;
}

// Sends a mouse event straight to a widget, with the buttons held.
void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& pos, Qt::MouseButtons buttons) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(pos), widget->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}
void Press(QWidget* w, const QPoint& p) { SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton); }
void Drag(QWidget* w, const QPoint& p) { SendMouse(w, QEvent::MouseMove, p, Qt::LeftButton); }
void Release(QWidget* w, const QPoint& p) { SendMouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton); }
void Click(QWidget* w, const QPoint& p = {5, 5}) {
  Press(w, p);
  Release(w, p);
}

QList<int> Codes(const QSignalSpy& spy) {
  QList<int> codes;
  for (const QList<QVariant>& args : spy) codes << args.at(0).toInt();
  return codes;
}

// A button in `parent` with grey normal, black pressed and white hover images.
CxSkinButton* Button(QWidget* parent, int id, SkinButtonBehaviour behaviour = SkinButtonBehaviour::kPush) {
  auto* button = new CxSkinButton(parent, id, behaviour);
  button->SetSkinImages(Solid(Qt::gray), Solid(Qt::black), Solid(Qt::white));
  return button;
}

// A slider in `parent` over 0..max with the skin's channel bitmaps, shown.
CBitSlider* Slider(QWidget* parent, int max, int pos, int rightId = 179, int leftId = 180) {
  auto* slider = new CBitSlider(parent, 1019);
  slider->SetRange(0, max);
  slider->SetPos(pos);
  slider->CreateThumb();
  slider->SetBitmaps(rightId, leftId);
  parent->show();
  return slider;
}

}  // namespace

class SkinnedControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void stripDrawsOnlyValidFrames() {
    QPixmap bitmap(30, 10);
    bitmap.fill(Qt::black);
    {
      QPainter p(&bitmap);
      p.fillRect(10, 0, 10, 10, Qt::red);
      p.fillRect(20, 0, 10, 10, Qt::green);
    }
    const CBitmapStrip strip(bitmap, 10, 0);
    QCOMPARE(strip.FrameCount(), 3);
    QCOMPARE(Drawn(10, 10, [&](QPainter& p) { strip.DrawFrame(1, p); }).pixelColor(5, 5), QColor(Qt::red));
    QCOMPARE(Drawn(10, 10, [&](QPainter& p) { strip.DrawFrame(3, p); }).pixelColor(5, 5), QColor(Qt::white));
    // Stretching draws the whole bitmap into the target rectangle.
    const QImage wide = Drawn(60, 10, [&](QPainter& p) { strip.DrawImage(p, 0, 0, 60, 10, 0, true); });
    QCOMPARE(wide.pixelColor(5, 5), QColor(Qt::black));
    QCOMPARE(wide.pixelColor(30, 5), QColor(Qt::red));
    QCOMPARE(wide.pixelColor(55, 5), QColor(Qt::green));
    // Skin ids: the layout follows the bitmap; an unknown id has no frame.
    QVERIFY(CBitmapStrip(189).IsVertical());
    QCOMPARE(CBitmapStrip(9999).FrameCount(), 0);
  }

  void buttonClicksOnlyOnAReleaseOverIt() {
    QWidget parent;
    CxSkinButton* button = Button(&parent, 7);
    parent.show();
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QSignalSpy command(button, &CxSkinButton::command);
    // Pressed shows only while the pointer is over the button.
    Press(button, {10, 10});
    QCOMPARE(button->CurrentImage(), CxSkinButton::Image::kPressed);
    Drag(button, {60, 10});
    QVERIFY(button->CurrentImage() != CxSkinButton::Image::kPressed);
    Drag(button, {12, 12});
    QCOMPARE(button->CurrentImage(), CxSkinButton::Image::kPressed);
    Drag(button, {60, 10});
    Release(button, {60, 10});
    QCOMPARE(clicked.count(), 0);

    Click(button);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(command.count(), 1);
    QCOMPARE(command.at(0).at(0).toInt(), 7);
    // A double click acts as a second press.
    SendMouse(button, QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton);
    Release(button, {5, 5});
    QCOMPARE(clicked.count(), 2);
  }

  void imageChoiceForDisabledCheckedAndHover() {
    QWidget parent;
    CxSkinButton* box = Button(&parent, 9, SkinButtonBehaviour::kCheckBox);
    parent.show();
    QCOMPARE(box->CurrentImage(), CxSkinButton::Image::kNormal);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(box, &enter);
    QCOMPARE(box->CurrentImage(), CxSkinButton::Image::kHover);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(box, &leave);
    QCOMPARE(box->CurrentImage(), CxSkinButton::Image::kNormal);

    // A click flips a check box; without a checked image the checked state
    // shows the pressed image.
    Click(box);
    QVERIFY(box->GetCheck());
    QCOMPARE(box->CurrentImage(), CxSkinButton::Image::kPressed);
    box->SetSkinImages(Solid(Qt::gray), Solid(Qt::black), Solid(Qt::white), Solid(Qt::red));
    QCOMPARE(box->CurrentImage(), CxSkinButton::Image::kChecked);
    Click(box);
    QVERIFY(!box->GetCheck());

    // Disabled shows the normal image, checked or not.
    box->SetCheck(true);
    box->setEnabled(false);
    QCOMPARE(box->CurrentImage(), CxSkinButton::Image::kNormal);
    QCOMPARE(box->grab().toImage().pixelColor(10, 10), QColor(Qt::gray));

    CxSkinButton push(&parent, 10);
    push.SetCheck(true);
    QVERIFY(!push.GetCheck());
  }

  void checkingARadioButtonClearsItsGroup() {
    QWidget parent;
    CxSkinButton* a = Button(&parent, 1, SkinButtonBehaviour::kRadio);
    CxSkinButton* b = Button(&parent, 2, SkinButtonBehaviour::kRadio);
    CxSkinButton* c = Button(&parent, 3, SkinButtonBehaviour::kRadio);
    CxSkinButton* other = Button(&parent, 4, SkinButtonBehaviour::kRadio);
    CxSkinButton* box = Button(&parent, 5, SkinButtonBehaviour::kCheckBox);
    other->SetGroup(1);
    parent.show();
    other->SetCheck(true);
    box->SetCheck(true);
    a->SetCheck(true);
    b->SetCheck(true);
    QVERIFY(!a->GetCheck());
    QVERIFY(b->GetCheck());
    // A release over c checks it and clears b; clicking c again keeps it checked.
    Click(c);
    QVERIFY(c->GetCheck());
    QVERIFY(!b->GetCheck());
    Click(c);
    QVERIFY(c->GetCheck());
    // Other groups and check boxes are left alone.
    QVERIFY(other->GetCheck());
    QVERIFY(box->GetCheck());
  }

  void sliderClickJumpsToTheValueAtTheChannelEndsAndMiddle() {
    QWidget parent;
    CBitSlider* slider = Slider(&parent, 59, 0, 175, 176);
    QCOMPARE(slider->size(), QSize(490, 10));
    const QRect channel = slider->ChannelRect();
    QSignalSpy spy(slider, &CBitSlider::scrolled);
    Press(slider, {channel.right() + 1, 5});
    QCOMPARE(slider->GetPos(), 59);
    Release(slider, {channel.right() + 1, 5});
    QCOMPARE(Codes(spy), (QList<int>{orvia::TB_THUMBTRACK, orvia::TB_ENDTRACK}));
    QCOMPARE(spy.at(1).at(1).toInt(), 59);

    // Channel start, middle, and the slider's own edges beyond the channel (clamped).
    for (const auto& [x, pos] :
         {std::pair{channel.left(), 0}, std::pair{channel.left() + channel.width() / 2, 30}, std::pair{0, 0},
          std::pair{489, 59}}) {
      Click(slider, {x, 5});
      QCOMPARE(slider->GetPos(), pos);
    }
    // The thumb image sits inside the slider at both ends.
    QCOMPARE(slider->Thumb()->geometry(), QRect(472, 0, 18, 12));
    slider->SetPos(0);
    QCOMPARE(slider->Thumb()->geometry(), QRect(0, 0, 18, 12));
  }

  void sliderEndTrackOnlyAfterAChange() {
    QWidget parent;
    CBitSlider* slider = Slider(&parent, 4, 2);
    QSignalSpy spy(slider, &CBitSlider::scrolled);
    const QPoint onValue = slider->TrackThumbRect().center();
    Click(slider, onValue);
    QCOMPARE(spy.count(), 0);

    // A drag away and back to the same value still ends with an end track.
    const QRect channel = slider->ChannelRect();
    Press(slider, onValue);
    Drag(slider, {channel.left(), 5});
    QCOMPARE(slider->GetPos(), 0);
    Drag(slider, onValue);
    Release(slider, onValue);
    QCOMPARE(Codes(spy), (QList<int>{orvia::TB_THUMBTRACK, orvia::TB_THUMBTRACK, orvia::TB_ENDTRACK}));
    QCOMPARE(slider->GetPos(), 2);

    // Moving without the button held does nothing.
    spy.clear();
    SendMouse(slider, QEvent::MouseMove, {channel.left(), 5}, Qt::NoButton);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(slider->GetPos(), 2);
  }

  void thumbPressAndKeysMoveTheSlider() {
    QWidget parent;
    CBitSlider* slider = Slider(&parent, 10, 5);
    QSignalSpy spy(slider, &CBitSlider::scrolled);
    CBitWnd* thumb = slider->Thumb();
    const QPoint centre = thumb->rect().center();
    // The thumb image centres on the value, so its middle keeps the value...
    Click(thumb, centre);
    QCOMPARE(slider->GetPos(), 5);
    QCOMPARE(spy.count(), 0);
    // ...and dragging it follows the pointer (the thumb moves under it, so
    // each event is given in the thumb's coordinates of the moment).
    const QPoint target = thumb->mapToParent(centre) + QPoint(22, 0);
    Press(thumb, centre);
    Drag(thumb, target - thumb->pos());
    Release(thumb, target - thumb->pos());
    QCOMPARE(slider->GetPos(), 7);
    QCOMPARE(Codes(spy), (QList<int>{orvia::TB_THUMBTRACK, orvia::TB_ENDTRACK}));
    // A key moves one step and ends the track on its release.
    spy.clear();
    QTest::keyPress(slider, Qt::Key_Right);
    QTest::keyRelease(slider, Qt::Key_Right);
    QCOMPARE(slider->GetPos(), 8);
    QCOMPARE(Codes(spy), (QList<int>{orvia::TB_LINEDOWN, orvia::TB_ENDTRACK}));
  }

  void sliderSwallowsTheWheelAndSplitsTheChannelAtTheThumb() {
    QWidget parent;
    CBitSlider* slider = Slider(&parent, 59, 30, 175, 176);
    QSignalSpy spy(slider, &CBitSlider::scrolled);
    QWheelEvent wheel(QPointF(100, 5), slider->mapToGlobal(QPointF(100, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    QVERIFY(wheel.isAccepted());
    QCOMPARE(slider->GetPos(), 30);
    QCOMPARE(spy.count(), 0);

    // Played part (left image) left of the thumb, the rest right of it.
    const QImage shown = slider->grab().toImage();
    const QImage played = orvia::skin::LoadImage(176).convertToFormat(QImage::Format_RGB32);
    const QImage rest = orvia::skin::LoadImage(175).convertToFormat(QImage::Format_RGB32);
    const QRect thumb = slider->ThumbRect();
    QCOMPARE(shown.pixel(thumb.left() - 5, 5), played.pixel(0, 5));
    QCOMPARE(shown.pixel(thumb.right() + 5, 5), rest.pixel(0, 5));
    QVERIFY(played.pixel(0, 5) != rest.pixel(0, 5));
  }

  void marksSitWhereTheThumbCentresForTheirValueAndFollowTheRange() {
    QWidget parent;
    CBitSlider* slider = Slider(&parent, 60, 0, 175, 176);
    const QColor mark = QColor::fromRgb(CBitSlider::kMarkColor);
    // Where the thumb's centre stands for `value` under the present range.
    const auto thumbCentre = [slider](int value) {
      const int kept = slider->GetPos();
      slider->SetPos(value);
      const int x = slider->Thumb()->geometry().center().x();
      slider->SetPos(kept);
      return x;
    };
    const auto shownAt = [slider](int x) { return slider->grab().toImage().pixelColor(x, 5); };
    // A value past the range would land on the channel's end if it were clamped.
    slider->SetMarks({20, 75});
    const int at20 = thumbCentre(20);
    QCOMPARE(shownAt(at20), mark);
    QVERIFY(shownAt(at20 - 4) != mark && shownAt(at20 + 4) != mark);
    QVERIFY(shownAt(thumbCentre(60)) != mark);

    // A longer recording moves the mark to the new scale.
    slider->SetRange(0, 120);
    QCOMPARE(slider->Marks(), (std::vector<int>{20, 75}));
    QVERIFY(thumbCentre(20) < at20 - 4);
    QCOMPARE(shownAt(thumbCentre(20)), mark);
    QCOMPARE(shownAt(thumbCentre(75)), mark);
    QVERIFY(shownAt(at20) != mark);

    slider->SetMarks({});
    QVERIFY(shownAt(thumbCentre(20)) != mark);
  }

  void verticalSliderUsesTheYAxisAndCopiesTheChannel() {
    QWidget parent;
    CBitSlider slider(&parent, 1, Qt::Vertical);
    slider.SetRange(0, 10);
    slider.SetPos(0);
    slider.CreateThumb();
    slider.SetBitmaps(std::make_unique<CBitmapStrip>(Solid(Qt::blue, {20, 120})),
                      std::make_unique<CBitmapStrip>(Solid(Qt::red, {20, 120})));
    parent.show();
    QCOMPARE(slider.size(), QSize(20, 120));
    Click(&slider, {5, slider.ChannelRect().right() + 1});  // horizontal form: left/right run along y
    QCOMPARE(slider.GetPos(), 10);
    slider.SetPos(5);
    const QRect thumb = slider.ThumbRect();
    QVERIFY(thumb.top() > 0 && thumb.bottom() < 119);
    const QImage shown = slider.grab().toImage();
    QCOMPARE(shown.pixelColor(5, thumb.top() - 3), QColor(Qt::red));
    QCOMPARE(shown.pixelColor(5, thumb.bottom() + 3), QColor(Qt::blue));
  }

  void listRowsAlternateAndTheSelectionKeepsItsLookWithoutFocus() {
    QWidget window;
    auto* list = new CColoredListCtrl(&window);
    auto* other = new QLineEdit(&window);
    list->setGeometry(0, 0, 357, 181);
    other->setGeometry(0, 190, 100, 20);
    list->InsertColumn(0, QStringLiteral("No"), 40);
    list->InsertColumn(1, QStringLiteral("Date"), 80);
    list->InsertColumn(2, QStringLiteral("Path"), 0);
    for (int i = 0; i < 3; ++i) list->AddRow({QString::number(i + 1), QStringLiteral("2024-01-01"), "/x"});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(list->columnWidth(2), 0);
    const QImage shown = list->viewport()->grab().toImage();
    const QColor even(240, 247, 249), odd(229, 232, 239);
    for (int row = 0; row < 3; ++row) {
      // Sampled right of the columns, mid-row (away from a focus frame on the current row).
      const int y = list->visualRect(list->model()->index(row, 1)).center().y();
      QCOMPARE(shown.pixelColor(200, y), row % 2 == 0 ? even : odd);
      QCOMPARE(shown.pixelColor(list->viewport()->width() - 3, y), row % 2 == 0 ? even : odd);
    }
    QCOMPARE(shown.pixelColor(5, shown.height() - 3), odd);  // below the rows
    // Text is drawn black: the darkest pixel of row 0's first cell is near black.
    const QRect cell = list->visualRect(list->model()->index(0, 0));
    int darkest = 255;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x) darkest = std::min(darkest, qGray(shown.pixel(x, y)));
    QVERIFY(darkest < 60);

    // The selected row looks the same once another control has the focus.
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(1));
    QVERIFY(list->topLevelItem(1)->isSelected());
    const QRect r = list->visualRect(list->model()->index(1, 1));
    const QPoint inside(r.left() + r.width() * 3 / 4, r.center().y());
    const QColor focused = list->viewport()->grab().toImage().pixelColor(inside);
    other->setFocus();
    QCOMPARE(list->viewport()->grab().toImage().pixelColor(inside), focused);
    QVERIFY(focused != odd);
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
  }

  void tabBandIsWhiteFromBandLeft() {
    CWhiteTabCtrl tabs;
    tabs.addTab(QStringLiteral("Play list"));
    tabs.addTab(QStringLiteral("Disk format"));
    tabs.resize(700, 24);
    tabs.SetBandLeft(500);
    QPalette pal = tabs.palette();
    pal.setColor(QPalette::Window, QColor(10, 20, 30));
    tabs.setPalette(pal);
    tabs.setAutoFillBackground(true);
    const QImage shown = tabs.grab().toImage();
    QCOMPARE(shown.pixelColor(500, 0), QColor(Qt::white));
    QCOMPARE(shown.pixelColor(699, 17), QColor(Qt::white));
    QVERIFY(shown.pixelColor(499, 5) != QColor(Qt::white));
    QVERIFY(shown.pixelColor(600, 18) != QColor(Qt::white));
    QCOMPARE(tabs.BandRect(), QRect(500, 0, 200, 18));

    // Tabs reaching beyond bandLeft keep their labels: the band starts after them.
    tabs.SetBandLeft(10);
    const int tabsEnd = tabs.tabRect(1).right() + 1;
    QVERIFY(tabsEnd > 10);
    QCOMPARE(tabs.BandRect(), QRect(tabsEnd, 0, 700 - tabsEnd, 18));
  }
};

QTEST_MAIN(SkinnedControlsTest)
#include "skinned_controls_test.moc"

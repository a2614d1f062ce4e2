// CxSkinButton: a push button, check box or radio button drawn entirely from
// skin bitmaps: normal, pressed, hover and (optionally) checked. The button
// never draws its caption; the images carry the labels.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

enum class SkinButtonBehaviour { kPush = 0, kCheckBox = 2, kRadio = 4 };

class CxSkinButton : public QAbstractButton {
  Q_OBJECT

 public:
  // Which of the four images the button shows.
  enum class Image { kNone, kNormal, kPressed, kHover, kChecked };

  explicit CxSkinButton(QWidget* parent = nullptr, int controlId = 0,
                        SkinButtonBehaviour behaviour = SkinButtonBehaviour::kPush);
  ~CxSkinButton() override;

  // Loads the images from the skin; the checked image only for an id > 0.
  // The button takes the size of the normal image, keeping its position.
  void SetSkin(int normalId, int pressedId, int hoverId, int checkedId = 0);
  // The same with images the caller supplies (a null checked image: none).
  void SetSkinImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                     const QPixmap& checked = QPixmap());

  // Tooltip of the whole button; later calls replace the text.
  void SetToolTipText(const QString& text);
  // Tooltip from the string file by its IDS_ key.
  void SetToolTipKey(const char* key);

  void SetBehaviour(SkinButtonBehaviour behaviour);
  SkinButtonBehaviour Behaviour() const { return behaviour_; }

  // Check state. Always false for a push button. Checking a radio button
  // clears every other radio button of its group under the same parent.
  void SetCheck(bool checked);
  bool GetCheck() const { return isChecked(); }
  // Radio group among the siblings (0 unless set).
  void SetGroup(int group) { group_ = group; }
  int Group() const { return group_; }

  // Control id; also the object name "ctl<id>" so windows and tests can find it.
  void SetControlId(int id);
  int ControlId() const { return controlId_; }

  bool IsHover() const { return hover_; }
  // The image the button would draw in its present state.
  Image CurrentImage() const;

 signals:
  // Emitted with the control id after every click, for command routing.
  void command(int controlId);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void nextCheckState() override;

 private:
  void ClearCheckFromGroup();

  QPixmap normal_;
  QPixmap pressed_;
  QPixmap hoverImage_;
  QPixmap checkedImage_;
  SkinButtonBehaviour behaviour_;
  int controlId_ = 0;
  int group_ = 0;
  bool hover_ = false;
};

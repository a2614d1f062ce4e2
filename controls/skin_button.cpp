#include "controls/skin_button.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include "base/localized_text.h"
#include "controls/skin.h"

CxSkinButton::CxSkinButton(QWidget* parent, int controlId, SkinButtonBehaviour behaviour)
    : QAbstractButton(parent), behaviour_(behaviour) {
  SetControlId(controlId);
  SetBehaviour(behaviour);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  connect(this, &QAbstractButton::clicked, this, [this] { emit command(controlId_); });
}

CxSkinButton::~CxSkinButton() = default;

void CxSkinButton::SetSkin(int normalId, int pressedId, int hoverId, int checkedId) {
  SetSkinImages(orvia::skin::LoadPixmap(normalId), orvia::skin::LoadPixmap(pressedId),
                orvia::skin::LoadPixmap(hoverId),
                checkedId > 0 ? orvia::skin::LoadPixmap(checkedId) : QPixmap());
}

void CxSkinButton::SetSkinImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                                 const QPixmap& checked) {
  const QSize before = normal_.size();
  normal_ = normal;
  pressed_ = pressed;
  hoverImage_ = hover;
  checkedImage_ = checked;
  // A button takes the size of its images; another look of the same size
  // keeps the size the window gave it (a scaled window's buttons are larger).
  if (!normal_.isNull() && (normal_.size() != before || before.isEmpty())) resize(normal_.size());
  update();
}

void CxSkinButton::SetToolTipText(const QString& text) { setToolTip(text); }

void CxSkinButton::SetToolTipKey(const char* key) {
  SetToolTipText(QString::fromStdString(orvia::GetLocalizedText(key)));
}

void CxSkinButton::SetBehaviour(SkinButtonBehaviour behaviour) {
  behaviour_ = behaviour;
  // Exclusive groups are kept by SetCheck, not by Qt, so that the group of a
  // radio button is exactly its siblings with the same group number.
  setAutoExclusive(false);
  if (behaviour_ == SkinButtonBehaviour::kPush) {
    setChecked(false);
    setCheckable(false);
  } else {
    setCheckable(true);
  }
  update();
}

void CxSkinButton::SetCheck(bool checked) {
  if (behaviour_ == SkinButtonBehaviour::kPush) checked = false;
  setChecked(checked);
  if (behaviour_ == SkinButtonBehaviour::kRadio && checked) ClearCheckFromGroup();
  update();
}

void CxSkinButton::SetControlId(int id) {
  controlId_ = id;
  setObjectName(QStringLiteral("ctl%1").arg(id));
  setProperty("controlId", id);
}

void CxSkinButton::ClearCheckFromGroup() {
  QWidget* parent = parentWidget();
  if (parent == nullptr) return;
  const auto siblings = parent->findChildren<CxSkinButton*>(Qt::FindDirectChildrenOnly);
  for (CxSkinButton* other : siblings) {
    if (other == this || other->behaviour_ != SkinButtonBehaviour::kRadio || other->group_ != group_)
      continue;
    if (other->isChecked()) {
      other->setChecked(false);
      other->update();
    }
  }
}

void CxSkinButton::nextCheckState() {
  // Called on a release over the button (and on Space) before the click is
  // reported: a check box flips, a radio button becomes checked.
  if (behaviour_ == SkinButtonBehaviour::kCheckBox) SetCheck(!isChecked());
  if (behaviour_ == SkinButtonBehaviour::kRadio) SetCheck(true);
}

CxSkinButton::Image CxSkinButton::CurrentImage() const {
  Image image = Image::kNormal;
  if (!isEnabled()) {
    image = Image::kNormal;
  } else if (isChecked()) {
    image = checkedImage_.isNull() ? Image::kPressed : Image::kChecked;
  } else if (isDown()) {
    image = Image::kPressed;
  } else if (hover_ && !hoverImage_.isNull()) {
    image = Image::kHover;
  }
  const QPixmap* pixmap = &normal_;
  if (image == Image::kPressed) pixmap = &pressed_;
  if (image == Image::kHover) pixmap = &hoverImage_;
  if (image == Image::kChecked) pixmap = &checkedImage_;
  return pixmap->isNull() ? Image::kNone : image;
}

void CxSkinButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPixmap* pixmap = nullptr;
  switch (CurrentImage()) {
    case Image::kNormal:
      pixmap = &normal_;
      break;
    case Image::kPressed:
      pixmap = &pressed_;
      break;
    case Image::kHover:
      pixmap = &hoverImage_;
      break;
    case Image::kChecked:
      pixmap = &checkedImage_;
      break;
    case Image::kNone:
      break;
  }
  if (pixmap == nullptr) {
    painter.fillRect(rect(), palette().button());
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform, pixmap->size() != size());
  painter.drawPixmap(rect(), *pixmap);
}

void CxSkinButton::enterEvent(QEnterEvent* event) {
  hover_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void CxSkinButton::leaveEvent(QEvent* event) {
  hover_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void CxSkinButton::mouseMoveEvent(QMouseEvent* event) {
  if (!hover_ && rect().contains(event->position().toPoint())) {
    hover_ = true;
    update();
  }
  // The base class keeps the pressed state while dragging: pressed only while
  // the pointer is over the button. Moves over the button end here either way.
  QAbstractButton::mouseMoveEvent(event);
  event->accept();
}

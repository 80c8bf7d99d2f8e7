#include "app/controls/skin_button.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace controls {

SkinButton::SkinButton(Kind kind, QWidget* parent) : QAbstractButton(parent), kind_(kind) {
  init();
}

SkinButton::SkinButton(const QString& text, Kind kind, QWidget* parent)
    : QAbstractButton(parent), kind_(kind) {
  setText(text);
  init();
}

void SkinButton::init() {
  setCheckable(kind_ != Kind::Push);
  setAutoExclusive(false);  // the group rule below does it, also across nested layouts
  setAttribute(Qt::WA_Hover);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  textColor_ = palette().color(QPalette::ButtonText);
  connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
    if (kind_ == Kind::Radio && checked) uncheckSiblings();
    updateTooltip();
    update();
  });
  if (kind_ == Kind::Push)
    textAlign_ = Qt::AlignHCenter;
  else
    textAlign_ = Qt::AlignLeft;
}

void SkinButton::setPushLike(bool pushLike) {
  pushLike_ = pushLike;
  textAlign_ = pushLike || kind_ == Kind::Push ? Qt::AlignHCenter : Qt::AlignLeft;
  update();
}
void SkinButton::setFlat(bool flat) {
  flat_ = flat;
  update();
}
void SkinButton::setTextAlignment(Qt::Alignment a) {
  textAlign_ = a & Qt::AlignHorizontal_Mask;
  update();
}
void SkinButton::setIcons(const QIcon& normal, const QIcon& hover, const QIcon& pressed,
                          IconAlign align) {
  icons_[0] = normal;
  icons_[1] = hover.isNull() ? normal : hover;
  icons_[2] = pressed.isNull() ? normal : pressed;
  iconAlign_ = align;
  updateGeometry();
  update();
}
void SkinButton::setTooltips(const QString& normal, const QString& checked) {
  tipNormal_ = normal;
  tipChecked_ = checked;
  updateTooltip();
}
void SkinButton::setAccent(const QColor& accent) {
  accent_ = accent;
  update();
}
void SkinButton::setTextColor(const QColor& color) {
  textColor_ = color;
  update();
}

void SkinButton::updateTooltip() {
  setToolTip(isChecked() && !tipChecked_.isEmpty() ? tipChecked_ : tipNormal_);
}

QIcon SkinButton::currentIcon() const {
  if (pressed_ && hover_) return icons_[2];
  if (hover_) return icons_[1];
  return icons_[0];
}

QSize SkinButton::sizeHint() const {
  const QFontMetrics fm = fontMetrics();
  int w = fm.horizontalAdvance(text()) + 4 * kMargin;
  int h = fm.height() + 2 * kMargin + 4;
  if (!icons_[0].isNull()) w += 20;
  if (kind_ != Kind::Push && !pushLike_) w += fm.height() + kMargin;
  return {w, h};
}

QSize SkinButton::minimumSizeHint() const { return sizeHint(); }

void SkinButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const bool enabled = isEnabled();
  const bool down = (pressed_ && hover_) || isDown();
  const bool buttonLook = kind_ == Kind::Push || pushLike_;
  QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QColor fg = enabled ? textColor_ : palette().color(QPalette::Disabled, QPalette::ButtonText);
  QRect textRect = rect().adjusted(kMargin, 0, -kMargin, 0);

  if (buttonLook) {
    const bool on = isChecked() || down;
    QColor fill = palette().color(QPalette::Button);
    QColor border = palette().color(QPalette::Mid);
    if (!enabled) {
      fill = palette().color(QPalette::Disabled, QPalette::Button);
    } else if (on) {
      fill = down && !isChecked() ? accent_.darker(115) : accent_;
      border = accent_.darker(140);
      fg = Qt::white;
    } else if (hover_) {
      fill = fill.lighter(104);
      border = accent_;
    }
    if (!flat_ || hover_ || on) {
      QLinearGradient g(r.topLeft(), r.bottomLeft());
      g.setColorAt(0, on ? fill.lighter(112) : fill.lighter(108));
      g.setColorAt(1, on ? fill : fill.darker(104));
      p.setPen(QPen(border, 1));
      p.setBrush(g);
      p.drawRoundedRect(r, 5, 5);
    }
    if (down) textRect.translate(1, 1);
  } else {
    // Box or circle left of the text.
    const int s = std::min(height() - 2, fontMetrics().height() + 2);
    const QRectF box(1.5, (height() - s) / 2.0, s - 1, s - 1);
    QColor border = enabled ? (hover_ ? accent_ : palette().color(QPalette::Mid))
                            : palette().color(QPalette::Disabled, QPalette::Mid);
    p.setPen(QPen(border, 1.2));
    p.setBrush(down ? palette().color(QPalette::Midlight) : palette().color(QPalette::Base));
    if (kind_ == Kind::Radio) {
      p.drawEllipse(box);
      if (isChecked()) {
        p.setPen(Qt::NoPen);
        p.setBrush(enabled ? accent_ : border);
        p.drawEllipse(box.adjusted(s * 0.25, s * 0.25, -s * 0.25, -s * 0.25));
      }
    } else {
      p.drawRoundedRect(box, 3, 3);
      if (isChecked()) {
        p.setBrush(enabled ? accent_ : border);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(box, 3, 3);
        QPainterPath tick;
        tick.moveTo(box.left() + s * 0.22, box.top() + s * 0.52);
        tick.lineTo(box.left() + s * 0.42, box.top() + s * 0.72);
        tick.lineTo(box.left() + s * 0.78, box.top() + s * 0.3);
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
      }
    }
    textRect.setLeft(int(box.right()) + kMargin + 1);
  }

  const QIcon icon = currentIcon();
  if (!icon.isNull()) {
    const int is = std::min(textRect.height() - 4, 20);
    QRect ir(0, (height() - is) / 2, is, is);
    if (iconAlign_ == IconAlign::Left || !text().isEmpty()) {
      ir.moveLeft(textRect.left());
      textRect.setLeft(ir.right() + kMargin);
    } else if (iconAlign_ == IconAlign::Right) {
      ir.moveRight(textRect.right());
      textRect.setRight(ir.left() - kMargin);
    } else {
      ir.moveLeft((width() - is) / 2);
    }
    icon.paint(&p, ir, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
  }

  p.setPen(fg);
  p.setFont(font());
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width());
  p.drawText(textRect, int(textAlign_ | Qt::AlignVCenter) | Qt::TextSingleLine, shown);

  if (hasFocus() && kind_ != Kind::Push && !pushLike_) {
    p.setPen(QPen(accent_, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(textRect.adjusted(-2, 2, 0, -2));
  }
}

void SkinButton::enterEvent(QEnterEvent* event) {
  hover_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void SkinButton::leaveEvent(QEvent* event) {
  hover_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void SkinButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  QAbstractButton::mousePressEvent(event);
  update();
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = false;
  hover_ = rect().contains(event->position().toPoint());
  QAbstractButton::mouseReleaseEvent(event);
  update();
}

void SkinButton::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void SkinButton::focusOutEvent(QFocusEvent* event) {
  pressed_ = false;
  QAbstractButton::focusOutEvent(event);
  update();
}

void SkinButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && kind_ != Kind::Push) {
    click();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void SkinButton::nextCheckState() {
  if (!autoCheck_) return;  // the owner sets the state after being told of the click
  if (kind_ == Kind::Radio) {
    if (!isChecked()) setChecked(true);
  } else if (kind_ == Kind::CheckBox) {
    setChecked(!isChecked());
  }
}

void SkinButton::uncheckSiblings() {
  if (!parentWidget()) return;
  for (SkinButton* other : parentWidget()->findChildren<SkinButton*>(Qt::FindDirectChildrenOnly)) {
    if (other != this && other->kind_ == Kind::Radio && other->group_ == group_ &&
        other->isChecked())
      other->setChecked(false);
  }
}

}  // namespace controls

#include "app/controls/color_label.h"

#include <QPainter>

namespace controls {

ColorLabel::ColorLabel(QWidget* parent) : QLabel(parent) { setWordWrap(true); }

void ColorLabel::setLabelFont(const QString& face, int height, const QColor& color,
                              unsigned char flags) {
  face_ = face;
  height_ = height;
  color_ = color;
  flags_ = flags;
  update();
}

void ColorLabel::setBackground(const QColor& color) {
  background_ = color;
  update();
}

void ColorLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), background_.isValid() ? background_ : palette().color(QPalette::Button));
  QFont f(face_);
  f.setPointSize(height_ > 0 ? height_ : 8);
  f.setWeight((flags_ & kBold) ? QFont::Black : QFont::Normal);
  f.setItalic(flags_ & kItalic);
  f.setUnderline(flags_ & kUnderline);
  f.setStrikeOut(flags_ & kStrikeOut);
  f.setStyleStrategy((flags_ & kAntiAliased) ? QFont::PreferAntialias : QFont::PreferDefault);
  p.setFont(f);
  p.setPen(color_);
  Qt::Alignment h = Qt::AlignLeft;
  if (flags_ & kCentre)
    h = Qt::AlignHCenter;
  else if (flags_ >= 128)
    h = Qt::AlignRight;
  p.drawText(rect(), int(h | Qt::AlignTop) | Qt::TextWordWrap, text());
}

ColorStatic::ColorStatic(QWidget* parent) : QLabel(parent) {
  text_ = palette().color(QPalette::ButtonText);
  background_ = palette().color(QPalette::Button);
}

void ColorStatic::setTextColor(const QColor& color, bool redraw) {
  text_ = color;
  if (redraw) update();
}

void ColorStatic::setBackgroundColor(const QColor& color, bool redraw) {
  background_ = color;
  if (redraw) update();
}

void ColorStatic::setFaceAndSize(const QString& face, int points, bool redraw) {
  QFont f = font();
  f.setFamily(face.left(31));
  if (points > 0) f.setPointSize(points);
  QLabel::setFont(f);
  if (redraw) update();
}

void ColorStatic::setBold(bool bold, bool redraw) {
  QFont f = font();
  f.setBold(bold);
  QLabel::setFont(f);
  if (redraw) update();
}

void ColorStatic::setWholeFont(const QFont& font, bool redraw) {
  QLabel::setFont(font);
  if (redraw) update();
}

void ColorStatic::setDrawMode(int mode, bool redraw) {
  mode_ = mode;
  if (redraw) update();
}

void ColorStatic::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), background_);
  p.setPen(text_);
  p.setFont(font());
  const Qt::Alignment h = alignment() & Qt::AlignHorizontal_Mask;
  int flags = int(h ? h : Qt::AlignLeft);
  // A label that asks for vertical centring shows one line; others wrap.
  if (alignment() & Qt::AlignVCenter)
    flags |= Qt::AlignVCenter | Qt::TextSingleLine;
  else
    flags |= Qt::AlignTop | Qt::TextWordWrap;
  p.drawText(contentsRect(), flags, text());
}

}  // namespace controls

#include "app/controls/icon_group_box.h"

#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include "app/controls/theme_api.h"

namespace controls {

IconGroupBox::IconGroupBox(QWidget* parent) : QWidget(parent) {}

void IconGroupBox::setTextColor(const QColor& c, bool redraw) {
  textColor_ = c;
  if (redraw) update();
}
void IconGroupBox::setBold(bool bold, bool redraw) {
  QFont f = font();
  f.setBold(bold);
  setFont(f);
  if (redraw) update();
}
void IconGroupBox::setCaptionFont(const QFont& f, bool redraw) {
  setFont(f);
  if (redraw) update();
}
void IconGroupBox::setIcon(const QPixmap& icon, int size, bool redraw) {
  icon_ = icon;
  iconSize_ = icon.isNull() ? 0 : size;
  if (redraw) update();
}
void IconGroupBox::setCaption(const QString& text, bool redraw) {
  caption_ = text;
  if (redraw) update();
}
void IconGroupBox::setFrameColor(const QColor& c, bool redraw) {
  frameColor_ = c;
  if (redraw) update();
}
void IconGroupBox::setIconPosition(IconPosition p, bool redraw) {
  iconPosition_ = p;
  if (redraw) update();
}
void IconGroupBox::setEtched(bool e, bool redraw) {
  etched_ = e;
  if (redraw) update();
}
void IconGroupBox::setSingleLine(bool s, bool redraw) {
  singleLine_ = s;
  if (redraw) update();
}
void IconGroupBox::setCaptionAlignment(Qt::Alignment a, bool redraw) {
  alignment_ = a;
  if (redraw) update();
}

int IconGroupBox::captionBandHeight() const {
  return std::max(fontMetrics().height(), iconSize_) + 1;
}

QRect IconGroupBox::contentRect() const {
  const int band = captionBandHeight();
  return rect().adjusted(kMargin, band + kMargin / 2, -kMargin, -kMargin);
}

void IconGroupBox::paintEvent(QPaintEvent*) {
  if (painting_) return;  // guard against re-entry while the parent is asked to paint
  painting_ = true;
  const int band = captionBandHeight();
  const int frameTop = band / 2;

  QPixmap buffer(size() * devicePixelRatioF());
  buffer.setDevicePixelRatio(devicePixelRatioF());
  buffer.fill(Qt::transparent);  // transparent: the parent's pixels show through
  {
    QPainter p(&buffer);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect frame = rect().adjusted(0, frameTop, -1, -1);
    QColor line = frameColor_;
    const bool themed =
        !line.isValid() && isEnabled() && ThemeApi::instance().drawGroupBoxFrame(p, frame, this);
    if (!themed) {
      if (!line.isValid() || !isEnabled()) line = palette().color(QPalette::Shadow);
      p.setPen(line);
      p.setBrush(Qt::NoBrush);
      if (singleLine_) {
        p.drawLine(0, frameTop, width() - 1, frameTop);
      } else {
        p.drawRect(frame.adjusted(0, 0, etched_ ? -1 : 0, etched_ ? -1 : 0));
      }
      if (etched_) {
        p.setPen(palette().color(QPalette::Light));
        if (singleLine_)
          p.drawLine(1, frameTop + 1, width() - 1, frameTop + 1);
        else
          p.drawRect(frame.adjusted(1, 1, 0, 0));
      }
    }

    // Caption band: icon and text on the window's own background, 8 pixels in from the edge.
    const QFontMetrics fm = fontMetrics();
    const int textWidth = fm.horizontalAdvance(caption_);
    const int gap = (iconSize_ > 0 && !caption_.isEmpty()) ? 4 : 0;
    const int bandWidth = textWidth + iconSize_ + gap + 4;
    int x = kMargin;
    if (alignment_ & Qt::AlignHCenter) x = (width() - bandWidth) / 2;
    if (alignment_ & Qt::AlignRight) x = width() - kMargin - bandWidth;
    p.fillRect(QRect(x, 0, bandWidth, band), palette().color(backgroundRole()));
    x += 2;
    QPixmap icon = icon_;
    if (!isEnabled() && !icon.isNull())
      icon = style()->generatedIconPixmap(QIcon::Disabled, icon_, nullptr);
    const auto drawIcon = [&] {
      if (iconSize_ <= 0) return;
      p.drawPixmap(QRect(x, (band - iconSize_) / 2, iconSize_, iconSize_), icon);
      x += iconSize_ + gap;
    };
    const auto drawText = [&] {
      p.setFont(font());
      p.setPen(isEnabled() ? textColor_ : palette().color(QPalette::Disabled, QPalette::Text));
      p.drawText(QRect(x, 0, textWidth + 1, band), Qt::AlignVCenter | Qt::AlignLeft, caption_);
      x += textWidth + gap;
    };
    if (iconPosition_ == IconPosition::Left) {
      drawIcon();
      drawText();
    } else {
      drawText();
      drawIcon();
    }
  }
  QPainter screen(this);
  screen.drawPixmap(0, 0, buffer);
  painting_ = false;
}

}  // namespace controls

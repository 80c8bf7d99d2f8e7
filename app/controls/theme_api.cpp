#include "app/controls/theme_api.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWidget>

namespace controls {

ThemeApi& ThemeApi::instance() {
  static ThemeApi api;
  return api;
}

bool ThemeApi::isThemeActive() const {
  return enabled_ && qApp != nullptr && QApplication::style() != nullptr;
}

bool ThemeApi::drawGroupBoxFrame(QPainter& painter, const QRect& rect,
                                 const QWidget* widget) const {
  if (!isThemeActive()) return false;
  QStyleOptionFrame option;
  option.rect = rect;
  option.lineWidth = 1;
  option.midLineWidth = 0;
  option.state = QStyle::State_Enabled;
  if (widget) option.palette = widget->palette();
  QApplication::style()->drawPrimitive(QStyle::PE_FrameGroupBox, &option, &painter, widget);
  return true;
}

QColor ThemeApi::frameColor(const QWidget* widget) const {
  const QPalette pal = widget ? widget->palette() : QApplication::palette();
  return isThemeActive() ? pal.color(QPalette::Mid) : pal.color(QPalette::Shadow);
}

}  // namespace controls

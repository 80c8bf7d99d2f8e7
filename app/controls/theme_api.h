#pragma once
// Run-time access to the desktop's visual style: whether one is active and how it draws a
// group box frame. Without a style the controls fall back to plain drawing.

#include <QColor>
#include <QRect>

class QPainter;
class QWidget;

namespace controls {

class ThemeApi {
 public:
  static ThemeApi& instance();

  // A visual style is active for the program (the application has a style that draws
  // native-looking frames). Can be switched off, e.g. by tests or by QT_STYLE_OVERRIDE.
  bool isThemeActive() const;
  void setThemesEnabled(bool enabled) { enabled_ = enabled; }

  // Draws the themed group-box frame into `rect`; false when no theme is active (nothing drawn).
  bool drawGroupBoxFrame(QPainter& painter, const QRect& rect, const QWidget* widget) const;

  // The colour a themed frame would take, or the shadow colour without a theme.
  QColor frameColor(const QWidget* widget) const;

 private:
  ThemeApi() = default;
  bool enabled_ = true;
};

}  // namespace controls

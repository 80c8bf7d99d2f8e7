#pragma once
// A colour swatch: a 10 x 10 logical rectangle mapped onto the whole control, filled with the
// colour inside a thin black border (the draw colour of Setting Mode and Chart Record).

#include <QColor>
#include <QWidget>

namespace controls {

class ColorSwatch : public QWidget {
  Q_OBJECT
 public:
  explicit ColorSwatch(QWidget* parent = nullptr) : QWidget(parent) {}
  void setColor(const QColor& color);
  QColor color() const { return color_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
};

}  // namespace controls

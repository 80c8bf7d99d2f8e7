#pragma once
// A static text with its own face, height, colour, optional background and style flags.

#include <QColor>
#include <QLabel>

namespace controls {

class ColorLabel : public QLabel {
  Q_OBJECT
 public:
  // Style flags of setFont's flags byte.
  static constexpr unsigned char kBold = 0x01;
  static constexpr unsigned char kItalic = 0x02;
  static constexpr unsigned char kUnderline = 0x04;
  static constexpr unsigned char kStrikeOut = 0x08;
  static constexpr unsigned char kAntiAliased = 0x10;
  static constexpr unsigned char kCentre = 0x20;

  explicit ColorLabel(QWidget* parent = nullptr);

  // Face, height in points, text colour and the flags byte: bit 0 bold, bit 1 italic, bit 2
  // underline, bit 3 strike-out, bit 4 anti-aliased, bit 5 centre; otherwise a byte value
  // below 128 aligns left and 128 or more aligns right.
  void setLabelFont(const QString& face, int height, const QColor& color, unsigned char flags);
  void setBackground(const QColor& color);  // invalid colour: the window's button face

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString face_ = QStringLiteral("MS Sans Serif");
  int height_ = 8;
  QColor color_ = Qt::black;
  QColor background_;
  unsigned char flags_ = 0;
};

// A static text whose colours, font and boldness can be set one at a time.
class ColorStatic : public QLabel {
  Q_OBJECT
 public:
  explicit ColorStatic(QWidget* parent = nullptr);

  void setTextColor(const QColor& color, bool redraw = true);
  void setBackgroundColor(const QColor& color, bool redraw = true);
  // Face (cut to 31 characters) and point size.
  void setFaceAndSize(const QString& face, int points, bool redraw = true);
  void setBold(bool bold, bool redraw = true);
  void setWholeFont(const QFont& font, bool redraw = true);
  // 0 draws the text; other values are reserved and draw the text too.
  void setDrawMode(int mode, bool redraw = true);

  QColor textColor() const { return text_; }
  QColor backgroundColor() const { return background_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor text_;
  QColor background_;
  int mode_ = 0;
};

}  // namespace controls

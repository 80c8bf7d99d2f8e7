#pragma once
// A group box with an icon beside its caption and a coloured or themed frame (a rectangle,
// or a single line under the caption band), optionally etched.

#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace controls {

class IconGroupBox : public QWidget {
  Q_OBJECT
 public:
  enum class IconPosition { Left, Right };
  static constexpr int kMargin = 8;

  explicit IconGroupBox(QWidget* parent = nullptr);

  void setTextColor(const QColor& color, bool redraw = true);
  void setBold(bool bold, bool redraw = true);
  void setCaptionFont(const QFont& font, bool redraw = true);
  // An icon drawn `size` pixels square (a greyed copy is used while disabled).
  void setIcon(const QPixmap& icon, int size, bool redraw = true);
  void setCaption(const QString& text, bool redraw = true);
  // An invalid colour means the theme's frame (or the shadow colour without a theme).
  void setFrameColor(const QColor& color, bool redraw = true);
  void setIconPosition(IconPosition position, bool redraw = true);
  void setEtched(bool etched, bool redraw = true);
  void setSingleLine(bool singleLine, bool redraw = true);
  void setCaptionAlignment(Qt::Alignment alignment, bool redraw = true);

  QString caption() const { return caption_; }
  // Height of the caption band: the larger of text and icon height, plus one.
  int captionBandHeight() const;
  // Where children go: inside the frame, below the caption band.
  QRect contentRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  QColor textColor_ = Qt::black;
  QColor frameColor_;
  QPixmap icon_;
  int iconSize_ = 0;
  IconPosition iconPosition_ = IconPosition::Left;
  Qt::Alignment alignment_ = Qt::AlignLeft;
  bool etched_ = false;
  bool singleLine_ = false;
  bool painting_ = false;
};

}  // namespace controls

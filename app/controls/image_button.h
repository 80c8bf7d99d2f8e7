#pragma once
// A picture button made of three bitmaps (normal, hover, pressed) with a tooltip. Pressing
// shows the pressed image; releasing or moving over it shows the hover image; leaving it or
// a reset by the owning dialog shows the normal image again.

#include <QPixmap>
#include <QWidget>

namespace controls {

class ImageButton : public QWidget {
  Q_OBJECT
 public:
  enum class State { Normal, Hover, Pressed };

  explicit ImageButton(QWidget* parent = nullptr);

  // Bitmap resource numbers; a negative hover or pressed number uses the normal image.
  void setBitmaps(int normal, int hover, int pressed);
  void setImages(const QPixmap& normal, const QPixmap& hover, const QPixmap& pressed);
  void setToolTipText(const QString& text);
  // Shows the normal image (the dialog calls this when the pointer moves over its surface).
  void reset();
  State state() const { return state_; }

  // Resets every image button below `dialog` (the dialog's mouse-move handling).
  static void resetAll(QWidget* dialog);

  QSize sizeHint() const override;

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void showState(State s);

  QPixmap images_[3];
  State state_ = State::Normal;
  bool pressedInside_ = false;
};

}  // namespace controls

#pragma once
// A dialog that moves as if its caption were grabbed when the left button is pressed anywhere
// on its client area, and that resets its image buttons to their normal pictures whenever the
// pointer moves over its own surface (the image buttons' hover effect).

#include <QDialog>
#include <QPoint>

namespace app {

class DraggableDialog : public QDialog {
  Q_OBJECT
 public:
  explicit DraggableDialog(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool dragging_ = false;
  QPoint grabOffset_;
};

}  // namespace app

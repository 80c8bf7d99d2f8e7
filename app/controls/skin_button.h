#pragma once
// An owner-drawn push button, check box or radio button with distinct normal, hover,
// pressed, checked and disabled looks, up to three icons and two tooltips (normal and
// checked). Checking a radio button unchecks the other radio buttons of its group.

#include <QAbstractButton>
#include <QIcon>

namespace controls {

class SkinButton : public QAbstractButton {
  Q_OBJECT
 public:
  enum class Kind { Push, CheckBox, Radio };
  enum class IconAlign { Left, Centre, Right };
  static constexpr int kMargin = 4;

  explicit SkinButton(Kind kind = Kind::Push, QWidget* parent = nullptr);
  SkinButton(const QString& text, Kind kind, QWidget* parent = nullptr);

  Kind kind() const { return kind_; }
  // A check box or radio button drawn like a push button that stays down while checked.
  void setPushLike(bool pushLike);
  bool pushLike() const { return pushLike_; }
  void setFlat(bool flat);
  // When false a click only reports itself: the owner decides the checked state (front-panel
  // buttons whose state lives in the panel model).
  void setAutoCheck(bool autoCheck) { autoCheck_ = autoCheck; }
  void setTextAlignment(Qt::Alignment alignment);
  // Icons for normal, hover and pressed (missing ones use the normal icon).
  void setIcons(const QIcon& normal, const QIcon& hover = {}, const QIcon& pressed = {},
                IconAlign align = IconAlign::Centre);
  void setTooltips(const QString& normal, const QString& checked);
  // Radio buttons with the same parent and group number form one group (default 0).
  void setGroup(int group) { group_ = group; }
  int group() const { return group_; }
  void setAccent(const QColor& accent);
  void setTextColor(const QColor& color);

  bool isHovered() const { return hover_; }
  bool isPressedDown() const { return pressed_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void nextCheckState() override;

 private:
  void init();
  void uncheckSiblings();
  void updateTooltip();
  QIcon currentIcon() const;

  Kind kind_;
  bool pushLike_ = false;
  bool flat_ = false;
  bool autoCheck_ = true;
  bool hover_ = false;
  bool pressed_ = false;
  int group_ = 0;
  Qt::Alignment textAlign_ = Qt::AlignHCenter;
  QIcon icons_[3];
  IconAlign iconAlign_ = IconAlign::Centre;
  QString tipNormal_, tipChecked_;
  QColor accent_{0x25, 0x63, 0xeb};
  QColor textColor_;
};

}  // namespace controls

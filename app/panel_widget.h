#pragma once
// The client area of the main window with every control of the front panel. The controls are
// made from the panel model's table (measure::PanelModel::controls()) by their kind, placed at
// their position on the panel, and kept in step with the model through its change handler; a
// user action goes to the model (press, select, setChecked, setText), never straight to another
// control. The window adds its own pieces (device list, value display, chart) on top.

#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <string_view>

#include "app/controls/skin_button.h"
#include "measure/panel_model.h"

namespace app {

// The panel's captions keep "&&" for one ampersand ("Time && Period" shows "Time & Period").
QString displayText(std::string_view caption);

// Where a control of the panel sits (client pixels); the button bar keeps the front panel's
// fixed positions.
QRect panelPlacement(measure::Ctl id);

// A key of the button bar (or a page's function key): a push-like SkinButton whose state the
// panel model owns, with its caption wrapped onto two lines and shrunk until it fits the key.
class BarButton : public controls::SkinButton {
  Q_OBJECT
 public:
  explicit BarButton(QWidget* parent = nullptr);
  void setCaption(const QString& caption);
  QString caption() const { return caption_; }
  // The point size the caption is drawn at: the widget's own, or less until it fits.
  qreal fittedPointSize() const { return fittedFont().pointSizeF(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect captionRect() const;
  QFont fittedFont() const;
  QString caption_;
};

class PanelWidget : public QWidget {
  Q_OBJECT
 public:
  // The areas of the client: the left card (device list, reading controls, statistics), the
  // display, the settings pages and the input conditioning.
  static constexpr QRect kLeftCard{8, 8, 340, 330};
  static constexpr QRect kDisplay{356, 8, 476, 330};
  static constexpr QRect kPageCard{8, 428, 474, 172};

  explicit PanelWidget(measure::PanelModel& model, QWidget* parent = nullptr);

  // Reads every control from the model again (after a language change, at start-up).
  void refreshAll();
  // Reads one control from the model again.
  void refresh(measure::Ctl id);

  QWidget* widget(measure::Ctl id) const { return widgets_[static_cast<std::size_t>(id)]; }
  measure::PanelModel& model() const { return model_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QWidget* makeWidget(const measure::Control& control);

  measure::PanelModel& model_;
  std::array<QWidget*, measure::kControlCount> widgets_{};
  bool refreshing_ = false;
};

}  // namespace app

#pragma once
// CounterDialog: the main window of V38XX_AP, the virtual front panel. It shows the state of
// app::FrontPanel (device list, panel pages, value displays, trend chart, menu), forwards every
// user action to it, runs its reading timer with QTimer and opens the dialogs it asks for.

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>

#include "app/front_panel.h"

class QAction;
class QDateTimeEdit;
class QDialog;
class QLabel;
class QListWidget;
class QMenu;

namespace core {
class Clock;
}
namespace visa {
class Library;
}
namespace reading {
class TrendChartWidget;
}

namespace app {

class PanelWidget;
class QtInteraction;
class QtTimers;

// Shows `text` in `label` at `maxPointSize`, or smaller until it fits the label's width (a
// long reading is never cut off).
void setFittedText(QLabel* label, const QString& text, qreal maxPointSize);

class CounterDialog : public QMainWindow, private Dialogs {
  Q_OBJECT
 public:
  static constexpr int kWidth = 840;
  static constexpr int kHeight = 630;

  // The value labels of the display.
  enum class Value { Current, Maximum, Minimum, Count, Stdev, Elapsed, ChartRight };

  CounterDialog(visa::Library& visa, core::Clock& clock, QtInteraction& ui,
                FrontPanelOptions options = {}, QWidget* parent = nullptr);
  ~CounterDialog() override;

  // Window initialisation: the search, the panel, the INI check, the language, the labels and
  // the first instrument (FrontPanel::initialize), then every widget shows the result.
  void initialize();

  FrontPanel& frontPanel() { return *frontPanel_; }
  PanelWidget* panel() const { return panel_; }
  QListWidget* deviceList() const { return devices_; }
  QLabel* devicesCaption() const { return devicesCaption_; }
  reading::TrendChartWidget* chart() const { return chart_; }
  QLabel* valueLabel(Value which) const;
  QLabel* valueCaption(Value which) const;
  QDateTimeEdit* stopTimePicker() const { return stopTimePicker_; }
  QAction* action(Command command) const;
  // "About V38XX_AP(&A)..." of the system menu, which a Linux desktop does not offer: it is the
  // last entry of the Help menu and, like the system menu's, stays available during a run.
  QAction* systemAboutAction() const { return systemAbout_; }
  const std::vector<QMenu*>& menus() const { return menus_; }
  QtTimers& timers() { return *timers_; }

  // Dialogs the window opens run modally; a test or the screenshot program may instead take
  // each one as it is made and drive it itself (no modal loop then runs).
  using DialogHook = std::function<void(QDialog& dialog)>;
  void setDialogHook(DialogHook hook) { dialogHook_ = std::move(hook); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Dialogs (asked for by the front panel).
  void showSettingMode(records::SettingMode& model) override;
  void showTcpipAddress(instrument::TcpipAddressData& data) override;
  void open(Dialog dialog) override;
  void runDialog(QDialog& dialog);

  void buildDisplay();
  void buildMenu();
  void onChange(Change change);
  void refreshCommands();
  void refreshDeviceList();
  void refreshValues();
  void refreshChart();
  void refreshLabels();
  void refreshStopTime();
  void layoutValueRows();

  QtInteraction& ui_;
  std::unique_ptr<QtTimers> timers_;
  std::unique_ptr<FrontPanel> frontPanel_;
  PanelWidget* panel_ = nullptr;
  QLabel* devicesCaption_ = nullptr;
  QListWidget* devices_ = nullptr;
  QDateTimeEdit* stopTimePicker_ = nullptr;
  reading::TrendChartWidget* chart_ = nullptr;
  std::map<Value, QLabel*> values_;
  std::map<Value, QLabel*> captions_;
  std::vector<QMenu*> menus_;
  std::map<int, QAction*> actions_;
  QAction* systemAbout_ = nullptr;
  DialogHook dialogHook_;
};

}  // namespace app

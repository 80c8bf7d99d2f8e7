#pragma once
// CounterDialog: the main window of V38XX_AP, the virtual front panel. It shows the state of
// app::FrontPanel (device list, panel pages, value displays, trend chart, menu), forwards every
// user action to it, runs its reading timer with QTimer and opens the dialogs it asks for.

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>

#include "app/controls/fitted_text.h"
#include "app/front_panel.h"

class QAction;
class QDateTimeEdit;
class QDialog;
class QLabel;
class QListWidget;
class QMenu;
class QTranslator;

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

// A long reading is never cut off: its label's font shrinks until it fits.
using controls::setFittedText;

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
  // Shown while the window waits for the counter ("Waiting for the counter's answer...").
  QLabel* busyIndicator() const { return busy_; }
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
  bool showTcpipAddress(instrument::TcpipAddressData& data) override;
  void open(Dialog dialog) override;
  // Runs a dialog modally (or hands it to the dialog hook); true when it was accepted.
  bool runDialog(QDialog& dialog);
  void showBusy(bool busy);
  void installQtTranslation();

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
  QLabel* busy_ = nullptr;
  std::unique_ptr<QTranslator> qtTranslation_;
  DialogHook dialogHook_;
};

}  // namespace app

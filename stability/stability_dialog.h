#pragma once
// The Stability dialog (Record menu): choose a recorded database, the statistics and the tau
// set; see sigma(tau) on a log-log plot with error bars and in a table; export to CSV. It
// shows stability::StabilitySession's view and forwards every action to it.

#include <QDialog>
#include <array>

#include "stability/stability_session.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace stability {

class StabilityPlotWidget;

class StabilityDialog : public QDialog {
  Q_OBJECT
 public:
  StabilityDialog(core::Interaction& ui, const measure::Texts& texts, QWidget* parent = nullptr);

  StabilitySession& session() { return session_; }

  // Controls, for tests and the screenshot program.
  QListWidget* databaseList() const { return databases_; }
  QCheckBox* statisticBox(Statistic s) const { return statistics_[static_cast<int>(s)]; }
  QComboBox* tauSetList() const { return tauSet_; }
  QComboBox* inputList() const { return input_; }
  QLineEdit* tau0Field() const { return tau0_; }
  QLineEdit* nominalField() const { return nominal_; }
  QPushButton* computeButton() const { return compute_; }
  QPushButton* exportButton() const { return export_; }
  QTableWidget* table() const { return table_; }
  StabilityPlotWidget* plot() const { return plot_; }
  QLabel* summary() const { return summary_; }

 private:
  void takeEdits();
  void refresh();

  StabilitySession session_;
  QListWidget* databases_ = nullptr;
  std::array<QCheckBox*, 7> statistics_{};
  QComboBox* tauSet_ = nullptr;
  QComboBox* input_ = nullptr;
  QLineEdit* tau0_ = nullptr;
  QLabel* tau0Note_ = nullptr;
  QLineEdit* nominal_ = nullptr;
  QPushButton* compute_ = nullptr;
  QPushButton* export_ = nullptr;
  QTableWidget* table_ = nullptr;
  StabilityPlotWidget* plot_ = nullptr;
  QLabel* summary_ = nullptr;
};

}  // namespace stability

#include "stability/stability_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "stability/stability_plot_widget.h"

namespace stability {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

StabilityDialog::StabilityDialog(core::Interaction& ui, const measure::Texts& texts,
                                 QWidget* parent)
    : QDialog(parent), session_(ui, texts) {
  session_.open();
  const StabilityView& v = session_.view();
  setWindowTitle(qs(v.title));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowMaximizeButtonHint);
  resize(1100, 660);

  // ---- Left: database, settings, statistics, commands
  auto* left = new QVBoxLayout;
  auto* listGroup = new QGroupBox(qs(v.databaseLabel));
  auto* listLayout = new QVBoxLayout(listGroup);
  databases_ = new QListWidget;
  databases_->setMinimumWidth(300);
  listLayout->addWidget(databases_);
  left->addWidget(listGroup, 1);

  auto* form = new QFormLayout;
  input_ = new QComboBox;
  for (const std::string& e : v.inputEntries) input_->addItem(qs(e));
  form->addRow(qs(v.inputLabel), input_);
  nominal_ = new QLineEdit;
  form->addRow(qs(v.nominalLabel), nominal_);
  tau0_ = new QLineEdit;
  form->addRow(qs(v.tau0Label), tau0_);
  tau0Note_ = new QLabel;
  tau0Note_->setStyleSheet(QStringLiteral("color: #475569;"));
  form->addRow(QString(), tau0Note_);
  tauSet_ = new QComboBox;
  for (const std::string& e : v.tauSetEntries) tauSet_->addItem(qs(e));
  form->addRow(qs(v.tauSetLabel), tauSet_);
  left->addLayout(form);

  auto* statGroup = new QGroupBox(qs(v.statisticsLabel));
  auto* statLayout = new QGridLayout(statGroup);
  for (int i = 0; i < 7; ++i) {
    const Statistic s = kAllStatistics[i];
    statistics_[i] = new QCheckBox(
        QString::fromLatin1(statisticLabel(s).data(), static_cast<int>(statisticLabel(s).size())));
    statistics_[i]->setStyleSheet(QStringLiteral("QCheckBox { color: %1; font-weight: 600; }")
                                      .arg(StabilityPlotWidget::color(s).name()));
    statLayout->addWidget(statistics_[i], i / 4, i % 4);
  }
  left->addWidget(statGroup);

  auto* buttons = new QHBoxLayout;
  compute_ = new QPushButton(qs(v.computeText));
  compute_->setDefault(true);
  export_ = new QPushButton(qs(v.exportText));
  auto* exit = new QPushButton(qs(v.exitText));
  exit->setAutoDefault(false);
  export_->setAutoDefault(false);
  buttons->addWidget(compute_);
  buttons->addWidget(export_);
  buttons->addStretch(1);
  buttons->addWidget(exit);
  left->addLayout(buttons);

  // ---- Right: the plot over the table
  auto* right = new QVBoxLayout;
  plot_ = new StabilityPlotWidget;
  summary_ = new QLabel;
  summary_->setStyleSheet(QStringLiteral("color: #1e3a8a;"));
  table_ = new QTableWidget(0, 7);
  QStringList headers;
  for (const std::string& h : v.columnHeaders) headers << qs(h);
  table_->setHorizontalHeaderLabels(headers);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setAlternatingRowColors(true);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setMinimumHeight(180);
  right->addWidget(plot_, 3);
  right->addWidget(summary_);
  right->addWidget(table_, 2);

  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 0);
  top->addLayout(right, 1);

  connect(databases_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0 || row == session_.view().currentEntry) return;
    session_.chooseDatabase(row);
    refresh();
  });
  connect(compute_, &QPushButton::clicked, this, [this] {
    takeEdits();
    session_.compute();
    refresh();
  });
  connect(export_, &QPushButton::clicked, this, [this] {
    takeEdits();
    session_.exportCsv();
  });
  connect(exit, &QPushButton::clicked, this, &QDialog::reject);
  refresh();
}

void StabilityDialog::takeEdits() {
  StabilityView& v = session_.edit();
  v.tau0Text = tau0_->text().trimmed().toStdString();
  v.nominalText = nominal_->text().trimmed().toStdString();
  v.inputIndex = std::max(0, input_->currentIndex());
  v.tauSetIndex = std::max(0, tauSet_->currentIndex());
  for (int i = 0; i < 7; ++i) v.statistics[i] = statistics_[i]->isChecked();
}

void StabilityDialog::refresh() {
  const StabilityView& v = session_.view();
  {
    const QSignalBlocker block(databases_);
    databases_->clear();
    for (const std::string& e : v.entries) databases_->addItem(qs(e));
    databases_->setCurrentRow(v.currentEntry);
  }
  tau0_->setText(qs(v.tau0Text));
  tau0_->setReadOnly(!v.tau0Editable);
  tau0Note_->setText(qs(v.tau0Note));
  nominal_->setText(qs(v.nominalText));
  input_->setCurrentIndex(v.inputIndex);
  tauSet_->setCurrentIndex(v.tauSetIndex);
  for (int i = 0; i < 7; ++i) statistics_[i]->setChecked(v.statistics[i]);
  compute_->setEnabled(v.currentEntry >= 0);
  export_->setEnabled(v.exportEnabled);
  summary_->setText(qs(v.summary));
  table_->setRowCount(static_cast<int>(v.rows.size()));
  for (int r = 0; r < static_cast<int>(v.rows.size()); ++r) {
    for (int c = 0; c < 7; ++c) {
      auto* item = new QTableWidgetItem(qs(v.rows[r][c]));
      item->setTextAlignment(c == 0 || c == 6 ? (Qt::AlignLeft | Qt::AlignVCenter)
                                              : (Qt::AlignRight | Qt::AlignVCenter));
      table_->setItem(r, c, item);
    }
  }
  table_->resizeColumnsToContents();
  plot_->setPoints(v.points);
}

}  // namespace stability

#pragma once
// The View Record dialog (template 104): the recorded databases, their statistics, a grid of
// readings 10,000 to a page, the HI/LO search, CSV export and deletion. It shows
// records::ViewRecord's view and forwards every user action to it.

#include <QAbstractTableModel>

#include "app/draggable_dialog.h"
#include "records/view_record.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace controls {
class IconGroupBox;
class ImageButton;
class SkinButton;
}  // namespace controls

namespace records {

// The record grid: header row "", "Reading", "Time" and the rows below it. The time column is
// left-aligned and centred vertically; numbers are right-aligned.
class RecordGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit RecordGridModel(const ViewRecordView& view, QObject* parent = nullptr)
      : QAbstractTableModel(parent), view_(view) {}

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // The view's rows changed.
  void reload();

 private:
  const ViewRecordView& view_;
};

class ViewRecordDialog : public app::DraggableDialog {
  Q_OBJECT
 public:
  // Opens the model for the display's pixel density (its messages show before the dialog).
  ViewRecordDialog(core::Interaction& ui, const measure::Texts& texts, QWidget* parent = nullptr);

  ViewRecord& model() { return model_; }

  // Controls, for tests and the screenshot program.
  QListWidget* databaseList() const { return databases_; }
  QTableView* grid() const { return grid_; }
  RecordGridModel* gridModel() const { return gridModel_; }
  QComboBox* rangeList() const { return ranges_; }
  QLineEdit* hiField() const { return hi_; }
  QLineEdit* loField() const { return lo_; }
  controls::SkinButton* searchButton() const { return search_; }
  controls::ImageButton* refreshButton() const { return refreshImage_; }
  controls::ImageButton* deleteButton() const { return deleteImage_; }
  controls::ImageButton* exportButton() const { return exportImage_; }
  controls::ImageButton* exitButton() const { return exitImage_; }
  QLabel* countValue() const { return count_; }
  QLabel* maxValue() const { return max_; }
  QLabel* minValue() const { return min_; }
  QLabel* avgValue() const { return avg_; }
  QPlainTextEdit* runSettings() const { return runSettings_; }

 private:
  void refresh();

  ViewRecord model_;
  RecordGridModel* gridModel_ = nullptr;
  controls::IconGroupBox* listGroup_ = nullptr;
  controls::IconGroupBox* contentsGroup_ = nullptr;
  controls::IconGroupBox* filterGroup_ = nullptr;
  QListWidget* databases_ = nullptr;
  QTableView* grid_ = nullptr;
  QLabel* count_ = nullptr;
  QLabel* max_ = nullptr;
  QLabel* min_ = nullptr;
  QLabel* avg_ = nullptr;
  QLineEdit* hi_ = nullptr;
  QLineEdit* lo_ = nullptr;
  controls::SkinButton* search_ = nullptr;
  QComboBox* ranges_ = nullptr;
  controls::ImageButton* refreshImage_ = nullptr;
  controls::ImageButton* deleteImage_ = nullptr;
  controls::ImageButton* exportImage_ = nullptr;
  controls::ImageButton* exitImage_ = nullptr;
  controls::IconGroupBox* settingsGroup_ = nullptr;
  QPlainTextEdit* runSettings_ = nullptr;
};

}  // namespace records

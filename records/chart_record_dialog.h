#pragma once
// The Chart Record dialog (template 105): a recorded database drawn as a line trace, all of
// it or a stretch of record numbers, in a colour of the user's choice, with a slider that
// marks a record and shows its number, value and the recording's start date. It shows
// records::ChartRecord's view and paints its geometry.

#include "app/controls/color_swatch.h"
#include "app/draggable_dialog.h"
#include "records/chart_record.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace controls {
class IconGroupBox;
class ImageButton;
class SkinButton;
}  // namespace controls

namespace records {

class ChartPictureWidget;

class ChartRecordDialog : public app::DraggableDialog {
  Q_OBJECT
 public:
  static constexpr int kPictureWidth = 660;
  static constexpr int kPictureHeight = 300;

  // Opens the model (its messages show before the dialog).
  ChartRecordDialog(core::Interaction& ui, const measure::Texts& texts, QWidget* parent = nullptr);

  ChartRecord& model() { return model_; }

  // Controls, for tests and the screenshot program.
  QComboBox* databaseList() const { return databases_; }
  QLabel* countValue() const { return count_; }
  controls::ColorSwatch* swatch() const { return swatch_; }
  controls::SkinButton* drawAllButton() const { return drawAll_; }
  controls::SkinButton* drawFromButton() const { return drawFrom_; }
  QLineEdit* fromField() const { return from_; }
  QLineEdit* toField() const { return to_; }
  controls::ImageButton* colorButton() const { return colorImage_; }
  controls::ImageButton* drawButton() const { return drawImage_; }
  controls::ImageButton* clearButton() const { return clearImage_; }
  controls::ImageButton* exitButton() const { return exitImage_; }
  ChartPictureWidget* picture() const { return picture_; }
  QSlider* slider() const { return slider_; }
  QLabel* recordReadout() const { return record_; }
  QLabel* dateReadout() const { return date_; }
  QLabel* valueReadout() const { return value_; }

  // The commands of the image buttons.
  void changeColor();
  void drawChart();
  void clearChart();

 private:
  void refresh();
  void sliderRepainted();

  ChartRecord model_;
  controls::IconGroupBox* group_ = nullptr;
  QComboBox* databases_ = nullptr;
  QLabel* count_ = nullptr;
  controls::ColorSwatch* swatch_ = nullptr;
  controls::SkinButton* drawAll_ = nullptr;
  controls::SkinButton* drawFrom_ = nullptr;
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  controls::ImageButton* colorImage_ = nullptr;
  controls::ImageButton* drawImage_ = nullptr;
  controls::ImageButton* clearImage_ = nullptr;
  controls::ImageButton* exitImage_ = nullptr;
  ChartPictureWidget* picture_ = nullptr;
  QSlider* slider_ = nullptr;
  QLabel* record_ = nullptr;
  QLabel* date_ = nullptr;
  QLabel* value_ = nullptr;
};

}  // namespace records

#pragma once
// The Setting Mode dialog: the Save choice, the database to record into and the trace colour.
// It shows records::SettingMode's view and forwards every user action to it; the model keeps
// the rules (messages, the used-database checks, what closing means).

#include <QWidget>

#include "app/controls/color_swatch.h"
#include "app/draggable_dialog.h"
#include "core/interaction.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace controls {
class ColorStatic;
class IconGroupBox;
class ImageButton;
class SkinButton;
}  // namespace controls

namespace records {

class SettingMode;

class SettingModeDialog : public app::DraggableDialog {
  Q_OBJECT
 public:
  // Opens the model for the display's pixel density (its messages show before the dialog).
  explicit SettingModeDialog(SettingMode& model, QWidget* parent = nullptr);

  // Controls, for tests and the screenshot program.
  controls::SkinButton* saveBox() const { return save_; }
  QComboBox* databaseList() const { return databases_; }
  controls::ColorSwatch* swatch() const { return swatch_; }
  controls::ImageButton* colorPad() const { return colorPad_; }
  controls::ImageButton* exitButton() const { return exit_; }
  controls::IconGroupBox* groupBox() const { return group_; }
  controls::ColorStatic* hint() const { return hint_; }

  // Confirming: the exit image, Enter or the hidden OK button.
  void confirm();

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void refresh();

  SettingMode& model_;
  controls::IconGroupBox* group_ = nullptr;
  controls::ColorStatic* hint_ = nullptr;
  QLabel* drawColorLabel_ = nullptr;
  controls::ColorSwatch* swatch_ = nullptr;
  controls::ImageButton* colorPad_ = nullptr;
  QPushButton* changeColor_ = nullptr;
  controls::SkinButton* save_ = nullptr;
  QComboBox* databases_ = nullptr;
  controls::ImageButton* exit_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace records

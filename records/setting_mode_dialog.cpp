#include "records/setting_mode_dialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/controls/bitmaps.h"
#include "app/controls/color_label.h"
#include "app/controls/icon_group_box.h"
#include "app/controls/image_button.h"
#include "app/controls/skin_button.h"
#include "records/setting_mode.h"

namespace records {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
QColor qc(const core::Color& c) { return QColor(c.r, c.g, c.b); }

}  // namespace

SettingModeDialog::SettingModeDialog(SettingMode& model, QWidget* parent)
    : app::DraggableDialog(parent), model_(model) {
  model_.open(logicalDpiX(), logicalDpiY());
  const SettingModeView& v = model_.view();
  const SettingModeLayout& at = v.layout;

  setWindowTitle(qs(v.title));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  const int width = at.exitImage.x + 60;
  const int height = at.swatch.y + 122;
  setFixedSize(width, height);

  group_ = new controls::IconGroupBox(this);
  group_->setGeometry(8, 6, width - 16, height - 14);
  group_->setCaption(qs(v.groupBox.caption));
  group_->setTextColor(qc(v.groupBox.captionColor));
  group_->setBold(false);
  group_->setIcon(controls::mainIcon().pixmap(v.groupBox.iconSize), v.groupBox.iconSize);
  group_->setIconPosition(controls::IconGroupBox::IconPosition::Left);
  group_->setFrameColor(qc(v.groupBox.frameColor));
  group_->setEtched(false);

  hint_ = new controls::ColorStatic(this);
  hint_->setWordWrap(true);
  hint_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  hint_->setGeometry(24, 46, at.exitImage.x - 34, at.swatch.y - 56);
  hint_->setText(qs(v.hint));
  hint_->setTextColor(qc(v.hintColor));
  hint_->setBackgroundColor(palette().color(QPalette::Window));

  drawColorLabel_ = new QLabel(qs(v.drawColorLabel), this);
  drawColorLabel_->setGeometry(24, at.swatch.y + 4, at.swatch.x - 30, 24);

  swatch_ = new controls::ColorSwatch(this);
  swatch_->setGeometry(at.swatch.x, at.swatch.y, 15, 32);

  colorPad_ = new controls::ImageButton(this);
  colorPad_->setBitmaps(181, 182, 181);
  colorPad_->setToolTipText(qs(v.colorPadTooltip));
  colorPad_->setGeometry(at.colorPad.x, at.colorPad.y, 32, 32);

  changeColor_ = new QPushButton(qs(v.changeColorText), this);
  changeColor_->setAutoDefault(false);
  changeColor_->hide();

  exit_ = new controls::ImageButton(this);
  exit_->setBitmaps(192, 193, 194);
  exit_->setToolTipText(qs(v.exitTooltip));
  exit_->setGeometry(at.exitImage.x, at.exitImage.y, 32, 32);

  save_ = new controls::SkinButton(qs(v.saveText), controls::SkinButton::Kind::CheckBox, this);
  save_->setAutoCheck(false);
  save_->setGeometry(24, at.swatch.y + 46, width - 48, 24);

  databases_ = new QComboBox(this);
  databases_->setGeometry(24, at.swatch.y + 74, width - 48, 26);

  // The hidden default button: Enter confirms through it.
  ok_ = new QPushButton(qs(v.okText), this);
  ok_->setDefault(true);
  ok_->hide();

  const auto pickColor = [this] {
    model_.changeColor();
    refresh();
  };
  connect(colorPad_, &controls::ImageButton::clicked, this, pickColor);
  connect(changeColor_, &QPushButton::clicked, this, pickColor);
  connect(exit_, &controls::ImageButton::clicked, this, &SettingModeDialog::confirm);
  connect(ok_, &QPushButton::clicked, this, &SettingModeDialog::confirm);
  connect(save_, &QAbstractButton::clicked, this, [this] {
    model_.setSaveChecked(!model_.view().saveChecked);
    refresh();
  });
  connect(databases_, &QComboBox::activated, this, [this](int index) {
    model_.selectEntry(index);
    refresh();
  });
  refresh();
}

void SettingModeDialog::refresh() {
  const SettingModeView& v = model_.view();
  save_->setChecked(v.saveChecked);
  save_->setEnabled(v.saveEnabled);
  {
    const QSignalBlocker block(databases_);
    databases_->clear();
    for (const std::string& entry : v.entries) databases_->addItem(qs(entry));
    databases_->setPlaceholderText(v.currentEntry < 0 ? qs(v.comboText) : QString());
    databases_->setCurrentIndex(v.currentEntry);
  }
  databases_->setEnabled(v.comboEnabled);
  swatch_->setColor(qc(v.swatchColor));
}

void SettingModeDialog::confirm() {
  if (model_.confirm()) {
    accept();
    return;
  }
  refresh();
}

void SettingModeDialog::done(int result) {
  model_.close();  // whichever way the window goes; harmless after a confirm
  app::DraggableDialog::done(result);
}

void SettingModeDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    confirm();
    return;
  }
  app::DraggableDialog::keyPressEvent(event);
}

}  // namespace records

#include "records/chart_record_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "app/controls/icon_group_box.h"
#include "app/controls/image_button.h"
#include "app/controls/skin_button.h"
#include "records/chart_record_widget.h"

namespace records {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
QColor qc(const core::Color& c) { return QColor(c.r, c.g, c.b); }

constexpr int kMargin = 16;
constexpr int kGroupTop = 8;
constexpr int kGroupHeight = 164;
constexpr int kPictureTop = kGroupTop + kGroupHeight + 12;

QLabel* makeField(QWidget* parent, const QRect& geometry, Qt::Alignment align) {
  auto* field = new QLabel(parent);
  field->setGeometry(geometry);
  field->setAlignment(align | Qt::AlignVCenter);
  field->setTextInteractionFlags(Qt::TextSelectableByMouse);
  field->setStyleSheet(
      QStringLiteral("QLabel { background: white; border: 1px solid #dde3ec; "
                     "border-radius: 4px; padding: 0 8px; color: #0f172a; }"));
  return field;
}

}  // namespace

ChartRecordDialog::ChartRecordDialog(core::Interaction& ui, const measure::Texts& texts,
                                     QWidget* parent)
    : app::DraggableDialog(parent), model_(ui, texts) {
  model_.open();
  const ChartRecordView& v = model_.view();
  setWindowTitle(qs(v.title));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  const int width = kMargin + kPictureWidth + kMargin;
  setFixedSize(width, kPictureTop + kPictureHeight + 92);

  // ---- Setting: database, count, colour, stretch and the commands
  group_ = new controls::IconGroupBox(this);
  group_->setGeometry(kMargin, kGroupTop, kPictureWidth, kGroupHeight);
  group_->setFrameColor(QColor(0xcb, 0xd5, 0xe1));
  group_->setTextColor(QColor(0x1e, 0x3a, 0x8a));
  group_->setBold(true);
  group_->setCaption(qs(v.settingGroup));
  const int x0 = kMargin + 14;
  const int row1 = kGroupTop + group_->captionBandHeight() + 10;
  const int row2 = row1 + 44;
  const int row3 = row2 + 46;

  databases_ = new QComboBox(this);
  databases_->setGeometry(x0, row1, 330, 28);
  connect(databases_, &QComboBox::activated, this, [this](int index) {
    model_.chooseDatabase(index);
    refresh();
  });
  auto* countLabel = new QLabel(qs(v.recordCountLabel), this);
  countLabel->setGeometry(x0 + 346, row1, 110, 28);
  count_ = makeField(this, QRect(x0 + 456, row1, 160, 28), Qt::AlignRight);

  auto* colorLabel = new QLabel(qs(v.drawColorLabel), this);
  colorLabel->setGeometry(x0, row2, 110, 32);
  swatch_ = new controls::ColorSwatch(this);
  swatch_->setGeometry(x0 + 114, row2, 15, 32);
  colorImage_ = new controls::ImageButton(this);
  colorImage_->setBitmaps(181, 182, 181);
  colorImage_->setToolTipText(qs(v.changeColorTooltip));
  colorImage_->setGeometry(x0 + 140, row2, 32, 32);

  drawAll_ = new controls::SkinButton(qs(v.drawAllText), controls::SkinButton::Kind::Radio, this);
  drawAll_->setGeometry(x0, row3, 190, 28);
  drawFrom_ = new controls::SkinButton(qs(v.drawFromText), controls::SkinButton::Kind::Radio, this);
  drawFrom_->setGeometry(x0 + 196, row3, 180, 28);
  from_ = new QLineEdit(this);
  from_->setGeometry(x0 + 380, row3, 90, 28);
  auto* toLabel = new QLabel(qs(v.toLabel), this);
  toLabel->setAlignment(Qt::AlignCenter);
  toLabel->setGeometry(x0 + 472, row3, 36, 28);
  to_ = new QLineEdit(this);
  to_->setGeometry(x0 + 510, row3, 90, 28);
  auto* afterTo = new QLabel(qs(v.afterToLabel), this);
  afterTo->setGeometry(x0 + 604, row3, 24, 28);
  connect(drawAll_, &QAbstractButton::clicked, this, [this] {
    model_.setDrawAll(true);
    refresh();
  });
  connect(drawFrom_, &QAbstractButton::clicked, this, [this] {
    model_.setDrawAll(false);
    refresh();
  });
  connect(from_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.setFromText(text.toStdString()); });
  connect(to_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.setToText(text.toStdString()); });

  struct ImageDef {
    controls::ImageButton** button;
    int normal, hover, pressed;
    const std::string* tooltip;
    int x;
  };
  const int right = kMargin + kPictureWidth - 14 - 32;
  const ImageDef images[] = {
      {&drawImage_, 178, 179, 180, &v.drawTooltip, right - 3 * 42},
      {&clearImage_, 172, 173, 174, &v.clearTooltip, right - 2 * 42},
      {&exitImage_, 192, 193, 194, &v.exitTooltip, right},
  };
  for (const ImageDef& d : images) {
    *d.button = new controls::ImageButton(this);
    (*d.button)->setBitmaps(d.normal, d.hover, d.pressed);
    (*d.button)->setToolTipText(qs(*d.tooltip));
    (*d.button)->setGeometry(d.x, row2, 32, 32);
  }
  connect(colorImage_, &controls::ImageButton::clicked, this, &ChartRecordDialog::changeColor);
  connect(drawImage_, &controls::ImageButton::clicked, this, &ChartRecordDialog::drawChart);
  connect(clearImage_, &controls::ImageButton::clicked, this, &ChartRecordDialog::clearChart);
  connect(exitImage_, &controls::ImageButton::clicked, this, &QDialog::reject);
  // The text buttons of the same commands, and the division list, stay hidden.
  for (const std::string* text :
       {&v.changeColorText, &v.drawChartText, &v.clearText, &v.exitText}) {
    auto* hidden = new QPushButton(qs(*text), this);
    hidden->setAutoDefault(false);
    hidden->hide();
  }
  auto* division = new QLabel(qs(v.divisionLabel), this);
  division->hide();
  (new QComboBox(this))->hide();

  // ---- The picture, the slider and its read-outs
  picture_ = new ChartPictureWidget(this);
  picture_->setGeometry(kMargin, kPictureTop, kPictureWidth, kPictureHeight);
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setGeometry(kMargin - 4, kPictureTop + kPictureHeight + 8, kPictureWidth + 8, 24);
  slider_->setRange(0, 0);
  connect(slider_, &QSlider::valueChanged, this, &ChartRecordDialog::sliderRepainted);
  connect(slider_, &QSlider::rangeChanged, this, &ChartRecordDialog::sliderRepainted);
  const int readoutY = kPictureTop + kPictureHeight + 44;
  record_ = makeField(this, QRect(kMargin, readoutY, 130, 28), Qt::AlignRight);
  date_ = makeField(this, QRect(kMargin + 142, readoutY, 250, 28), Qt::AlignHCenter);
  value_ = makeField(this, QRect(kMargin + 404, readoutY, kPictureWidth - 404, 28), Qt::AlignRight);

  refresh();
}

void ChartRecordDialog::refresh() {
  const ChartRecordView& v = model_.view();
  {
    const QSignalBlocker block(databases_);
    if (databases_->count() != static_cast<int>(v.entries.size())) {
      databases_->clear();
      for (const std::string& entry : v.entries) databases_->addItem(qs(entry));
    }
    databases_->setPlaceholderText(qs(v.listText));
    databases_->setCurrentIndex(v.currentEntry);
  }
  count_->setText(qs(v.countText));
  swatch_->setColor(qc(v.drawColor));
  drawAll_->setChecked(v.drawAll);
  drawFrom_->setChecked(!v.drawAll);
  from_->setEnabled(v.fromToEnabled);
  to_->setEnabled(v.fromToEnabled);
  if (from_->text().toStdString() != v.fromText) from_->setText(qs(v.fromText));
  if (to_->text().toStdString() != v.toText) to_->setText(qs(v.toText));
  drawImage_->setEnabled(v.drawEnabled);
  record_->setText(qs(v.recordText));
  date_->setText(qs(v.dateText));
  value_->setText(qs(v.valueText));
}

void ChartRecordDialog::changeColor() {
  if (model_.changeColor()) {
    // The swatch shows the new colour and the picture comes back from its copy.
    picture_->setMarker(std::nullopt);
  }
  refresh();
}

void ChartRecordDialog::drawChart() {
  const std::optional<ChartTrace> trace = model_.draw(picture_->width(), picture_->height());
  if (trace) {
    picture_->setMarker(std::nullopt);
    picture_->drawTrace(*trace, qc(model_.view().drawColor));
    const QSignalBlocker block(slider_);
    slider_->setRange(0, model_.view().sliderMaximum);
  }
  refresh();
  // Setting the range repaints the slider, which marks its record.
  if (trace) sliderRepainted();
}

void ChartRecordDialog::clearChart() {
  model_.clear();
  picture_->clearPicture();
  picture_->setMarker(std::nullopt);
  refresh();
}

void ChartRecordDialog::sliderRepainted() {
  if (!model_.view().chartDrawn) return;
  picture_->setMarker(model_.slider(slider_->value()));
  refresh();
}

}  // namespace records

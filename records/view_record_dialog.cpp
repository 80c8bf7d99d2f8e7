#include "records/view_record_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <algorithm>
#include <array>

#include "app/controls/fitted_text.h"
#include "app/controls/icon_group_box.h"
#include "app/controls/image_button.h"
#include "app/controls/skin_button.h"

namespace records {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

const QColor kFrame(0xcb, 0xd5, 0xe1);
const QColor kCaption(0x1e, 0x3a, 0x8a);
const QColor kValueText(0x0f, 0x17, 0x2a);

constexpr int kMargin = 12;
constexpr int kLeftWidth = 370;
constexpr int kHeight = 560;
constexpr int kRow = 28;
constexpr int kSettingsHeight = 150;  // the run settings below both columns

controls::IconGroupBox* makeGroup(QWidget* parent, const QRect& geometry) {
  auto* group = new controls::IconGroupBox(parent);
  group->setGeometry(geometry);
  group->setFrameColor(kFrame);
  group->setTextColor(kCaption);
  group->setBold(true);
  return group;
}

// A read-only value field: the statistics texts.
QLabel* makeValue(QWidget* parent, const QRect& geometry) {
  auto* value = new QLabel(parent);
  value->setGeometry(geometry);
  value->setTextInteractionFlags(Qt::TextSelectableByMouse);
  value->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
  value->setStyleSheet(QStringLiteral("QLabel { background: white; border: 1px solid #dde3ec; "
                                      "border-radius: 4px; padding: 0 6px; color: %1; }")
                           .arg(kValueText.name()));
  return value;
}

int twipsToPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

// The grid's column widths: the layout's widths, widened where the font in use (Arial, or
// the face standing in for it) needs more for the widest text of the column.
std::array<int, 3> columnWidths(const GridLayout& layout, const QFont& font, int dpi) {
  const QFontMetrics fm(font);
  const QString widest[3] = {QStringLiteral("10000"), QStringLiteral("-0000000.00000000000000"),
                             QStringLiteral("00 : 00 : 00")};
  std::array<int, 3> widths{};
  for (int c = 0; c < 3; ++c) {
    widths[c] =
        std::max(twipsToPixels(layout.columnTwips[c], dpi), fm.horizontalAdvance(widest[c]) + 14);
  }
  return widths;
}

}  // namespace

// ---- RecordGridModel ------------------------------------------------------------------------

int RecordGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(view_.rows.size());
}

int RecordGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

QVariant RecordGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(view_.rows.size())) return {};
  const GridRow& row = view_.rows[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole) {
    switch (index.column()) {
      case 0:
        return qs(row.number);
      case 1:
        return qs(row.value);
      default:
        return qs(row.time);
    }
  }
  if (role == Qt::TextAlignmentRole) {
    // The time cells: left, centred vertically; numbers to the right as a grid shows them.
    const Qt::Alignment a = index.column() == 2 ? (Qt::AlignLeft | Qt::AlignVCenter)
                                                : (Qt::AlignRight | Qt::AlignVCenter);
    return QVariant::fromValue(a);
  }
  return {};
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section == 1) return qs(view_.readingHeader);
  if (section == 2) return qs(view_.timeHeader);
  return QString();
}

void RecordGridModel::reload() {
  beginResetModel();
  endResetModel();
}

// ---- ViewRecordDialog -----------------------------------------------------------------------

ViewRecordDialog::ViewRecordDialog(core::Interaction& ui, const measure::Texts& texts,
                                   QWidget* parent)
    : app::DraggableDialog(parent), model_(ui, texts) {
  model_.open(logicalDpiX(), logicalDpiY());
  const ViewRecordView& v = model_.view();
  setWindowTitle(qs(v.title));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  // The grid's columns decide the width of the right-hand side.
  QFont gridFont(qs(v.grid.face));
  gridFont.setPointSize(v.grid.pointSize);
  gridFont.setWeight(static_cast<QFont::Weight>(v.grid.weight));
  const std::array<int, 3> widths = columnWidths(v.grid, gridFont, logicalDpiX());
  int gridWidth = 4 + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  for (int width : widths) gridWidth += width;
  const int rightX = kMargin + kLeftWidth + kMargin;
  const int rightWidth = gridWidth + 2 * controls::IconGroupBox::kMargin;
  setFixedSize(rightX + rightWidth + kMargin, kHeight + kSettingsHeight);

  // ---- Left: the database list with the commands, the statistics, the filter and the pages
  listGroup_ = makeGroup(this, QRect(kMargin, 8, kLeftWidth, 208));
  listGroup_->setCaption(qs(v.databaseListLabel));
  databases_ = new QListWidget(this);
  databases_->setGeometry(
      listGroup_->geometry().adjusted(10, listGroup_->captionBandHeight() + 6, -10, -10));
  connect(databases_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0 || row == model_.view().currentEntry) return;
    model_.chooseDatabase(row);
    refresh();
  });

  struct ImageDef {
    controls::ImageButton** button;
    int normal, hover, pressed;
    const std::string* tooltip;
    int x;
  };
  const int imageY = 224;
  const ImageDef images[] = {
      {&refreshImage_, 201, 202, 203, &v.refreshTooltip, kMargin},
      {&deleteImage_, 206, 207, 208, &v.deleteTooltip, kMargin + 42},
      {&exportImage_, 204, 205, 204, &v.exportTooltip, kMargin + 84},
      {&exitImage_, 192, 193, 194, &v.exitTooltip, kMargin + kLeftWidth - 32},
  };
  for (const ImageDef& d : images) {
    *d.button = new controls::ImageButton(this);
    (*d.button)->setBitmaps(d.normal, d.hover, d.pressed);
    (*d.button)->setToolTipText(qs(*d.tooltip));
    (*d.button)->setGeometry(d.x, imageY, 32, 32);
  }
  // The text buttons of the same commands stay hidden.
  for (const std::string* text : {&v.refreshText, &v.deleteText, &v.exportText, &v.exitText}) {
    auto* hidden = new QPushButton(qs(*text), this);
    hidden->setAutoDefault(false);
    hidden->hide();
  }
  const auto run = [this](void (ViewRecord::*command)()) {
    (model_.*command)();
    refresh();
  };
  connect(refreshImage_, &controls::ImageButton::clicked, this,
          [run] { run(&ViewRecord::refresh); });
  connect(deleteImage_, &controls::ImageButton::clicked, this,
          [run] { run(&ViewRecord::deleteChosen); });
  connect(exportImage_, &controls::ImageButton::clicked, this,
          [run] { run(&ViewRecord::exportCsv); });
  connect(exitImage_, &controls::ImageButton::clicked, this, &QDialog::reject);

  const int statsY = 270;
  const int labelWidth = 100;
  const std::string* labels[] = {&v.countLabel, &v.maxLabel, &v.minLabel, &v.avgLabel};
  QLabel** values[] = {&count_, &max_, &min_, &avg_};
  for (int i = 0; i < 4; ++i) {
    auto* label = new QLabel(qs(*labels[i]), this);
    label->setGeometry(kMargin + 4, statsY + i * kRow, labelWidth, kRow - 4);
    *values[i] = makeValue(this, QRect(kMargin + labelWidth + 8, statsY + i * kRow,
                                       kLeftWidth - labelWidth - 12, kRow - 4));
  }

  filterGroup_ = makeGroup(this, QRect(kMargin, 390, kLeftWidth, 104));
  filterGroup_->setCaption(qs(v.filterGroup));
  const int filterTop = 390 + filterGroup_->captionBandHeight() + 8;
  const int editX = kMargin + 100;
  auto* hiLabel = new QLabel(qs(v.hiLabel), this);
  hiLabel->setGeometry(kMargin + 12, filterTop, 88, 26);
  hi_ = new QLineEdit(this);
  hi_->setGeometry(editX, filterTop, 120, 26);
  auto* loLabel = new QLabel(qs(v.loLabel), this);
  loLabel->setGeometry(kMargin + 12, filterTop + 34, 88, 26);
  lo_ = new QLineEdit(this);
  lo_->setGeometry(editX, filterTop + 34, 120, 26);
  connect(hi_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.setHiText(text.toStdString()); });
  connect(lo_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.setLoText(text.toStdString()); });
  search_ = new controls::SkinButton(qs(v.searchText), controls::SkinButton::Kind::Push, this);
  search_->setGeometry(editX + 132, filterTop + 14, kLeftWidth - 132 - 100 - 8, 32);
  connect(search_, &QAbstractButton::clicked, this, [run] { run(&ViewRecord::search); });

  auto* rangeLabel = new QLabel(qs(v.rangeLabel), this);
  rangeLabel->setGeometry(kMargin + 4, 508, labelWidth, 26);
  ranges_ = new QComboBox(this);
  ranges_->setGeometry(kMargin + labelWidth + 8, 508, kLeftWidth - labelWidth - 12, 26);
  connect(ranges_, &QComboBox::activated, this, [this](int index) {
    model_.chooseRange(index);
    refresh();
  });

  // ---- Right: the record grid
  contentsGroup_ = makeGroup(this, QRect(rightX, 8, rightWidth, kHeight - 8 - kMargin));
  contentsGroup_->setCaption(qs(v.contentsGroup));
  grid_ = new QTableView(this);
  grid_->setGeometry(contentsGroup_->geometry().adjusted(
      controls::IconGroupBox::kMargin, contentsGroup_->captionBandHeight() + 6,
      -controls::IconGroupBox::kMargin, -controls::IconGroupBox::kMargin));
  gridModel_ = new RecordGridModel(model_.view(), this);
  grid_->setModel(gridModel_);
  grid_->setFont(gridFont);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(QFontMetrics(gridFont).height() + 4);
  grid_->horizontalHeader()->setHighlightSections(false);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  for (int c = 0; c < 3; ++c) grid_->setColumnWidth(c, widths[c]);
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setAlternatingRowColors(true);
  grid_->setWordWrap(false);
  grid_->setStyleSheet(QStringLiteral(
      "QTableView { background: white; alternate-background-color: #f5f7fb; "
      "gridline-color: #e2e8f0; selection-background-color: #dbeafe; selection-color: #0f172a; }"
      "QHeaderView::section { background: #eef2f7; color: #1e3a8a; border: none; "
      "border-right: 1px solid #dde3ec; border-bottom: 1px solid #cbd5e1; padding: 3px; "
      "font-weight: 600; }"));

  // ---- Below: the chosen database's stored run settings
  settingsGroup_ = makeGroup(
      this, QRect(kMargin, kHeight - 4, rightX + rightWidth - kMargin, kSettingsHeight - 8));
  settingsGroup_->setCaption(qs(v.runSettingsLabel));
  runSettings_ = new QPlainTextEdit(this);
  runSettings_->setReadOnly(true);
  runSettings_->setGeometry(
      settingsGroup_->geometry().adjusted(10, settingsGroup_->captionBandHeight() + 4, -10, -10));
  runSettings_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: white; }"));

  refresh();
}

void ViewRecordDialog::refresh() {
  const ViewRecordView& v = model_.view();
  {
    const QSignalBlocker block(databases_);
    databases_->clear();
    for (const std::string& entry : v.entries) databases_->addItem(qs(entry));
    databases_->setCurrentRow(v.currentEntry);
  }
  // A statistic is shown whole (an overflow answer of the counter has 38 digits): its font
  // shrinks until it fits, and the whole text is also the tooltip.
  const std::pair<QLabel*, const std::string*> statistics[] = {
      {count_, &v.countText}, {max_, &v.maxText}, {min_, &v.minText}, {avg_, &v.avgText}};
  for (const auto& [label, text] : statistics) {
    controls::setFittedText(label, qs(*text), QApplication::font().pointSizeF());
    label->setToolTip(qs(*text));
  }
  hi_->setEnabled(v.limitsEnabled);
  lo_->setEnabled(v.limitsEnabled);
  if (hi_->text().toStdString() != v.hiText) hi_->setText(qs(v.hiText));
  if (lo_->text().toStdString() != v.loText) lo_->setText(qs(v.loText));
  deleteImage_->setEnabled(v.deleteEnabled);
  exportImage_->setEnabled(v.exportEnabled);
  {
    const QSignalBlocker block(ranges_);
    ranges_->clear();
    for (const std::string& range : v.ranges) ranges_->addItem(qs(range));
    ranges_->setCurrentIndex(v.currentRange);
  }
  gridModel_->reload();
  grid_->scrollToTop();
  if (runSettings_->toPlainText().toStdString() != v.runSettings) {
    runSettings_->setPlainText(qs(v.runSettings));
  }
}

}  // namespace records

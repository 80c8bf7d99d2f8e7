#include "app/panel_widget.h"

#include <QComboBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>

#include "app/controls/icon_group_box.h"

namespace app {

using measure::Ctl;
using measure::CtlKind;

QString displayText(std::string_view caption) {
  QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
  text.replace(QStringLiteral("&&"), QStringLiteral("&"));
  return text;
}

namespace {

// Rows and columns of the settings pages and of the input conditioning box.
constexpr int row(int r) { return 440 + 32 * r; }
constexpr int kLabel0 = 20, kField0 = 120, kLabel1 = 240, kField1 = 340;
constexpr int kFieldW = 108, kLabelW = 96, kWideFieldW = 128, kH = 26;
constexpr int grow(int r) { return 422 + 34 * r; }

QRect label0(int r) { return {kLabel0, row(r), kLabelW, kH}; }
QRect field0(int r) { return {kField0, row(r), kFieldW, kH}; }
QRect label1(int r) { return {kLabel1, row(r), kLabelW, kH}; }
QRect field1(int r) { return {kField1, row(r), kWideFieldW, kH}; }
QRect key0(int r) { return {kLabel0, row(r) - 1, kLabelW, kH + 2}; }
QRect key1(int r) { return {kLabel1, row(r) - 1, kLabelW, kH + 2}; }
QRect unit1(int r) { return {kLabel1, row(r), kLabelW, kH}; }

}  // namespace

QRect panelPlacement(Ctl id) {
  switch (id) {
    // Button bar: the front panel's fixed positions.
    case Ctl::FreqRatioPage:
      return {25, 345, 72, 36};
    case Ctl::TimePeriodPage:
      return {105, 345, 72, 36};
    case Ctl::VoltPage:
      return {185, 345, 72, 36};
    case Ctl::OtherMeasPage:
      return {265, 345, 72, 36};
    case Ctl::UtilityPage:
      return {25, 385, 72, 36};
    case Ctl::GateExtArmPage:
      return {105, 385, 72, 36};
    case Ctl::LimitModesPage:
      return {185, 385, 72, 36};
    case Ctl::ScaleOffsetPage:
      return {265, 385, 72, 36};
    case Ctl::RunButton:
      return {400, 345, 72, 36};
    case Ctl::StopButton:
      return {400, 385, 72, 36};
    case Ctl::Ch1Button:
      return {520, 350, 32, 32};
    case Ctl::Ch2Button:
      return {565, 350, 32, 32};
    case Ctl::Ch3Button:
      return {610, 350, 32, 32};
    case Ctl::ComLabel:
      return {656, 353, 44, kH};
    case Ctl::ComList:
      return {702, 353, 90, kH};

    // "Freq Ratio".
    case Ctl::FreqButton:
      return key0(0);
    case Ctl::FreqInput:
      return field0(0);
    case Ctl::RatioButton:
      return key1(0);
    case Ctl::RatioList:
      return field1(0);
    // "Time && Period".
    case Ctl::PeriodButton:
      return key0(0);
    case Ctl::PeriodInput:
      return field0(0);
    case Ctl::EdgeButton:
      return key1(0);
    case Ctl::EdgeList:
      return field1(0);
    case Ctl::WidthButton:
      return key0(1);
    case Ctl::WidthList:
      return field0(1);
    case Ctl::IntvalButton:
      return key1(1);
    case Ctl::IntvalList:
      return field1(1);
    // "Volt".
    case Ctl::VoltLabel:
      return label0(0);
    case Ctl::VoltInput:
      return field0(0);
    case Ctl::VoltModeLabel:
      return label0(1);
    case Ctl::VoltMode:
      return field0(1);
    case Ctl::VoltShowLabel:
      return label0(2);
    case Ctl::VoltShow:
      return field0(2);
    // "Other Meas".
    case Ctl::PhaseButton:
      return {20, row(0) - 1, 140, kH + 2};
    case Ctl::DutyCycleButton:
      return {170, row(0) - 1, 140, kH + 2};
    case Ctl::TotalButton:
      return {320, row(0) - 1, 140, kH + 2};
    // "Utility".
    case Ctl::TimeBaseBox:
    case Ctl::CompactTimeBaseBox:
      return label0(0);
    case Ctl::TimeBaseList:
    case Ctl::CompactTimeBaseList:
      return field0(0);
    // "Gate && ExtArm" of the full panel: every function's arming shares these places, and
    // only one function's controls show at a time.
    case Ctl::GateLabel:
    case Ctl::StartSourceLabel:
    case Ctl::TotalStartLabel:
    case Ctl::ArmStartLabel:
    case Ctl::CompactGateLabel:
      return label0(0);
    case Ctl::GateList:
    case Ctl::StartSourceList:
    case Ctl::TotalStartList:
    case Ctl::ArmStartList:
    case Ctl::CompactGateList:
      return field0(0);
    case Ctl::GateTimeEdit:
    case Ctl::CompactGateTimeEdit:
      return {kLabel1, row(0), kLabelW, kH};
    case Ctl::GateTimeUnitLabel:
    case Ctl::CompactGateTimeUnitLabel:
      return {kField1 + 4, row(0), 80, kH};
    case Ctl::StartSlopeLabel:
    case Ctl::StartSourceSlopeLabel:
    case Ctl::ArmStartDelayLabel:
    case Ctl::CompactStartSlopeLabel:
      return label0(1);
    case Ctl::StartSlopeList:
    case Ctl::StartSourceSlopeList:
    case Ctl::ArmStartDelayList:
    case Ctl::CompactStartSlopeList:
      return field0(1);
    case Ctl::StopLabel:
    case Ctl::TotalStopLabel:
    case Ctl::CompactStopLabel:
      return label0(2);
    case Ctl::StopList:
    case Ctl::TotalStopList:
    case Ctl::CompactStopList:
      return field0(2);
    case Ctl::StopTimeEdit:
    case Ctl::CompactStopTimeEdit:
      return {kLabel1, row(2), kLabelW, kH};
    case Ctl::StopTimeUnitLabel:
    case Ctl::CompactStopTimeUnitLabel:
      return {kField1 + 4, row(2), 80, kH};
    case Ctl::ArmStartDelayEdit:
    case Ctl::ArmStartCountEdit:
      return field0(2);
    case Ctl::ArmStartSlopeLabel:
      return label0(3);
    case Ctl::ArmStartSlopeList:
      return field0(3);
    case Ctl::ArmStopLabel:
      return label1(0);
    case Ctl::ArmStopList:
      return field1(0);
    case Ctl::ArmStopDelayLabel:
      return label1(1);
    case Ctl::ArmStopDelayList:
      return field1(1);
    case Ctl::ArmStopDelayEdit:
    case Ctl::ArmStopCountEdit:
      return field1(2);
    case Ctl::ArmStopSlopeLabel:
      return label1(3);
    case Ctl::ArmStopSlopeList:
      return field1(3);
    // "Limit Modes".
    case Ctl::SetLimitBox:
    case Ctl::CompactSetLimitBox:
      return {kLabel0, row(0), 220, kH};
    case Ctl::UpperLabel:
    case Ctl::CompactUpperLabel:
      return label0(1);
    case Ctl::UpperEdit:
    case Ctl::CompactUpperEdit:
      return field0(1);
    case Ctl::UpperUnit:
    case Ctl::CompactUpperUnit:
      return unit1(1);
    case Ctl::LowerLabel:
    case Ctl::CompactLowerLabel:
      return label0(2);
    case Ctl::LowerEdit:
    case Ctl::CompactLowerEdit:
      return field0(2);
    case Ctl::LowerUnit:
    case Ctl::CompactLowerUnit:
      return unit1(2);
    case Ctl::OnFailLabel:
    case Ctl::CompactOnFailLabel:
      return label0(3);
    case Ctl::OnFailList:
    case Ctl::CompactOnFailList:
      return field0(3);
    case Ctl::OutBox:
      return label1(3);
    case Ctl::OutPortList:
      return field1(3);
    // "Scale && Offset".
    case Ctl::SetScaleOffsetBox:
    case Ctl::CompactScaleOffsetBox:
      return {kLabel0, row(0), 220, kH};
    case Ctl::ScaleLabel:
    case Ctl::CompactScaleLabel:
      return label0(1);
    case Ctl::ScaleEdit:
    case Ctl::CompactScaleEdit:
      return field0(1);
    case Ctl::ScaleUnit:
    case Ctl::CompactScaleUnit:
      return unit1(1);
    case Ctl::OffsetLabel:
    case Ctl::CompactOffsetLabel:
      return label0(2);
    case Ctl::OffsetEdit:
    case Ctl::CompactOffsetEdit:
      return field0(2);
    case Ctl::OffsetUnit:
    case Ctl::CompactOffsetUnit:
      return unit1(2);
    // The compact panel's function indicators and its Volt page.
    case Ctl::FreqCh1Indicator:
    case Ctl::PeriodCh1Indicator:
    case Ctl::VoltCh1Indicator:
    case Ctl::TotalCh1Indicator:
      return {kLabel0, row(0) - 1, 120, kH + 2};
    case Ctl::CompactVoltModeLabel:
      return label0(1);
    case Ctl::CompactVoltMode:
      return field0(1);
    case Ctl::CompactVoltShowLabel:
      return label0(2);
    case Ctl::CompactVoltShow:
      return field0(2);

    // The statistics block, in the left card under the stop conditions.
    case Ctl::StatsShowBox:
      return {20, 250, 72, kH};
    case Ctl::StatsTypeList:
      return {96, 250, 88, kH};
    case Ctl::StatsCountLabel:
      return {194, 250, 50, kH};
    case Ctl::StatsCountEdit:
      return {246, 250, 90, kH};
    case Ctl::StatsUseLabel:
      return {20, 284, 44, kH};
    case Ctl::StatsUseList:
      return {66, 284, 100, kH};
    case Ctl::StatsSingleLabel:
      return {176, 284, 50, kH};
    case Ctl::StatsSingleList:
      return {228, 284, 108, kH};

    // Input conditioning, in its box under the CH keys.
    case Ctl::InputGroupCaption:
      return {490, 392, 342, 208};
    case Ctl::LevelLabel:
      return {502, grow(0), 60, kH};
    case Ctl::SlopeLabel:
      return {502, grow(1), 60, kH};
    case Ctl::CouplLabel:
      return {502, grow(2), 60, kH};
    case Ctl::SensLabel:
      return {684, grow(1), 56, kH};
    case Ctl::ImpedLabel:
      return {684, grow(2), 56, kH};
    case Ctl::In1LevelMode:
    case Ctl::In2LevelMode:
      return {566, grow(0), 110, kH};
    case Ctl::In1LevelPercent:
    case Ctl::In2LevelPercent:
    case Ctl::In1LevelEdit:
    case Ctl::In2LevelEdit:
      return {684, grow(0), 84, kH};
    case Ctl::In1PercentLabel:
    case Ctl::In2PercentLabel:
    case Ctl::In1VoltsLabel:
    case Ctl::In2VoltsLabel:
      return {772, grow(0), 50, kH};
    case Ctl::In1Slope:
    case Ctl::In2Slope:
      return {566, grow(1), 110, kH};
    case Ctl::In1Sens:
    case Ctl::In2Sens:
      return {742, grow(1), 80, kH};
    case Ctl::In1Coupl:
    case Ctl::In2Coupl:
      return {566, grow(2), 110, kH};
    case Ctl::In1Imped:
    case Ctl::In2Imped:
      return {742, grow(2), 80, kH};
    case Ctl::In1Atten:
    case Ctl::In2Atten:
      return {502, grow(3), 170, kH};
    case Ctl::In1Filter:
    case Ctl::In2Filter:
      return {684, grow(3), 140, kH};

    // Reading controls in the left card.
    case Ctl::ReadSpeedLabel:
      return {20, 148, 90, kH};
    case Ctl::ReadSpeed:
      return {110, 148, 86, kH};
    case Ctl::DotsLabel:
      return {206, 148, 50, kH};
    case Ctl::Dots:
      return {258, 148, 78, kH};
    case Ctl::StopTimeBox:
      return {20, 182, 146, kH};
    case Ctl::StopAfterNBox:
      return {20, 214, 146, kH};
    case Ctl::StopAfterNCount:
      return {170, 214, 166, kH};
    // The caption above the chart, in the display.
    case Ctl::ChartCaption:
      return {PanelWidget::kDisplay.x() + 14, PanelWidget::kDisplay.y() + 10, 300, 24};
    case Ctl::Count_:
      break;
  }
  return {};
}

// ---- BarButton

BarButton::BarButton(QWidget* parent) : controls::SkinButton(Kind::CheckBox, parent) {
  setPushLike(true);
  setAutoCheck(false);
  setFocusPolicy(Qt::TabFocus);
}

void BarButton::setCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  setAccessibleName(caption);
  update();
}

QRect BarButton::captionRect() const { return rect().adjusted(3, 2, -3, -2); }

QFont BarButton::fittedFont() const {
  const QRect box = captionRect();
  QFont f = font();
  for (qreal pt = f.pointSizeF(); pt >= 5.5; pt -= 0.5) {
    f.setPointSizeF(pt);
    const QRect need =
        QFontMetrics(f).boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap, caption_);
    if (need.width() <= box.width() && need.height() <= box.height()) break;
  }
  return f;
}

void BarButton::paintEvent(QPaintEvent* event) {
  controls::SkinButton::paintEvent(event);
  QPainter p(this);
  const bool down = isDown() || (isPressedDown() && isHovered());
  QColor fg = palette().color(QPalette::ButtonText);
  if (!isEnabled())
    fg = palette().color(QPalette::Disabled, QPalette::ButtonText);
  else if (isChecked() || down)
    fg = Qt::white;
  p.setFont(fittedFont());
  p.setPen(fg);
  p.drawText(captionRect().translated(down ? 1 : 0, down ? 1 : 0),
             Qt::AlignCenter | Qt::TextWordWrap, caption_);
}

// ---- PanelWidget

PanelWidget::PanelWidget(measure::PanelModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("panel"));
  // The input conditioning box goes first so that the controls it frames lie above it.
  widgets_[static_cast<std::size_t>(Ctl::InputGroupCaption)] =
      makeWidget(model_.control(Ctl::InputGroupCaption));
  for (const measure::Control& c : model_.controls())
    if (c.id != Ctl::InputGroupCaption) widgets_[static_cast<std::size_t>(c.id)] = makeWidget(c);
  refreshAll();
}

QWidget* PanelWidget::makeWidget(const measure::Control& c) {
  const Ctl id = c.id;
  QWidget* w = nullptr;
  switch (c.kind) {
    case CtlKind::Button: {
      auto* b = new BarButton(this);
      connect(b, &QAbstractButton::clicked, this, [this, id] { model_.press(id); });
      w = b;
      break;
    }
    case CtlKind::CheckBox: {
      auto* b = new controls::SkinButton(controls::SkinButton::Kind::CheckBox, this);
      b->setAutoCheck(false);
      connect(b, &QAbstractButton::clicked, this, [this, id] { model_.press(id); });
      w = b;
      break;
    }
    case CtlKind::List: {
      auto* combo = new QComboBox(this);
      connect(combo, &QComboBox::activated, this, [this, id](int index) {
        model_.select(id, index);
        refresh(id);  // a refused choice shows the model's selection again
      });
      w = combo;
      break;
    }
    case CtlKind::Edit: {
      auto* edit = new QLineEdit(this);
      if (c.maxLength > 0) edit->setMaxLength(static_cast<int>(c.maxLength));
      if (id == Ctl::StopAfterNCount) edit->setValidator(new QIntValidator(0, 10000000, edit));
      connect(edit, &QLineEdit::textEdited, this,
              [this, id](const QString& text) { model_.setText(id, text.toStdString()); });
      w = edit;
      break;
    }
    case CtlKind::Label: {
      auto* label = new QLabel(this);
      label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      w = label;
      break;
    }
    case CtlKind::Group: {
      auto* group = new controls::IconGroupBox(this);
      group->setBold(true);
      group->setFrameColor(QColor(0xcb, 0xd5, 0xe1));
      group->setTextColor(QColor(0x1e, 0x3a, 0x8a));
      w = group;
      break;
    }
  }
  w->setObjectName(QString::fromUtf8(c.name.data(), static_cast<qsizetype>(c.name.size())));
  w->setGeometry(panelPlacement(id));
  w->setProperty("dialogId", c.dialogId);
  return w;
}

void PanelWidget::refreshAll() {
  for (const measure::Control& c : model_.controls()) refresh(c.id);
}

void PanelWidget::refresh(Ctl id) {
  const measure::Control& c = model_.control(id);
  QWidget* w = widget(id);
  if (!w) return;  // a change reported while the widgets are being made
  const QString caption = displayText(c.caption);
  switch (c.kind) {
    case CtlKind::Button:
      if (auto* b = dynamic_cast<BarButton*>(w)) {
        b->setCaption(caption);
        b->setChecked(c.checked);
      }
      break;
    case CtlKind::CheckBox:
      if (auto* b = dynamic_cast<controls::SkinButton*>(w)) {
        b->setText(caption);
        b->setChecked(c.checked);
      }
      break;
    case CtlKind::List:
      if (auto* combo = dynamic_cast<QComboBox*>(w)) {
        const QSignalBlocker block(combo);
        bool same = combo->count() == static_cast<int>(c.entries.size());
        for (int i = 0; same && i < combo->count(); ++i)
          same =
              combo->itemText(i) == QString::fromStdString(c.entries[static_cast<std::size_t>(i)]);
        if (!same) {
          combo->clear();
          for (const std::string& e : c.entries) combo->addItem(QString::fromStdString(e));
        }
        combo->setCurrentIndex(c.selected);
      }
      break;
    case CtlKind::Edit:
      if (auto* edit = dynamic_cast<QLineEdit*>(w)) {
        const QString text = QString::fromStdString(c.text);
        if (edit->text() != text) edit->setText(text);
      }
      break;
    case CtlKind::Label:
      if (auto* label = dynamic_cast<QLabel*>(w)) label->setText(caption);
      break;
    case CtlKind::Group:
      if (auto* group = dynamic_cast<controls::IconGroupBox*>(w)) group->setCaption(caption);
      break;
  }
  w->setEnabled(c.enabled);
  w->setVisible(c.visible);
}

void PanelWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  // Light cards behind the reading controls and the settings pages.
  const QColor card(0xff, 0xff, 0xff), border(0xdd, 0xe3, 0xec);
  p.setPen(QPen(border, 1));
  p.setBrush(card);
  for (const QRect& r : {kLeftCard, kPageCard})
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
  // The dark display behind the readings and the trend chart.
  const QRectF d = QRectF(kDisplay).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient fill(d.topLeft(), d.bottomLeft());
  fill.setColorAt(0, QColor(0x1e, 0x29, 0x3b));
  fill.setColorAt(1, QColor(0x0f, 0x17, 0x2a));
  p.setPen(QPen(QColor(0x0b, 0x12, 0x20), 1));
  p.setBrush(fill);
  p.drawRoundedRect(d, 10, 10);
}

}  // namespace app

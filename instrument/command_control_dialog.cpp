#include "instrument/command_control_dialog.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/controls/image_button.h"
#include "app/qt_interaction_widget.h"
#include "instrument/console.h"

namespace instrument {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

constexpr int kMargin = 16;
constexpr int kFieldWidth = 340;
constexpr int kFieldHeight = 26;
// The history list lies under the send field, this much wider, so that only its drop-down
// button shows beside the field.
constexpr int kHistoryExtraWidth = 20;
constexpr int kImageColumn = kMargin + kFieldWidth + kHistoryExtraWidth + 16;

}  // namespace

CommandControlDialog::CommandControlDialog(Console& console, app::QtInteraction* ui,
                                           QWidget* parent)
    : app::DraggableDialog(parent), console_(console), ui_(ui) {
  console_.open();
  setWindowTitle(qs(console_.title()));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(kImageColumn + 32 + kMargin, 360);

  devices_ = new QComboBox(this);
  devices_->setGeometry(kMargin, kMargin, kFieldWidth + kHistoryExtraWidth, kFieldHeight);
  connect(devices_, &QComboBox::activated, this, [this](int item) {
    console_.chooseDevice(item);
    refresh();
  });

  sendLabel_ = new QLabel(this);
  sendLabel_->setGeometry(kMargin, 52, kFieldWidth, 20);

  history_ = new QComboBox(this);
  history_->setGeometry(kMargin, 74, kFieldWidth + kHistoryExtraWidth, kFieldHeight);
  history_->hide();
  connect(history_, &QComboBox::activated, this, [this](int index) {
    console_.chooseHistory(index);
    refresh();
    send_->setFocus();
  });

  send_ = new QLineEdit(this);
  send_->setGeometry(kMargin, 74, kFieldWidth, kFieldHeight);
  send_->raise();
  connect(send_, &QLineEdit::textEdited, this,
          [this](const QString& text) { console_.setSendText(text.toStdString()); });
  // Enter in the send field queries, the command a terminal user expects.
  connect(send_, &QLineEdit::returnPressed, this,
          [this] { run(&Console::queryCommand, Focus::SendField); });

  receivedLabel_ = new QLabel(this);
  receivedLabel_->setGeometry(kMargin, 112, kFieldWidth, 20);

  received_ = new QPlainTextEdit(this);
  received_->setGeometry(kMargin, 134, kFieldWidth + kHistoryExtraWidth, 188);
  received_->setReadOnly(true);
  received_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  received_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  status_->setGeometry(kMargin, 326, kFieldWidth + kHistoryExtraWidth, 22);
  status_->setStyleSheet(QStringLiteral("color: #b45309;"));
  if (ui_) {
    ui_->pushBusyHandler([this](bool busy) {
      status_->setText(busy ? qs(console_.waitingText()) : qs(console_.statusText()));
    });
  }

  struct ImageDef {
    controls::ImageButton** button;
    int normal, hover, pressed;
    std::string tooltip;
    int y;
  };
  const ImageDef images[] = {
      {&query_, 195, 196, 195, console_.queryTooltip(), 70},
      {&write_, 199, 200, 199, console_.writeTooltip(), 112},
      {&read_, 197, 198, 197, console_.readTooltip(), 154},
      {&exit_, 192, 193, 194, console_.exitTooltip(), 290},
  };
  for (const ImageDef& d : images) {
    auto* b = new controls::ImageButton(this);
    b->setBitmaps(d.normal, d.hover, d.pressed);
    b->setToolTipText(qs(d.tooltip));
    b->setGeometry(kImageColumn, d.y, 32, 32);
    *d.button = b;
  }
  connect(query_, &controls::ImageButton::clicked, this,
          [this] { run(&Console::queryCommand, Focus::SendField); });
  connect(write_, &controls::ImageButton::clicked, this,
          [this] { run(&Console::writeCommand, Focus::SendField); });
  connect(read_, &controls::ImageButton::clicked, this,
          [this] { run(&Console::readCommand, Focus::Keep); });
  connect(exit_, &controls::ImageButton::clicked, this, &QDialog::reject);

  // The text buttons of the same commands stay hidden; the image buttons stand for them.
  const std::string texts[] = {console_.queryButtonText(), console_.writeButtonText(),
                               console_.readButtonText(), console_.exitButtonText()};
  for (int i = 0; i < 4; ++i) {
    textButtons_[i] = new QPushButton(qs(texts[i]), this);
    textButtons_[i]->setAutoDefault(false);
    textButtons_[i]->hide();
  }
  connect(textButtons_[0], &QPushButton::clicked, query_, &controls::ImageButton::clicked);
  connect(textButtons_[1], &QPushButton::clicked, write_, &controls::ImageButton::clicked);
  connect(textButtons_[2], &QPushButton::clicked, read_, &controls::ImageButton::clicked);
  connect(textButtons_[3], &QPushButton::clicked, this, &QDialog::reject);

  sendLabel_->setText(qs(console_.sendLabel()));
  receivedLabel_->setText(qs(console_.receivedLabel()));
  refresh();
  send_->setFocus();
  send_->selectAll();
}

CommandControlDialog::~CommandControlDialog() {
  if (ui_) ui_->popBusyHandler();
}

void CommandControlDialog::reject() {
  console_.cancelRead();
  app::DraggableDialog::reject();
}

void CommandControlDialog::run(void (Console::*command)(), Focus focus) {
  if (!console_.controlsEnabled() || console_.reading()) return;
  console_.setSendText(send_->text().toStdString());
  (console_.*command)();
  refresh();
  if (focus == Focus::SendField) {
    send_->setFocus();
    send_->selectAll();
  }
}

void CommandControlDialog::refresh() {
  const bool enabled = console_.controlsEnabled();
  {
    const QSignalBlocker block(devices_);
    devices_->clear();
    if (console_.deviceItems().empty()) {
      devices_->addItem(qs(console_.noDeviceText()));
      devices_->setCurrentIndex(0);
    } else {
      for (const std::string& item : console_.deviceItems()) devices_->addItem(qs(item));
      devices_->setCurrentIndex(console_.selectedDevice());
    }
  }
  {
    const QSignalBlocker block(history_);
    history_->clear();
    for (const std::string& entry : console_.history()) history_->addItem(qs(entry));
    history_->setCurrentIndex(console_.selectedHistory());
    history_->setVisible(console_.historyVisible());
  }
  if (send_->text() != qs(console_.sendText())) send_->setText(qs(console_.sendText()));
  received_->setPlainText(qs(console_.receivedText()));
  status_->setText(qs(console_.statusText()));
  for (QWidget* w :
       {static_cast<QWidget*>(devices_), static_cast<QWidget*>(send_),
        static_cast<QWidget*>(history_), static_cast<QWidget*>(received_),
        static_cast<QWidget*>(query_), static_cast<QWidget*>(write_), static_cast<QWidget*>(read_)})
    w->setEnabled(enabled);
  for (int i = 0; i < 3; ++i) textButtons_[i]->setEnabled(enabled);
}

}  // namespace instrument

#include "instrument/tcpip_address_dialog.h"

#include <QLabel>
#include <QLineEdit>

#include "app/controls/bitmaps.h"
#include "app/controls/skin_button.h"
#include "core/interaction.h"
#include "instrument/tcpip_address_data.h"
#include "measure/texts.h"

namespace instrument {

TcpipAddressDialog::TcpipAddressDialog(TcpipAddressData& data, const measure::Texts& texts,
                                       core::Interaction& ui, QWidget* parent)
    : app::DraggableDialog(parent), data_(data), texts_(texts), ui_(ui) {
  setWindowTitle(QString::fromStdString(texts.get("655")));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(340, 256);

  auto* hint = new QLabel(QString::fromStdString(texts.get("1113")), this);
  hint->setWordWrap(true);
  hint->setGeometry(20, 14, 300, 40);

  const TcpipAddressData::Addresses shown = data_.fieldTexts();
  for (int i = 0; i < TcpipAddressData::kCount; ++i) {
    const int y = 64 + i * 34;
    auto* label = new QLabel(QString::fromStdString(fieldLabel(texts, i)), this);
    label->setGeometry(20, y, 60, 26);
    auto* field = new QLineEdit(QString::fromStdString(shown[static_cast<std::size_t>(i)]), this);
    field->setGeometry(84, y, 236, 26);
    field->setPlaceholderText(QStringLiteral("0.0.0.0"));
    field->setObjectName(QStringLiteral("ip%1").arg(i + 1));
    connect(field, &QLineEdit::textEdited, field, [field] { field->setStyleSheet(QString()); });
    connect(field, &QLineEdit::returnPressed, this, &TcpipAddressDialog::onOk);
    fields_[static_cast<std::size_t>(i)] = field;
  }

  ok_ = new controls::SkinButton(QString::fromStdString(texts.get("003")),
                                 controls::SkinButton::Kind::Push, this);
  ok_->setIcons(QIcon(controls::bitmap(186)), QIcon(controls::bitmap(187)),
                QIcon(controls::bitmap(188)), controls::SkinButton::IconAlign::Left);
  ok_->setGeometry(220, 206, 100, 32);
  connect(ok_, &QAbstractButton::clicked, this, &TcpipAddressDialog::onOk);
  cancel_ = new controls::SkinButton(QString::fromStdString(texts.get("1112")),
                                     controls::SkinButton::Kind::Push, this);
  cancel_->setGeometry(112, 206, 100, 32);
  connect(cancel_, &QAbstractButton::clicked, this, &QDialog::reject);
}

void TcpipAddressDialog::onOk() {
  TcpipAddressData::Addresses texts;
  for (int i = 0; i < TcpipAddressData::kCount; ++i)
    texts[static_cast<std::size_t>(i)] = fields_[static_cast<std::size_t>(i)]->text().toStdString();
  int bad = -1;
  if (!data_.accept(texts, &bad)) {
    // Not an address: the field is named and marked and keeps the focus, its text as typed;
    // nothing is taken and nothing searched.
    QLineEdit* field = fields_[static_cast<std::size_t>(bad)];
    field->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid #dc2626; }"));
    ui_.message(invalidAddressMessage(texts_, bad, texts[static_cast<std::size_t>(bad)]),
                std::string(measure::kAppTitle), core::Icon::Error);
    field->setFocus();
    field->selectAll();
    return;
  }
  accept();
}

}  // namespace instrument

#pragma once
// The TCP/IP Address dialog: four IPv4 fields "IP 1:" to "IP 4:" for LAN instruments that the
// resource search cannot find by itself. It edits a copy of the typed addresses
// (instrument::TcpipAddressData); OK takes the fields into the copy and closes.

#include <array>

#include "app/draggable_dialog.h"

class QLabel;
class QLineEdit;

namespace controls {
class SkinButton;
}

namespace measure {
class Texts;
}

namespace instrument {

class TcpipAddressData;

class TcpipAddressDialog : public app::DraggableDialog {
  Q_OBJECT
 public:
  static constexpr const char* kHint =
      "Set the IP address manually to find the device(s) information via ethernet interface.";

  TcpipAddressDialog(TcpipAddressData& data, const measure::Texts& texts,
                     QWidget* parent = nullptr);

  QLineEdit* field(int i) const { return fields_[static_cast<std::size_t>(i)]; }
  controls::SkinButton* okButton() const { return ok_; }

 private:
  void onOk();

  TcpipAddressData& data_;
  std::array<QLineEdit*, 4> fields_{};
  controls::SkinButton* ok_ = nullptr;
};

}  // namespace instrument

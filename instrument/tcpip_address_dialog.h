#pragma once
// The TCP/IP Address dialog: four IPv4 fields "IP 1:" to "IP 4:" for LAN instruments that the
// resource search cannot find by itself. It edits a copy of the typed addresses
// (instrument::TcpipAddressData); OK takes the fields into the copy and closes (accepted).
// A field is never rewritten while it is typed into: OK refuses an address that is not one,
// with a message naming the field, and leaves the text as typed. Cancel or Escape close it
// without taking anything.

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
namespace core {
class Interaction;
}

namespace instrument {

class TcpipAddressData;

class TcpipAddressDialog : public app::DraggableDialog {
  Q_OBJECT
 public:
  TcpipAddressDialog(TcpipAddressData& data, const measure::Texts& texts, core::Interaction& ui,
                     QWidget* parent = nullptr);

  QLineEdit* field(int i) const { return fields_[static_cast<std::size_t>(i)]; }
  controls::SkinButton* okButton() const { return ok_; }
  controls::SkinButton* cancelButton() const { return cancel_; }

 private:
  void onOk();

  TcpipAddressData& data_;
  const measure::Texts& texts_;
  core::Interaction& ui_;
  std::array<QLineEdit*, 4> fields_{};
  controls::SkinButton* ok_ = nullptr;
  controls::SkinButton* cancel_ = nullptr;
};

}  // namespace instrument

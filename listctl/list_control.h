#pragma once
// CTRListV38XX, the instrument list of the add-in's Connect form: one row per instrument that
// discovery identified ("Counter", its name, its maker and its VISA address), the connected row
// marked with the connected icon, and the Connect and Disconnect buttons enabled by the rows the
// user clicks. It does no instrument I/O: the form hands it the discovery results (IDN) and reads
// back the address the user connected to (mark_Address).
//
// Rows are counted from 1, as the list shows them; 0 means none.

#include <cstdint>
#include <string>
#include <vector>

namespace listctl {

inline constexpr const char* kFrameCaption = "Identified Instruments on My Computer";
inline constexpr const char* kColumns[] = {"Instrument", "Name", "Manufacturer", "Address"};

enum class Icon { Unconnected, Connected };

struct Row {
  std::string instrument;  // "Counter", or empty when the identification was empty
  std::string name;
  std::string manufacturer;
  std::string address;
  Icon icon = Icon::Unconnected;
};

class ListControl {
 public:
  ListControl();

  // Public properties.
  std::string mark_Address;    // address of the connected instrument; empty when none
  std::int16_t lvw_now = 0;    // the current row, 0 when none

  // Members.
  void IDN(const std::string& sBuffer, const std::string& Addr);
  std::int16_t selmark();
  void ListClear();

  // The user's actions.
  void click(int row);  // selects the row (0: clicks beside the rows)
  void connect();       // the Connect button
  void disconnect();    // the Disconnect button

  const std::vector<Row>& rows() const { return rows_; }
  int selected() const { return selected_; }
  int connectedRow() const { return connectedRow_; }  // -1 when none
  bool connectEnabled() const { return connectEnabled_; }
  bool disconnectEnabled() const { return disconnectEnabled_; }

 private:
  void mark(int row);

  std::vector<Row> rows_;
  int selected_ = 0;
  int connectedRow_ = -1;
  std::string connectedAddress_;
  bool connectEnabled_ = false;
  bool disconnectEnabled_ = false;
};

}  // namespace listctl

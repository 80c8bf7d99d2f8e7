#pragma once
// The Connect to Device form: LAN addresses the user types, Find (discovery through the add-in),
// the list of identified instruments, and Connect/Disconnect, which set the add-in's work session.

#include <string>
#include <vector>

#include "addin/forms/server.h"
#include "listctl/list_control.h"

namespace addin::forms {

class ConnectForm {
 public:
  // `list` outlives the form: it keeps the connected mark between openings.
  ConnectForm(Server& server, listctl::ListControl& list);

  // The addresses typed last time (saved in the settings file).
  std::vector<std::string> typedAddresses();

  // Find: the typed addresses are probed and saved, the searches run, the list is filled from
  // the device table and the mark is restored. Returns the number of instruments found.
  int find(const std::vector<std::string>& typed);
  // Fills the list from the last discovery (opening the form again).
  void refill();
  // Connect / Disconnect the selected row: the work session follows.
  void connect();
  void disconnect();

 private:
  Server& server_;
  listctl::ListControl& list_;
};

// The lines of a text, trimmed, empty ones left out.
std::vector<std::string> addressLines(const std::string& text);

}  // namespace addin::forms

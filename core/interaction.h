#pragma once
// The one way the logic layers talk to the user: message boxes, the colour picker and
// the Save As picker. The Qt front end implements it with real dialogs; tests implement it
// with a recorder that answers from a script (tests/support/scripted_interaction.h).

#include <cstdint>
#include <optional>
#include <string>

#include "core/pending.h"

namespace core {

enum class Icon {
  None,
  Information,  // "i" balloon
  Question,
  Exclamation,  // warning triangle
  Error,        // stop sign; the stop and hand icons of the instrument messages
};

enum class Buttons { Ok, YesNo };

enum class Answer { Ok, Yes, No, Closed };

// What happens to the user's clicks and keys while the window waits for the instrument.
enum class WaitInput {
  Deferred,  // they wait their turn and are handled once the wait is over
  Served,    // they are handled at once (STOP during a run's read)
};

struct Color {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

struct SaveFileRequest {
  std::string filter;  // e.g. "CSV Files(*.CSV)|*.CSV||"
  std::string initialDirectory;
};

struct SaveFileChoice {
  std::string directory;  // folder chosen in the dialog
  std::string name;       // name part as the user typed it, extension included
};

class Interaction {
 public:
  virtual ~Interaction() = default;

  // A modal message box; returns the button the user pressed.
  virtual Answer message(const std::string& text, const std::string& caption, Icon icon,
                         Buttons buttons = Buttons::Ok) = 0;

  // The standard colour picker starting from `initial`; nullopt when cancelled.
  virtual std::optional<Color> pickColor(Color initial) = 0;

  // The standard Save As dialog; nullopt when cancelled.
  virtual std::optional<SaveFileChoice> saveFile(const SaveFileRequest& request) = 0;

  // Lets pending window events run (used inside a reading tick before the stop-time check).
  virtual void processEvents() {}

  // Shows or hides the wait cursor around long database operations.
  virtual void setWaitCursor(bool /*on*/) {}

  // Waits until `pending` is ready (instrument I/O on another thread). A window keeps drawing
  // itself meanwhile and shows that it is busy when the wait is not over at once; `input`
  // says whether the user's input is handled during the wait. Without a window it blocks.
  virtual void waitFor(Pending& pending, WaitInput /*input*/) { pending.wait(); }
};

// Shows the wait cursor for the length of one command.
class WaitCursor {
 public:
  explicit WaitCursor(Interaction& ui) : ui_(ui) { ui_.setWaitCursor(true); }
  ~WaitCursor() { ui_.setWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  Interaction& ui_;
};

}  // namespace core

#pragma once
// The simulated V3800A / V3820A universal counter: parses the SCPI the product sends, keeps
// the instrument state and an error queue, and answers queries in the counter's format
// ("+1.00000012345E+007\n"; "9.91E+37\n" without a signal). One object is one instrument;
// it is thread-safe, so a server may serve it from its own threads.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class Model { V3800A, V3820A };

struct CounterOptions {
  Model model = Model::V3800A;
  std::string serial;      // 10 characters; empty: "SIM3800A01" / "SIM3820A01"
  std::uint64_t seed = 1;  // noise source of the readings
};

// Faults injected through the control channel (not part of the instrument's command set).
struct Faults {
  int answerDelayMs = 0;           // every answer becomes readable only after this delay
  bool dropNextAnswer = false;     // the next query's answer never comes and the link drops
  bool garbageNextAnswer = false;  // the next answer is random non-numeric bytes
  std::size_t overlongAnswer = 0;  // when > 0, the next answer is padded to this many bytes
  bool stalled = false;  // the counter stops answering: answers wait until the stall ends (a
                         // device clear drops them)
};

struct ReadResult {
  enum class Status { Ok, Timeout, ConnectionLost };
  Status status = Status::Timeout;
  std::string data;  // one whole answer message, line feed included
};

class Counter {
 public:
  // A connection to the counter: a VXI-11 link, a raw-socket client, a VISA session. Messages
  // of all links are parsed one at a time in the order they arrive; each answer goes to the
  // output queue of the link whose query made it, as on an instrument with one queue per link.
  // The operations without a link use the default link, which always exists.
  using LinkId = std::uint64_t;
  static constexpr LinkId kDefaultLink = 0;

  explicit Counter(CounterOptions options = {});
  ~Counter();
  Counter(const Counter&) = delete;
  Counter& operator=(const Counter&) = delete;

  Model model() const;
  std::string serial() const;
  // "ORVALENT,V3800A,<serial>,<firmware>" without a line feed.
  std::string identification() const;
  // "USB0::0x2B7A::0x0ED8::<serial>::INSTR" (0x0EEC for the V3820A).
  std::string usbResourceName() const;

  // A new link with an empty output queue, and its end (its held messages and answers go).
  LinkId openLink();
  void closeLink(LinkId link);

  // One message from the host (what one VISA write carries, END at its end). Commands are
  // separated by ';' or line feeds; long and short forms in any letter case are accepted.
  // A command the counter does not know puts a standard SCPI error into the queue.
  void write(std::string_view message);
  void write(LinkId link, std::string_view message);

  // Waits up to `timeout` for the link's next answer message; ConnectionLost for a link that
  // was closed.
  ReadResult read(std::chrono::milliseconds timeout);
  ReadResult read(LinkId link, std::chrono::milliseconds timeout);

  // Device clear (viClear / VXI-11 device_clear / USBTMC INITIATE_CLEAR): drops the link's
  // unread input and pending answers.
  void clear();
  void clear(LinkId link);
  // Return to local (GPIB go-to-local or "SYST:COMM:RLST LOC").
  void goToLocal();
  // External arming/trigger input: completes a measurement waiting for an external arm.
  void externalTrigger();

  // Fault injection (applies to the following answers as described in Faults).
  void setFaults(const Faults& faults);
  Faults faults() const;

  // Every message received is passed to the log, when set (for tests and users debugging).
  void setCommandLog(std::function<void(std::string_view)> log);

  // The signals on the inputs (control channel). A disconnected input makes every function
  // that needs it answer 9.91E+37. Both return false when the model has no such input.
  int inputCount() const;  // 3 on the V3800A, 1 on the V3820A
  bool setSignalConnected(int input, bool connected);
  bool signalConnected(int input) const;
  bool setSignalFrequency(int input, double hertz);  // hertz > 0

  // Back to the power-on state: settings, error queue, status, pending answers, faults and
  // signals (the noise source starts its sequence again).
  void reset();
  // True while an answer waits to be read or a query is still being worked on (for example
  // a FETCH? waiting for the external arm): servers use it to know whether to wait.
  bool answerExpected() const;
  bool answerExpected(LinkId link) const;
  // A transport had to drop input it could not buffer: -363 "Input buffer overrun".
  void reportInputOverrun();

  // Instrument state, for tests: a text dump of the settings as "KEY=VALUE" pairs in upper-case
  // short form (e.g. "FUNC=FREQ 1", "INIT:CONT=1", "CALC2:LIM:UPP=10000"), see counter.cpp.
  std::vector<std::pair<std::string, std::string>> settings() const;
  std::string setting(const std::string& key) const;  // "" when unknown
  // Pending SCPI errors, oldest first, as the counter would answer SYST:ERR? ("-113,\"Undefined
  // header\"").
  std::vector<std::string> pendingErrors() const;
  bool remote() const;  // false after goToLocal

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim

#pragma once
// The control channel of the simulated counter: a line protocol, separate from the
// instrument's SCPI, through which tests and users inject faults (answer delays, dropped
// links, garbage and over-long answers), fire the external arm input, switch the input
// signals and look at the counter from outside. Usable in-process through execute() and over
// a loopback TCP port; docs/simulator.md lists the commands.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace sim {

class Counter;

class ControlChannel {
 public:
  explicit ControlChannel(Counter& counter, std::string bindAddress = "127.0.0.1",
                          std::uint16_t port = 0);
  ~ControlChannel();
  ControlChannel(const ControlChannel&) = delete;
  ControlChannel& operator=(const ControlChannel&) = delete;

  // One command line (line feed optional); returns the reply without line feed: "ok",
  // "ok <data>" or "error <reason>".
  std::string execute(std::string_view line);

  // Serves the protocol over TCP from its own thread: one reply line per command line.
  bool start(std::string* error = nullptr);
  void stop();
  std::uint16_t port() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim

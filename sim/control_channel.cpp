#include "sim/control_channel.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <vector>

#include "core/text_format.h"
#include "sim/counter.h"
#include "sim/tcp_line_server.h"

namespace sim {

namespace {

constexpr const char* kHelp =
    "ok commands: delay <ms> | drop | garbage | overlong <bytes> | stall on|off | trigger | "
    "signal <input> on|off|freq <hz> | reset | errors? | faults? | setting <key> | remote? | "
    "idn? | quit";

constexpr long long kMaxDelayMs = 600000;
constexpr long long kMaxOverlong = 16 * 1024 * 1024;

std::vector<std::string> words(std::string_view line) {
  std::vector<std::string> out;
  std::istringstream in{std::string(line)};
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

bool wholeNumber(const std::string& text, long long min, long long max, long long* value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && ptr == end && *value >= min && *value <= max;
}

}  // namespace

struct ControlChannel::Impl {
  Impl(Counter& c, std::string bindAddress, std::uint16_t port)
      : counter(c),
        server(std::move(bindAddress), port,
               [this](TcpLineServer::Connection& connection, std::string_view line) {
                 const std::vector<std::string> w = words(line);
                 if (w.empty()) return true;
                 const std::string reply = execute(line);
                 if (!connection.send(reply + "\n")) return false;
                 return core::toLower(w.front()) != "quit";
               }) {}

  std::string signal(const std::vector<std::string>& w) {
    long long input = 0;
    if (w.size() < 3 || !wholeNumber(w[1], 1, 9, &input))
      return "error usage: signal <input> on|off|freq <hz>";
    const std::string what = core::toLower(w[2]);
    if (input > counter.inputCount())
      return core::format("error this model has no input %lld", input);
    if ((what == "on" || what == "off") && w.size() == 3) {
      counter.setSignalConnected(static_cast<int>(input), what == "on");
      return "ok";
    }
    if (what == "freq" && w.size() == 4) {
      bool parsed = false;
      const double hz = core::leadingDouble(w[3], &parsed);
      if (!parsed || !(hz > 0) || !std::isfinite(hz))
        return "error the frequency must be a positive number of hertz";
      counter.setSignalFrequency(static_cast<int>(input), hz);
      return "ok";
    }
    return "error usage: signal <input> on|off|freq <hz>";
  }

  std::string execute(std::string_view line) {
    const std::vector<std::string> w = words(line);
    if (w.empty()) return "error empty command";
    const std::string command = core::toLower(w.front());
    const size_t arguments = w.size() - 1;
    Faults f = counter.faults();
    long long n = 0;
    if (command == "help" && arguments == 0) return kHelp;
    if (command == "delay") {
      if (arguments != 1 || !wholeNumber(w[1], 0, kMaxDelayMs, &n))
        return core::format("error usage: delay <milliseconds 0..%lld>", kMaxDelayMs);
      f.answerDelayMs = static_cast<int>(n);
      counter.setFaults(f);
      return "ok";
    }
    if (command == "drop" && arguments == 0) {
      f.dropNextAnswer = true;
      counter.setFaults(f);
      return "ok";
    }
    if (command == "garbage" && arguments == 0) {
      f.garbageNextAnswer = true;
      counter.setFaults(f);
      return "ok";
    }
    if (command == "overlong") {
      if (arguments != 1 || !wholeNumber(w[1], 0, kMaxOverlong, &n))
        return core::format("error usage: overlong <bytes 0..%lld>", kMaxOverlong);
      f.overlongAnswer = static_cast<std::size_t>(n);
      counter.setFaults(f);
      return "ok";
    }
    if (command == "stall") {
      const std::string how = arguments == 1 ? core::toLower(w[1]) : std::string();
      if (how != "on" && how != "off") return "error usage: stall on|off";
      f.stalled = how == "on";
      counter.setFaults(f);
      return "ok";
    }
    if (command == "trigger" && arguments == 0) {
      counter.externalTrigger();
      return "ok";
    }
    if (command == "signal") return signal(w);
    if (command == "reset" && arguments == 0) {
      counter.reset();
      return "ok";
    }
    if (command == "errors?" && arguments == 0) {
      const std::vector<std::string> errors = counter.pendingErrors();
      std::string reply = core::format("ok %zu", errors.size());
      for (size_t i = 0; i < errors.size(); ++i) reply += (i ? ";" : " ") + errors[i];
      return reply;
    }
    if (command == "faults?" && arguments == 0) {
      return core::format("ok delay=%d drop=%d garbage=%d overlong=%zu stall=%d", f.answerDelayMs,
                          f.dropNextAnswer ? 1 : 0, f.garbageNextAnswer ? 1 : 0, f.overlongAnswer,
                          f.stalled ? 1 : 0);
    }
    if (command == "setting" && arguments == 1) {
      const std::string value = counter.setting(core::toUpper(w[1]));
      if (value.empty()) return "error unknown setting " + w[1];
      return "ok " + value;
    }
    if (command == "remote?" && arguments == 0) return counter.remote() ? "ok 1" : "ok 0";
    if (command == "idn?" && arguments == 0) return "ok " + counter.identification();
    if (command == "quit" && arguments == 0) return "ok";
    return "error unknown command (try help): " + w.front();
  }

  Counter& counter;
  TcpLineServer server;
};

ControlChannel::ControlChannel(Counter& counter, std::string bindAddress, std::uint16_t port)
    : impl_(std::make_unique<Impl>(counter, std::move(bindAddress), port)) {}

ControlChannel::~ControlChannel() { stop(); }

std::string ControlChannel::execute(std::string_view line) { return impl_->execute(line); }

bool ControlChannel::start(std::string* error) { return impl_->server.start(error); }

void ControlChannel::stop() { impl_->server.stop(); }

std::uint16_t ControlChannel::port() const { return impl_->server.port(); }

}  // namespace sim

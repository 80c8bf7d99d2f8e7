// v38xx-sim: a simulated V3800A or V3820A counter on loopback, reachable as a raw SCPI socket
// (and over VXI-11 when built with it), with a control channel for faults and the external
// arm input. Prints the ports it listens on as "raw-port N" lines, then "ready".

#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/text_format.h"
#include "sim/control_channel.h"
#include "sim/counter.h"
#include "sim/socket_server.h"
#ifdef V38XX_SIM_HAVE_VXI11
#include "sim/vxi11/vxi11_server.h"
#endif

namespace {

constexpr const char* kUsage =
    R"(Usage: v38xx-sim [OPTION]...
Serve a simulated V3800A or V3820A frequency counter on loopback: a raw SCPI socket and, when
asked, VXI-11. It understands the SCPI of the V38XX counters (long and short forms, any letter
case), keeps the instrument's settings and error queue, and answers readings of plausible
signals with seeded noise in the counter's format (+1.00000012345E+007). A control channel,
which is no part of the counter's command set, injects faults and fires the external arm input.

Options:
  --model V3800A|V3820A     counter model (default V3800A)
  --serial TEXT             10-character serial number (default SIM3800A01 / SIM3820A01)
  --seed N                  seed of the reading noise (default 1)
  --bind ADDRESS            address to listen on (default 127.0.0.1)
  --allow-remote            allow a --bind address other than loopback (the control channel
                            stays on 127.0.0.1)
  --raw-port N              raw SCPI socket port (default 5025; 0 picks a free one)
  --control-port N          control channel port (default 0: a free one)
  --log FILE                append every message received to FILE, one line each with a
                            timestamp, control characters written as escapes
  --vxi11-port N            serve VXI-11 on this core channel port (0 picks a free one)
  --portmapper none|serve|register
                            make the VXI-11 server findable (default none): serve answers
                            the portmapper's GETPORT itself on --portmapper-port, register
                            registers with a running rpcbind
  --portmapper-port N       port of the portmapper to serve (default 111, which needs root or
                            a network namespace of its own)
  -h, --help                show this help and exit
  --version                 show the version and exit

Output:
  The model, the identification and the chosen ports are printed as "model", "identification",
  "raw-port N", "control-port N", "vxi11-port N" and "portmapper-port N" lines, followed by
  "ready". SIGINT or SIGTERM stops the program.

Control channel:
  One command per line on the control port, one reply line each ("ok", "ok DATA" or
  "error REASON"): delay MS, drop, garbage, overlong BYTES, stall on|off, trigger,
  signal N on|off, signal N freq HZ, reset, errors?, faults?, setting KEY, remote?, idn?,
  help, quit. <prefix>/share/doc/v38xx/simulator.md describes them.

Exit status:
  0 after SIGINT or SIGTERM, 1 when a port cannot be served or the log file opened, 2 for a
  mistake on the command line.

Examples:
  v38xx-sim --model V3820A --raw-port 0 --log /tmp/scpi.log
)";

struct Options {
  sim::CounterOptions counter;
  std::string bind = "127.0.0.1";
  bool allowRemote = false;
  std::uint16_t rawPort = 5025;
  std::uint16_t controlPort = 0;
  std::string logFile;
  std::optional<std::uint16_t> vxi11Port;
  std::string portmapper = "none";
  std::uint16_t portmapperPort = 111;
};

int usageError(const std::string& message) {
  std::fprintf(stderr, "v38xx-sim: %s\n%s", message.c_str(), kUsage);
  return 2;
}

bool parsePort(const char* text, std::uint16_t* port) {
  bool parsed = false;
  const long long value = core::leadingInteger(text, &parsed);
  if (!parsed || value < 0 || value > 65535 || std::to_string(value) != text) return false;
  *port = static_cast<std::uint16_t>(value);
  return true;
}

// Parses the command line; returns -1 to go on, else the exit status.
int parseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("v38xx-sim (V38XX counter software) %s\n", V38XX_VERSION);
      return 0;
    }
    if (arg == "--allow-remote") {
      o->allowRemote = true;
      continue;
    }
    if (i + 1 >= argc) return usageError("missing value after " + arg);
    const char* value = argv[++i];
    if (arg == "--model") {
      const std::string model = core::toUpper(value);
      if (model == "V3800A")
        o->counter.model = sim::Model::V3800A;
      else if (model == "V3820A")
        o->counter.model = sim::Model::V3820A;
      else
        return usageError(std::string("unknown model ") + value + " (V3800A or V3820A)");
    } else if (arg == "--serial") {
      const std::string serial = value;
      bool ok = serial.size() == 10;
      for (char c : serial) ok = ok && std::isalnum(static_cast<unsigned char>(c));
      if (!ok) return usageError("the serial number must be 10 letters or digits");
      o->counter.serial = serial;
    } else if (arg == "--seed") {
      bool parsed = false;
      const long long seed = core::leadingInteger(value, &parsed);
      if (!parsed || seed < 0 || std::to_string(seed) != value)
        return usageError(std::string("bad seed ") + value);
      o->counter.seed = static_cast<std::uint64_t>(seed);
    } else if (arg == "--bind") {
      o->bind = value;
    } else if (arg == "--raw-port") {
      if (!parsePort(value, &o->rawPort)) return usageError(std::string("bad port ") + value);
    } else if (arg == "--control-port") {
      if (!parsePort(value, &o->controlPort)) return usageError(std::string("bad port ") + value);
    } else if (arg == "--log") {
      o->logFile = value;
    } else if (arg == "--vxi11-port") {
      std::uint16_t port = 0;
      if (!parsePort(value, &port)) return usageError(std::string("bad port ") + value);
      o->vxi11Port = port;
    } else if (arg == "--portmapper") {
      o->portmapper = core::toLower(value);
      if (o->portmapper != "none" && o->portmapper != "serve" && o->portmapper != "register")
        return usageError(std::string("bad portmapper mode ") + value);
    } else if (arg == "--portmapper-port") {
      if (!parsePort(value, &o->portmapperPort))
        return usageError(std::string("bad port ") + value);
    } else {
      return usageError("unknown option " + arg);
    }
  }
  return -1;
}

bool isLoopback(const sockaddr* address) {
  if (address->sa_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    return (ntohl(in->sin_addr.s_addr) >> 24) == 127;
  }
  if (address->sa_family == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(address);
    if (IN6_IS_ADDR_LOOPBACK(&in6->sin6_addr)) return true;
    return IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr) && in6->sin6_addr.s6_addr[12] == 127;
  }
  return false;
}

// True when every address the name stands for is a loopback address.
bool loopbackOnly(const std::string& host) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), "0", &hints, &found) != 0 || !found) return false;
  bool all = true;
  for (addrinfo* ai = found; ai; ai = ai->ai_next) all = all && isLoopback(ai->ai_addr);
  ::freeaddrinfo(found);
  return all;
}

// One line per message, with control characters written as escapes.
std::string escaped(std::string_view message) {
  std::string out;
  for (unsigned char c : message) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else if (c < 0x20 || c >= 0x7F)
      out += core::format("\\x%02X", c);
    else
      out += static_cast<char>(c);
  }
  return out;
}

std::string timestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const long long ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return core::format("%s.%03lld", text, ms);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int status = parseOptions(argc, argv, &options); status >= 0) return status;
  if (!options.allowRemote && !loopbackOnly(options.bind)) {
    std::fprintf(stderr,
                 "v38xx-sim: %s is not a loopback address; add --allow-remote to serve it\n",
                 options.bind.c_str());
    return 2;
  }
  const bool wantVxi11 = options.vxi11Port.has_value() || options.portmapper != "none";
#ifndef V38XX_SIM_HAVE_VXI11
  if (wantVxi11) {
    std::fprintf(stderr, "v38xx-sim: VXI-11 not built\n");
    return 2;
  }
#endif

  // The signals that stop the program are taken by sigwait below, never by a thread.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::unique_ptr<sim::Counter> counter;
  try {
    counter = std::make_unique<sim::Counter>(options.counter);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "v38xx-sim: %s\n", e.what());
    return 2;
  }

  std::FILE* log = nullptr;
  if (!options.logFile.empty()) {
    log = std::fopen(options.logFile.c_str(), "a");
    if (!log) {
      std::fprintf(stderr, "v38xx-sim: cannot open log file %s: %s\n", options.logFile.c_str(),
                   std::strerror(errno));
      return 1;
    }
    counter->setCommandLog([log](std::string_view message) {
      std::fprintf(log, "%s %s\n", timestamp().c_str(), escaped(message).c_str());
      std::fflush(log);
    });
  }

  std::string error;
  sim::SocketServer raw(*counter, options.bind, options.rawPort);
  if (!raw.start(&error)) {
    std::fprintf(stderr, "v38xx-sim: raw socket: %s\n", error.c_str());
    return 1;
  }
  // Fault injection is never offered beyond loopback.
  const std::string controlBind = loopbackOnly(options.bind) ? options.bind : "127.0.0.1";
  sim::ControlChannel control(*counter, controlBind, options.controlPort);
  if (!control.start(&error)) {
    std::fprintf(stderr, "v38xx-sim: control channel: %s\n", error.c_str());
    return 1;
  }
  std::printf("model %s\n", counter->model() == sim::Model::V3800A ? "V3800A" : "V3820A");
  std::printf("identification %s\n", counter->identification().c_str());
  std::printf("raw-port %u\n", static_cast<unsigned>(raw.port()));
  std::printf("control-port %u\n", static_cast<unsigned>(control.port()));

#ifdef V38XX_SIM_HAVE_VXI11
  std::unique_ptr<sim::Vxi11Server> vxi11;
  if (wantVxi11) {
    sim::Vxi11Options v;
    v.bindAddress = options.bind;
    v.port = options.vxi11Port.value_or(0);
    v.portmapPort = options.portmapperPort;
    if (options.portmapper == "serve")
      v.portmap = sim::Vxi11Options::Portmap::Serve;
    else if (options.portmapper == "register")
      v.portmap = sim::Vxi11Options::Portmap::Register;
    vxi11 = std::make_unique<sim::Vxi11Server>(*counter, v);
    if (!vxi11->start(&error)) {
      std::fprintf(stderr, "v38xx-sim: VXI-11: %s\n", error.c_str());
      return 1;
    }
    std::printf("vxi11-port %u\n", static_cast<unsigned>(vxi11->port()));
    if (vxi11->portmapPort() != 0)
      std::printf("portmapper-port %u\n", static_cast<unsigned>(vxi11->portmapPort()));
  }
#endif
  std::printf("ready\n");
  std::fflush(stdout);

  int received = 0;
  sigwait(&stopSignals, &received);

#ifdef V38XX_SIM_HAVE_VXI11
  if (vxi11) vxi11->stop();
#endif
  control.stop();
  raw.stop();
  counter->setCommandLog({});
  if (log) std::fclose(log);
  return 0;
}

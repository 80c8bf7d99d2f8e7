// Round trips of "*IDN?" against the simulated counter on loopback, served in this process over
// the raw SCPI socket and over VXI-11 (with its portmapper on a free port):
//   BareSocketLoop       a blocking write/read loop on a plain socket: the floor
//   BuiltinRawSocket     viWrite/viRead of the builtin VISA on TCPIP::127.0.0.1::<port>::SOCKET
//   BuiltinVxi11         the same on TCPIP::127.0.0.1::inst0::INSTR
//   Vxi11Transport       the VXI-11 transport alone, without the library around it
//   PyvisaPyRawSocket    pyvisa-py ('@py') in a child process, timed by the child
//   LxiRawSocket         `lxi benchmark -r`, its own requests/second
// Every entry reports items_per_second = queries per second of wall-clock time.

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "sim/counter.h"
#include "sim/socket_server.h"
#include "sim/vxi11/vxi11_server.h"
#include "visa/builtin_library.h"
#include "visa/vxi11/vxi11_transport.h"

namespace {

using namespace std::chrono_literals;

const std::string kQuery = "*IDN?\n";
constexpr int kExternalQueries = 2000;

// One counter served over both protocols for the whole run.
struct Servers {
  Servers() : socket(counter), vxi11(counter, vxi11Options()) {
    std::string error;
    if (!socket.start(&error) || !vxi11.start(&error)) throw std::runtime_error(error);
    expected = counter.identification() + "\n";
  }
  static sim::Vxi11Options vxi11Options() {
    sim::Vxi11Options o;
    o.portmap = sim::Vxi11Options::Portmap::Serve;
    o.portmapPort = 0;
    return o;
  }
  sim::Counter counter;
  sim::SocketServer socket;
  sim::Vxi11Server vxi11;
  std::string expected;
};

Servers& servers() {
  static Servers s;
  return s;
}

void checkAnswer(benchmark::State& state, const std::string& answer) {
  if (answer != servers().expected) state.SkipWithError(("unexpected answer: " + answer).c_str());
}

void BareSocketLoop(benchmark::State& state) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(servers().socket.port());
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    state.SkipWithError("cannot connect");
    return;
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  char buffer[256];
  std::string answer;
  for (auto _ : state) {
    ::send(fd, kQuery.data(), kQuery.size(), MSG_NOSIGNAL);
    answer.clear();
    while (answer.empty() || answer.back() != '\n') {
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      answer.append(buffer, static_cast<std::size_t>(n));
    }
  }
  checkAnswer(state, answer);
  state.SetItemsProcessed(state.iterations());
  ::close(fd);
}

void builtinLoop(benchmark::State& state, const std::string& resource, std::uint16_t portmapper) {
  visa::BuiltinOptions options;
  options.simulate = false;
  options.vxi11PortmapperPort = portmapper;
  visa::BuiltinLibrary library(options);
  ViSession rm = 0, session = 0;
  if (library.viOpenDefaultRM(&rm) != VI_SUCCESS ||
      library.viOpen(rm, resource.c_str(), VI_NO_LOCK, 0, &session) != VI_SUCCESS) {
    state.SkipWithError(("cannot open " + resource).c_str());
    return;
  }
  ViByte buffer[256];
  ViUInt32 count = 0;
  for (auto _ : state) {
    library.viWrite(session, reinterpret_cast<const ViByte*>(kQuery.data()),
                    static_cast<ViUInt32>(kQuery.size()), &count);
    library.viRead(session, buffer, sizeof buffer, &count);
  }
  checkAnswer(state, std::string(buffer, buffer + count));
  state.SetItemsProcessed(state.iterations());
  library.viClose(session);
  library.viClose(rm);
}

void BuiltinRawSocket(benchmark::State& state) {
  builtinLoop(state, "TCPIP::127.0.0.1::" + std::to_string(servers().socket.port()) + "::SOCKET",
              111);
}

void BuiltinVxi11(benchmark::State& state) {
  builtinLoop(state, "TCPIP::127.0.0.1::inst0::INSTR", servers().vxi11.portmapPort());
}

void Vxi11Transport(benchmark::State& state) {
  visa::ResourceName name;
  name.host = "127.0.0.1";
  ViStatus status;
  auto transport = visa::openVxi11Transport(name, servers().vxi11.portmapPort(), 5000ms, &status);
  if (!transport) {
    state.SkipWithError("cannot open the VXI-11 link");
    return;
  }
  ViByte buffer[256];
  ViUInt32 count = 0;
  for (auto _ : state) {
    transport->write(reinterpret_cast<const ViByte*>(kQuery.data()),
                     static_cast<ViUInt32>(kQuery.size()), &count, 2000ms);
    transport->read(buffer, sizeof buffer, &count, 2000ms);
  }
  checkAnswer(state, std::string(buffer, buffer + count));
  state.SetItemsProcessed(state.iterations());
}

// Runs a client program that makes kExternalQueries queries; `seconds` extracts the time they
// took from its output. Each iteration is one batch, timed by the client itself.
template <typename Seconds>
void externalBatch(benchmark::State& state, const std::string& command, Seconds seconds) {
  for (auto _ : state) {
    FILE* pipe = ::popen(("timeout 120 " + command + " 2>&1").c_str(), "r");
    std::string output;
    char buffer[4096];
    std::size_t n;
    while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int status = pipe ? ::pclose(pipe) : -1;
    double elapsed = status == 0 ? seconds(output) : 0.0;
    if (elapsed <= 0.0) {
      state.SkipWithError(("client failed: " + command + "\n" + output).c_str());
      return;
    }
    state.SetIterationTime(elapsed);
  }
  state.SetItemsProcessed(state.iterations() * kExternalQueries);
}

void PyvisaPyRawSocket(benchmark::State& state) {
  const std::string script =
      "import sys, time, pyvisa\n"
      "rm = pyvisa.ResourceManager('@py')\n"
      "i = rm.open_resource(sys.argv[1])\n"
      "i.read_termination = '\\n'; i.write_termination = '\\n'; i.timeout = 5000\n"
      "i.query('*IDN?')\n"
      "n = int(sys.argv[2]); t = time.perf_counter()\n"
      "for _ in range(n): i.query('*IDN?')\n"
      "print(time.perf_counter() - t)\n";
  const std::string resource =
      "TCPIP::127.0.0.1::" + std::to_string(servers().socket.port()) + "::SOCKET";
  externalBatch(
      state,
      "/usr/bin/python3 -c \"" + script + "\" " + resource + " " + std::to_string(kExternalQueries),
      [](const std::string& out) { return std::atof(out.c_str()); });
}

void LxiRawSocket(benchmark::State& state) {
  externalBatch(state,
                "lxi benchmark -r -a 127.0.0.1 -p " + std::to_string(servers().socket.port()) +
                    " -c " + std::to_string(kExternalQueries),
                [](const std::string& out) {
                  // "... Result: 38608.4 requests/second"
                  auto at = out.rfind("Result:");
                  double rate = at == std::string::npos ? 0.0 : std::atof(out.c_str() + at + 7);
                  return rate > 0.0 ? kExternalQueries / rate : 0.0;
                });
}

BENCHMARK(BareSocketLoop)->MinTime(1.0)->UseRealTime();
BENCHMARK(BuiltinRawSocket)->MinTime(1.0)->UseRealTime();
BENCHMARK(BuiltinVxi11)->MinTime(1.0)->UseRealTime();
BENCHMARK(Vxi11Transport)->MinTime(1.0)->UseRealTime();
BENCHMARK(PyvisaPyRawSocket)->Iterations(3)->UseManualTime();
BENCHMARK(LxiRawSocket)->Iterations(3)->UseManualTime();

}  // namespace

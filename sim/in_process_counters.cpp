#include "sim/in_process_counters.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "core/text_format.h"
#include "visa/builtin_library.h"
#include "visa/deadline.h"
#include "visa/resource_name.h"

namespace sim {

namespace {

constexpr std::uint16_t kVendorId = 0x2B7A;
constexpr visa::Transport::Timeout kInterruptCheck{20};

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// One VISA session to a simulated counter: a link of its own.
class SimTransport final : public visa::Transport {
 public:
  explicit SimTransport(Counter& counter) : counter_(counter), link_(counter.openLink()) {}
  ~SimTransport() override { counter_.closeLink(link_); }

  ViStatus write(const ViByte* data, ViUInt32 count, ViUInt32* written, Timeout) override {
    counter_.write(link_, std::string_view(reinterpret_cast<const char*>(data), count));
    if (written) *written = count;
    return VI_SUCCESS;
  }

  ViStatus read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) override {
    if (got) *got = 0;
    if (pending_.empty()) {
      const visa::Deadline deadline(timeout);
      while (true) {
        // Short waits, so that a device clear from another thread ends the read soon.
        if (interrupted()) return VI_ERROR_ABORT;
        const auto wait = std::min<Timeout>(deadline.remaining(), kInterruptCheck);
        ReadResult r = counter_.read(link_, wait);
        if (r.status == ReadResult::Status::Ok) {
          pending_ = std::move(r.data);
          break;
        }
        if (r.status == ReadResult::Status::ConnectionLost) return VI_ERROR_CONN_LOST;
        if (deadline.expired()) return VI_ERROR_TMO;
      }
    }
    const size_t n = std::min<size_t>(count, pending_.size());
    std::memcpy(buffer, pending_.data(), n);
    pending_.erase(0, n);
    if (got) *got = static_cast<ViUInt32>(n);
    return pending_.empty() ? VI_SUCCESS : VI_SUCCESS_MAX_CNT;
  }

  ViStatus clear(Timeout) override {
    counter_.clear(link_);
    pending_.clear();
    return VI_SUCCESS;
  }

  ViStatus controlRen(ViUInt16 mode) override {
    // The modes that end in go-to-local return the counter to local; the others only address
    // it or assert REN, which it shows by staying remote.
    if (mode == VI_GPIB_REN_DEASSERT_GTL || mode == VI_GPIB_REN_ADDRESS_GTL ||
        mode == VI_GPIB_REN_DEASSERT)
      counter_.goToLocal();
    return VI_SUCCESS;
  }

 private:
  Counter& counter_;
  const Counter::LinkId link_;
  std::string pending_;  // rest of the answer message being read
};

}  // namespace

InProcessCounters::InProcessCounters(const visa::SimulationSettings& settings) {
  std::map<Model, int> perModel;
  for (const std::string& name : settings.models) {
    CounterOptions o;
    if (equalsNoCase(name, "V3800A")) {
      o.model = Model::V3800A;
    } else if (equalsNoCase(name, "V3820A")) {
      o.model = Model::V3820A;
    } else {
      continue;
    }
    const int index = ++perModel[o.model];
    if (index > 1)
      o.serial = core::format("%s%02d", o.model == Model::V3800A ? "SIM3800A" : "SIM3820A", index);
    o.seed = settings.seed + counters_.size();
    counters_.push_back(std::make_unique<Counter>(o));
  }
}

std::vector<std::string> InProcessCounters::resourceNames() const {
  std::vector<std::string> names;
  for (const auto& c : counters_) names.push_back(c->usbResourceName());
  return names;
}

Counter* InProcessCounters::counterFor(const visa::ResourceName& name) const {
  if (name.interface != visa::InterfaceType::Usb || name.vendorId != kVendorId) return nullptr;
  if (name.usbInterface > 0) return nullptr;
  for (const auto& c : counters_) {
    const std::uint16_t product = c->model() == Model::V3800A ? 0x0ED8 : 0x0EEC;
    if (name.productId == product && equalsNoCase(name.serial, c->serial())) return c.get();
  }
  return nullptr;
}

std::unique_ptr<visa::Transport> InProcessCounters::open(const visa::ResourceName& name) {
  Counter* c = counterFor(name);
  if (!c) return nullptr;
  return std::make_unique<SimTransport>(*c);
}

Counter* InProcessCounters::counter(std::string_view resourceName) const {
  const visa::ParseResult parsed = visa::parseResourceName(resourceName);
  return parsed.name ? counterFor(*parsed.name) : nullptr;
}

void registerInProcessCounters() {
  visa::registerSimulationProvider([](const visa::SimulationSettings& settings) {
    return std::make_shared<InProcessCounters>(settings);
  });
}

Counter* simulatedCounter(const visa::BuiltinLibrary& library, std::string_view resourceName) {
  const auto* counters = dynamic_cast<const InProcessCounters*>(library.inProcessInstruments());
  return counters ? counters->counter(resourceName) : nullptr;
}

}  // namespace sim

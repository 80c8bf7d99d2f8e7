#include "visa/transport_gpib.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <mutex>

namespace visa {

// The linux-gpib entry points this transport uses (declared as in its <gpib/ib.h>).
struct GpibApi {
  int (*ibdev)(int board, int pad, int sad, int timo, int sendEoi, int eos) = nullptr;
  int (*ibonl)(int ud, int online) = nullptr;
  int (*ibwrt)(int ud, const void* buffer, long count) = nullptr;
  int (*ibrd)(int ud, void* buffer, long count) = nullptr;
  int (*ibclr)(int ud) = nullptr;
  int (*ibtmo)(int ud, int code) = nullptr;
  int (*ibloc)(int ud) = nullptr;
  int (*ibsre)(int ud, int value) = nullptr;
  int (*ibrsp)(int ud, char* pollByte) = nullptr;
  int (*ibtrg)(int ud) = nullptr;
  int (*ibcmd)(int ud, const void* commands, long count) = nullptr;
  int (*threadIbsta)() = nullptr;
  int (*threadIberr)() = nullptr;
  long (*threadIbcntl)() = nullptr;
  void (*findLstn)(int board, const unsigned short* pads, unsigned short* found,
                   int limit) = nullptr;
};

namespace {

constexpr int kErr = 0x8000;   // ibsta ERR
constexpr int kTimo = 0x4000;  // ibsta TIMO
constexpr int kEnd = 0x2000;   // ibsta END
constexpr int kEnol = 2;       // iberr: no listeners
constexpr int kEabo = 6;       // iberr: I/O aborted (time-out)
constexpr unsigned short kNoAddress = 0xFFFF;
constexpr char kLocalLockout = 0x11;  // LLO, universal command

// linux-gpib time-out codes T10us (1) .. T1000s (17) and their lengths in microseconds.
constexpr long long kTimeoutMicros[] = {
    10,     30,      100,     300,      1000,     3000,      10000,     30000,     100000,
    300000, 1000000, 3000000, 10000000, 30000000, 100000000, 300000000, 1000000000};

int timeoutCode(Transport::Timeout timeout) {
  if (timeout >= std::chrono::hours(24)) return 0;  // TNONE: wait for ever
  const long long micros = timeout.count() * 1000;
  for (int i = 0; i < static_cast<int>(std::size(kTimeoutMicros)); ++i) {
    if (kTimeoutMicros[i] >= micros) return i + 1;
  }
  return static_cast<int>(std::size(kTimeoutMicros));
}

template <typename F>
bool bind(void* handle, const char* symbol, F* out) {
  *out = reinterpret_cast<F>(::dlsym(handle, symbol));
  return *out != nullptr;
}

}  // namespace

const GpibApi* loadGpibApi(const std::string& libraryName, std::string* error) {
  static std::mutex mutex;
  static std::map<std::string, std::pair<std::unique_ptr<GpibApi>, std::string>> loaded;
  std::lock_guard lock(mutex);
  auto it = loaded.find(libraryName);
  if (it == loaded.end()) {
    auto api = std::make_unique<GpibApi>();
    std::string why;
    void* handle = ::dlopen(libraryName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* e = ::dlerror();
      why = e ? e : "cannot be loaded";
    } else if (!bind(handle, "ibdev", &api->ibdev) || !bind(handle, "ibonl", &api->ibonl) ||
               !bind(handle, "ibwrt", &api->ibwrt) || !bind(handle, "ibrd", &api->ibrd) ||
               !bind(handle, "ibclr", &api->ibclr) || !bind(handle, "ibtmo", &api->ibtmo) ||
               !bind(handle, "ibloc", &api->ibloc) || !bind(handle, "ibsre", &api->ibsre) ||
               !bind(handle, "ibrsp", &api->ibrsp) || !bind(handle, "ibtrg", &api->ibtrg) ||
               !bind(handle, "ibcmd", &api->ibcmd) ||
               !bind(handle, "ThreadIbsta", &api->threadIbsta) ||
               !bind(handle, "ThreadIberr", &api->threadIberr) ||
               !bind(handle, "ThreadIbcntl", &api->threadIbcntl) ||
               !bind(handle, "FindLstn", &api->findLstn)) {
      why = libraryName + " lacks the linux-gpib functions this program needs";
      ::dlclose(handle);
    }
    if (!why.empty()) api.reset();
    it = loaded.emplace(libraryName, std::make_pair(std::move(api), why)).first;
  }
  if (!it->second.first && error)
    *error = "GPIB support needs linux-gpib (" + libraryName + "): " + it->second.second;
  return it->second.first.get();
}

std::vector<std::string> listGpibInstruments(const GpibApi& api, const std::string& deviceDir) {
  std::vector<std::string> names;
  for (int board = 0; board < 16; ++board) {
    std::error_code ec;
    if (!std::filesystem::exists(
            std::filesystem::path(deviceDir) / ("gpib" + std::to_string(board)), ec))
      continue;
    unsigned short pads[32];
    int n = 0;
    for (unsigned short pad = 1; pad <= 30; ++pad) pads[n++] = pad;
    pads[n] = kNoAddress;
    unsigned short found[32];
    std::fill(std::begin(found), std::end(found), kNoAddress);
    api.findLstn(board, pads, found, 31);
    if (api.threadIbsta() & kErr) continue;
    const long count = std::min<long>(api.threadIbcntl(), 31);
    for (long i = 0; i < count && found[i] != kNoAddress; ++i) {
      const int pad = found[i] & 0xFF;
      const int sad = (found[i] >> 8) & 0xFF;
      std::string name = "GPIB" + std::to_string(board) + "::" + std::to_string(pad);
      if (sad >= 0x60) name += "::" + std::to_string(sad - 0x60);
      names.push_back(name + "::INSTR");
    }
  }
  return names;
}

std::unique_ptr<GpibTransport> GpibTransport::open(const GpibApi& api, const ResourceName& name,
                                                   Timeout timeout, ViStatus* status,
                                                   std::string* error) {
  const int sad = name.secondaryAddress >= 0 ? 0x60 + name.secondaryAddress : 0;
  const int ud = api.ibdev(name.board, name.primaryAddress, sad, timeoutCode(timeout), 1, 0);
  if (ud < 0) {
    if (status) *status = VI_ERROR_RSRC_NFOUND;
    if (error)
      *error = "linux-gpib cannot open board " + std::to_string(name.board) + " address " +
               std::to_string(name.primaryAddress) + " (iberr " +
               std::to_string(api.threadIberr()) + ")";
    return nullptr;
  }
  if (status) *status = VI_SUCCESS;
  return std::unique_ptr<GpibTransport>(new GpibTransport(api, ud, name.board));
}

GpibTransport::~GpibTransport() { api_.ibonl(ud_, 0); }

void GpibTransport::setTimeout(Timeout timeout) {
  const int code = timeoutCode(timeout);
  if (code == timeoutCode_) return;
  api_.ibtmo(ud_, code);
  timeoutCode_ = code;
}

ViStatus GpibTransport::failure() const {
  const int sta = api_.threadIbsta();
  const int err = api_.threadIberr();
  if ((sta & kTimo) || err == kEabo) return VI_ERROR_TMO;
  if (err == kEnol) return VI_ERROR_NLISTENERS;
  return VI_ERROR_IO;
}

ViStatus GpibTransport::write(const ViByte* data, ViUInt32 count, ViUInt32* written,
                              Timeout timeout) {
  setTimeout(timeout);
  const int sta = api_.ibwrt(ud_, data, static_cast<long>(count));
  if (written) *written = static_cast<ViUInt32>(std::max<long>(0, api_.threadIbcntl()));
  return (sta & kErr) ? failure() : VI_SUCCESS;
}

ViStatus GpibTransport::read(ViByte* buffer, ViUInt32 count, ViUInt32* got, Timeout timeout) {
  setTimeout(timeout);
  const int sta = api_.ibrd(ud_, buffer, static_cast<long>(count));
  const auto n = static_cast<ViUInt32>(std::clamp<long>(api_.threadIbcntl(), 0, count));
  if (got) *got = n;
  if (sta & kErr) return failure();
  if (sta & kEnd) return VI_SUCCESS;
  return n == count ? VI_SUCCESS_MAX_CNT : VI_SUCCESS;
}

ViStatus GpibTransport::clear(Timeout timeout) {
  setTimeout(timeout);
  return (api_.ibclr(ud_) & kErr) ? failure() : VI_SUCCESS;
}

ViStatus GpibTransport::controlRen(ViUInt16 mode) {
  int sta = 0;
  switch (mode) {
    case VI_GPIB_REN_DEASSERT:
      sta = api_.ibsre(board_, 0);
      break;
    case VI_GPIB_REN_ASSERT:
    case VI_GPIB_REN_ASSERT_ADDRESS:
      sta = api_.ibsre(board_, 1);
      break;
    case VI_GPIB_REN_ASSERT_LLO:
    case VI_GPIB_REN_ASSERT_ADDRESS_LLO:
      sta = api_.ibsre(board_, 1);
      if (!(sta & kErr)) sta = api_.ibcmd(board_, &kLocalLockout, 1);
      break;
    case VI_GPIB_REN_DEASSERT_GTL:
      sta = api_.ibloc(ud_);
      if (!(sta & kErr)) sta = api_.ibsre(board_, 0);
      break;
    case VI_GPIB_REN_ADDRESS_GTL:
      sta = api_.ibloc(ud_);
      break;
    default:
      return VI_ERROR_INV_MODE;
  }
  return (sta & kErr) ? failure() : VI_SUCCESS;
}

ViStatus GpibTransport::readStatusByte(ViUInt16* status, Timeout timeout) {
  setTimeout(timeout);
  char byte = 0;
  if (api_.ibrsp(ud_, &byte) & kErr) return failure();
  if (status) *status = static_cast<unsigned char>(byte);
  return VI_SUCCESS;
}

ViStatus GpibTransport::assertTrigger(Timeout timeout) {
  setTimeout(timeout);
  return (api_.ibtrg(ud_) & kErr) ? failure() : VI_SUCCESS;
}

}  // namespace visa

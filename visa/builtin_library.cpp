#include "visa/builtin_library.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <unistd.h>
#include <condition_variable>
#include <map>
#include <mutex>

#include "core/text_format.h"
#include "visa/deadline.h"
#include "visa/resource_name.h"
#include "visa/search_expression.h"
#include "visa/status_text.h"
#include "visa/transport_gpib.h"
#include "visa/transport_socket.h"
#include "visa/transport_usbtmc.h"

#if defined(V38XX_VISA_WITH_VXI11) && __has_include("visa/vxi11/vxi11_transport.h")
#include "visa/vxi11/vxi11_transport.h"
#define V38XX_VISA_HAS_VXI11 1
#endif

namespace visa {

namespace {

constexpr ViUInt32 kDefaultTimeoutMs = 2000;
constexpr ViVersion kSpecVersion = 0x00500800;  // VISA 5.8
constexpr ViVersion kImplementationVersion = 0x00100102;
constexpr ViUInt16 kNoSecondaryAddress = 0xFFFF;
constexpr const char* kManufacturerName = "V38XX builtin VISA";

void copyText(char* destination, std::string_view text) {
  if (!destination) return;
  const size_t n = std::min<size_t>(text.size(), VI_FIND_BUFLEN - 1);
  std::memcpy(destination, text.data(), n);
  destination[n] = '\0';
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

Transport::Timeout sessionTimeout(ViUInt32 ms) {
  if (ms == VI_TMO_INFINITE) return Transport::Timeout::max();
  return Transport::Timeout(ms);
}

}  // namespace

struct BuiltinLibrary::Impl {
  struct ResourceManager {
    ViUInt32 timeoutMs = kDefaultTimeoutMs;
  };
  struct FindList {
    ViSession rm = VI_NULL;
    std::vector<std::string> names;
    size_t next = 1;  // the first name was returned by viFindRsrc
  };
  struct Session {
    ViSession rm = VI_NULL;
    ResourceName name;
    std::string lockName;  // the resource's name in the lock table
    std::unique_ptr<Transport> transport;
    // Attributes, guarded by Impl::mutex.
    ViUInt32 timeoutMs = kDefaultTimeoutMs;
    ViUInt8 termChar = '\n';
    bool termCharEnabled = false;
    // I/O state, guarded by io.
    std::mutex io;
    bool clearBeforeWrite = false;  // the last transfer failed; an old answer may still come
    std::string carry;              // bytes after a termination character, for the next read
    bool carryEndsMessage = false;
  };
  struct Detail {
    ViStatus status = VI_SUCCESS;
    std::string text;
  };
  // The locks on one resource: at most one session holds it exclusively; any number hold it
  // shared with one key. Counts are the nesting depths.
  struct ResourceLock {
    ViSession exclusive = VI_NULL;
    int exclusiveDepth = 0;
    std::string sharedKey;
    std::map<ViSession, int> shared;
    bool empty() const { return exclusive == VI_NULL && shared.empty(); }
  };

  BuiltinOptions options;
  std::shared_ptr<InProcessInstruments> inProcess;

  mutable std::mutex mutex;
  ViObject nextId = 0x100;
  std::map<ViObject, ResourceManager> managers;
  std::map<ViObject, FindList> findLists;
  std::map<ViObject, std::shared_ptr<Session>> sessions;
  std::map<ViObject, Detail> details;
  std::map<std::string, ResourceLock> locks;  // guarded by mutex
  std::condition_variable lockReleased;
  std::uint64_t nextKey = 1;

  // Whether `session` may do I/O on its resource; called with `mutex` held.
  bool mayAccess(ViSession session, const std::string& resource) const {
    const auto it = locks.find(resource);
    if (it == locks.end()) return true;
    const ResourceLock& l = it->second;
    if (l.exclusive != VI_NULL) return l.exclusive == session;
    return l.shared.empty() || l.shared.count(session) > 0;
  }

  // The session for an I/O operation: as session(), and VI_ERROR_RSRC_LOCKED when another
  // session holds a lock that keeps it out.
  ViStatus ioSession(ViObject object, std::shared_ptr<Session>* out, ViUInt32* timeoutMs = nullptr,
                     ViUInt8* termChar = nullptr, bool* termCharEnabled = nullptr) const {
    const ViStatus st = session(object, out, timeoutMs, termChar, termCharEnabled);
    if (st != VI_SUCCESS) return st;
    std::lock_guard lock(mutex);
    return mayAccess(object, (*out)->lockName) ? VI_SUCCESS : VI_ERROR_RSRC_LOCKED;
  }

  // Drops every lock `session` holds; called with `mutex` held.
  void releaseLocks(ViSession session, const std::string& resource) {
    const auto it = locks.find(resource);
    if (it == locks.end()) return;
    ResourceLock& l = it->second;
    if (l.exclusive == session) {
      l.exclusive = VI_NULL;
      l.exclusiveDepth = 0;
    }
    l.shared.erase(session);
    if (l.shared.empty()) l.sharedKey.clear();
    if (l.empty()) locks.erase(it);
    lockReleased.notify_all();
  }

  ViObject newId() {
    ViObject id = nextId++;
    if (nextId == 0xFFFFFFFFu) nextId = 0x100;
    return id;
  }

  // Remembers why `status` happened on `object`, for viStatusDesc; an empty text forgets it.
  void explain(ViObject object, ViStatus status, std::string text) {
    std::lock_guard lock(mutex);
    if (text.empty()) {
      details.erase(object);
    } else {
      details[object] = {status, std::move(text)};
    }
  }

  enum class Kind { None, Manager, Find, Session };
  Kind kindOf(ViObject object) const {
    if (managers.count(object)) return Kind::Manager;
    if (findLists.count(object)) return Kind::Find;
    if (sessions.count(object)) return Kind::Session;
    return Kind::None;
  }

  // The session for an operation on instruments: VI_ERROR_INV_OBJECT when `object` is not
  // open, VI_ERROR_NSUP_OPER when it is a resource manager or find list.
  ViStatus session(ViObject object, std::shared_ptr<Session>* out, ViUInt32* timeoutMs = nullptr,
                   ViUInt8* termChar = nullptr, bool* termCharEnabled = nullptr) const {
    std::lock_guard lock(mutex);
    auto it = sessions.find(object);
    if (it == sessions.end())
      return kindOf(object) == Kind::None ? VI_ERROR_INV_OBJECT : VI_ERROR_NSUP_OPER;
    *out = it->second;
    if (timeoutMs) *timeoutMs = it->second->timeoutMs;
    if (termChar) *termChar = it->second->termChar;
    if (termCharEnabled) *termCharEnabled = it->second->termCharEnabled;
    return VI_SUCCESS;
  }

  ViStatus manager(ViObject object) const {
    std::lock_guard lock(mutex);
    if (managers.count(object)) return VI_SUCCESS;
    return kindOf(object) == Kind::None ? VI_ERROR_INV_OBJECT : VI_ERROR_NSUP_OPER;
  }

  // Every resource viFindRsrc can list, in the order TCP/IP, GPIB, USB, simulated.
  std::vector<std::string> allResources() const {
    std::vector<std::string> names;
    for (const auto& text : options.lanResources) {
      const ParseResult parsed = parseResourceName(text);
      if (parsed.name && parsed.name->interface == InterfaceType::Tcpip)
        names.push_back(parsed.name->canonical());
    }
    if (const GpibApi* api = loadGpibApi(options.gpibLibrary)) {
      for (auto& n : listGpibInstruments(*api, options.deviceDir)) names.push_back(std::move(n));
    }
    for (const auto& d : listUsbtmcDevices(options.usbtmcSysfsDir, options.deviceDir))
      names.push_back(d.resourceName());
    if (inProcess) {
      for (auto& n : inProcess->resourceNames()) names.push_back(std::move(n));
    }
    // One entry per resource, in first-seen order.
    std::vector<std::string> unique;
    for (auto& n : names) {
      const bool seen = std::any_of(unique.begin(), unique.end(),
                                    [&](const std::string& u) { return equalsNoCase(u, n); });
      if (!seen) unique.push_back(std::move(n));
    }
    return unique;
  }

  std::unique_ptr<Transport> openTransport(const ResourceName& name, ViStatus* status,
                                           std::string* why) {
    if (inProcess) {
      if (auto transport = inProcess->open(name)) {
        *status = VI_SUCCESS;
        return transport;
      }
    }
    switch (name.interface) {
      case InterfaceType::Tcpip:
        if (name.resourceClass == ResourceClass::Socket)
          return SocketTransport::open(name.host, name.port, options.connectTimeout, status, why);
#ifdef V38XX_VISA_HAS_VXI11
        {
          auto t =
              openVxi11Transport(name, options.vxi11PortmapperPort, options.connectTimeout, status);
          if (!t && why)
            *why = "no VXI-11 instrument answers as " + name.canonical() + " (portmapper port " +
                   std::to_string(options.vxi11PortmapperPort) + ")";
          return t;
        }
#else
        *status = VI_ERROR_RSRC_NFOUND;
        *why = "VXI-11 (TCPIP INSTR) resources are not supported by this build";
        return nullptr;
#endif
      case InterfaceType::Usb: {
        for (const auto& d : listUsbtmcDevices(options.usbtmcSysfsDir, options.deviceDir)) {
          if (d.matches(name)) return UsbtmcTransport::open(d.devicePath, status, why);
        }
        *status = VI_ERROR_RSRC_NFOUND;
        *why = core::format("no USBTMC device with vendor 0x%04X, product 0x%04X and serial ",
                            name.vendorId, name.productId) +
               name.serial + " is attached";
        return nullptr;
      }
      case InterfaceType::Gpib:
        break;
    }
    const GpibApi* api = loadGpibApi(options.gpibLibrary, why);
    if (!api) {
      *status = VI_ERROR_LIBRARY_NFOUND;
      return nullptr;
    }
    return GpibTransport::open(*api, name, Transport::Timeout(kDefaultTimeoutMs), status, why);
  }

  // Reads into buffer[0..count): from the bytes left after a termination character first,
  // then from the transport; stops at the end of the message, a full count, or (when
  // enabled) the termination character.
  static ViStatus readMessage(Session& s, ViByte* buffer, ViUInt32 count, ViUInt32* total,
                              Transport::Timeout timeout, ViUInt8 termChar, bool termCharEnabled) {
    *total = 0;
    const auto start = std::chrono::steady_clock::now();
    if (count == 0) return VI_SUCCESS_MAX_CNT;
    while (true) {
      ViUInt32 got = 0;
      bool ended;
      ViStatus st = VI_SUCCESS;
      ViByte* chunk = buffer + *total;
      if (!s.carry.empty()) {
        got = static_cast<ViUInt32>(std::min<size_t>(s.carry.size(), count - *total));
        std::memcpy(chunk, s.carry.data(), got);
        s.carry.erase(0, got);
        ended = s.carry.empty() && s.carryEndsMessage;
      } else {
        Transport::Timeout left = timeout;
        if (timeout != Transport::Timeout::max()) {
          const auto spent = std::chrono::duration_cast<Transport::Timeout>(
              std::chrono::steady_clock::now() - start);
          left = std::max(Transport::Timeout::zero(), timeout - spent);
        }
        st = s.transport->read(chunk, count - *total, &got, left);
        ended = st == VI_SUCCESS;
      }
      if (termCharEnabled) {
        if (const void* hit = std::memchr(chunk, termChar, got)) {
          // The termination character satisfies the read; what follows it is kept for the
          // next read, with the end-of-message mark that came with it.
          const auto used = static_cast<ViUInt32>(static_cast<const ViByte*>(hit) - chunk) + 1;
          if (used < got) {
            s.carry.insert(0, reinterpret_cast<const char*>(chunk + used), got - used);
            if (s.carry.size() == got - used) s.carryEndsMessage = ended;
            ended = false;
          }
          *total += used;
          return ended ? VI_SUCCESS : VI_SUCCESS_TERM_CHAR;
        }
      }
      *total += got;
      if (st < 0) return st;
      if (ended) return VI_SUCCESS;
      if (*total >= count) return VI_SUCCESS_MAX_CNT;
    }
  }
};

BuiltinLibrary::BuiltinLibrary(BuiltinOptions options) : impl_(std::make_unique<Impl>()) {
  impl_->options = std::move(options);
  const BuiltinOptions& o = impl_->options;
  if (o.instruments) {
    impl_->inProcess = o.instruments;
  } else if (o.simulate) {
    if (const SimulationProvider provider = simulationProvider())
      impl_->inProcess = provider({o.simulate, o.simulatedModels, o.simulationSeed});
  }
}

BuiltinLibrary::~BuiltinLibrary() = default;

const BuiltinOptions& BuiltinLibrary::options() const { return impl_->options; }

InProcessInstruments* BuiltinLibrary::inProcessInstruments() const {
  return impl_->inProcess.get();
}

ViStatus BuiltinLibrary::checkObject(ViObject object) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->kindOf(object) == Impl::Kind::None ? VI_ERROR_INV_OBJECT : VI_SUCCESS;
}

ViStatus BuiltinLibrary::viOpenDefaultRM(ViSession* resourceManager) {
  if (!resourceManager) return VI_ERROR_USER_BUF;
  std::lock_guard lock(impl_->mutex);
  const ViObject id = impl_->newId();
  impl_->managers[id] = {};
  *resourceManager = id;
  return VI_SUCCESS;
}

ViStatus BuiltinLibrary::viFindRsrc(ViSession resourceManager, const char* expression,
                                    ViFindList* list, ViUInt32* count, char* firstDescriptor) {
  if (list) *list = VI_NULL;
  if (count) *count = 0;
  if (const ViStatus st = impl_->manager(resourceManager); st != VI_SUCCESS) return st;
  impl_->explain(resourceManager, VI_SUCCESS, "");
  if (!expression) return VI_ERROR_INV_EXPR;
  SearchExpression compiled;
  std::string why;
  if (SearchExpression::compile(expression, &compiled, &why) != VI_SUCCESS) {
    impl_->explain(resourceManager, VI_ERROR_INV_EXPR, why);
    return VI_ERROR_INV_EXPR;
  }
  std::vector<std::string> found;
  for (auto& name : impl_->allResources()) {
    if (compiled.matches(name)) found.push_back(std::move(name));
  }
  if (found.empty()) return VI_ERROR_RSRC_NFOUND;

  std::lock_guard lock(impl_->mutex);
  if (!impl_->managers.count(resourceManager)) return VI_ERROR_INV_OBJECT;
  copyText(firstDescriptor, found.front());
  if (count) *count = static_cast<ViUInt32>(found.size());
  const ViObject id = impl_->newId();
  impl_->findLists[id] = {resourceManager, std::move(found), 1};
  if (list) *list = id;
  return VI_SUCCESS;
}

ViStatus BuiltinLibrary::viFindNext(ViFindList list, char* descriptor) {
  std::lock_guard lock(impl_->mutex);
  auto it = impl_->findLists.find(list);
  if (it == impl_->findLists.end())
    return impl_->kindOf(list) == Impl::Kind::None ? VI_ERROR_INV_OBJECT : VI_ERROR_NSUP_OPER;
  Impl::FindList& f = it->second;
  if (f.next >= f.names.size()) return VI_ERROR_RSRC_NFOUND;
  copyText(descriptor, f.names[f.next++]);
  return VI_SUCCESS;
}

ViStatus BuiltinLibrary::viOpen(ViSession resourceManager, const char* resourceName,
                                ViAccessMode mode, ViUInt32 openTimeout, ViSession* session) {
  if (session) *session = VI_NULL;
  if (const ViStatus st = impl_->manager(resourceManager); st != VI_SUCCESS) return st;
  impl_->explain(resourceManager, VI_SUCCESS, "");
  if (!session) return VI_ERROR_USER_BUF;
  if (!resourceName) return VI_ERROR_INV_RSRC_NAME;
  if ((mode & ~(VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK | VI_LOAD_CONFIG)) != 0 ||
      (mode & (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK)) == (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK))
    return VI_ERROR_INV_ACC_MODE;
  const ParseResult parsed = parseResourceName(resourceName);
  if (!parsed.name) {
    impl_->explain(resourceManager, VI_ERROR_INV_RSRC_NAME, parsed.error);
    return VI_ERROR_INV_RSRC_NAME;
  }
  ViStatus status = VI_ERROR_RSRC_NFOUND;
  std::string why;
  auto transport = impl_->openTransport(*parsed.name, &status, &why);
  if (!transport) {
    if (status == VI_SUCCESS) status = VI_ERROR_RSRC_NFOUND;
    impl_->explain(resourceManager, status, why);
    return status;
  }
  auto s = std::make_shared<Impl::Session>();
  s->rm = resourceManager;
  s->name = *parsed.name;
  s->lockName = core::toLower(parsed.name->canonical());
  s->transport = std::move(transport);
  ViObject id;
  {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->managers.count(resourceManager)) return VI_ERROR_INV_OBJECT;
    id = impl_->newId();
    impl_->sessions[id] = std::move(s);
  }
  // Opening with a lock mode opens, then locks within the open time-out.
  const ViAccessMode lockType = mode & (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK);
  if (lockType != VI_NO_LOCK) {
    const ViStatus locked = viLock(id, lockType, openTimeout, nullptr, nullptr);
    if (locked < 0) {
      viClose(id);
      return locked == VI_ERROR_TMO ? VI_ERROR_RSRC_LOCKED : locked;
    }
  }
  *session = id;
  return VI_SUCCESS;
}

ViStatus BuiltinLibrary::viSetAttribute(ViObject object, ViAttr attribute, ViAttrState value) {
  std::lock_guard lock(impl_->mutex);
  const Impl::Kind kind = impl_->kindOf(object);
  if (kind == Impl::Kind::None) return VI_ERROR_INV_OBJECT;
  if (kind == Impl::Kind::Find) return VI_ERROR_NSUP_ATTR;
  if (kind == Impl::Kind::Manager) {
    if (attribute != VI_ATTR_TMO_VALUE) return VI_ERROR_NSUP_ATTR;
    if (value > 0xFFFFFFFFull) return VI_ERROR_NSUP_ATTR_STATE;
    impl_->managers[object].timeoutMs = static_cast<ViUInt32>(value);
    return VI_SUCCESS;
  }
  Impl::Session& s = *impl_->sessions[object];
  switch (attribute) {
    case VI_ATTR_TMO_VALUE:
      if (value > 0xFFFFFFFFull) return VI_ERROR_NSUP_ATTR_STATE;
      s.timeoutMs = static_cast<ViUInt32>(value);
      return VI_SUCCESS;
    case VI_ATTR_TERMCHAR:
      if (value > 0xFF) return VI_ERROR_NSUP_ATTR_STATE;
      s.termChar = static_cast<ViUInt8>(value);
      return VI_SUCCESS;
    case VI_ATTR_TERMCHAR_EN:
      if (value > 1) return VI_ERROR_NSUP_ATTR_STATE;
      s.termCharEnabled = value == VI_TRUE;
      return VI_SUCCESS;
    case VI_ATTR_SEND_END_EN:
      // Every write is one whole message with END on its last byte.
      return value == VI_TRUE ? VI_SUCCESS : VI_ERROR_NSUP_ATTR_STATE;
    case VI_ATTR_SUPPRESS_END_EN:
      return value == VI_FALSE ? VI_SUCCESS : VI_ERROR_NSUP_ATTR_STATE;
    case VI_ATTR_RSRC_CLASS:
    case VI_ATTR_RSRC_NAME:
    case VI_ATTR_RSRC_IMPL_VERSION:
    case VI_ATTR_RSRC_LOCK_STATE:
    case VI_ATTR_RSRC_SPEC_VERSION:
    case VI_ATTR_RSRC_MANF_NAME:
    case VI_ATTR_RSRC_MANF_ID:
    case VI_ATTR_RM_SESSION:
    case VI_ATTR_INTF_TYPE:
    case VI_ATTR_INTF_NUM:
    case VI_ATTR_TCPIP_ADDR:
    case VI_ATTR_TCPIP_HOSTNAME:
    case VI_ATTR_TCPIP_PORT:
    case VI_ATTR_TCPIP_DEVICE_NAME:
    case VI_ATTR_MANF_ID:
    case VI_ATTR_MODEL_CODE:
    case VI_ATTR_USB_SERIAL_NUM:
    case VI_ATTR_USB_INTFC_NUM:
    case VI_ATTR_GPIB_PRIMARY_ADDR:
    case VI_ATTR_GPIB_SECONDARY_ADDR:
      return VI_ERROR_ATTR_READONLY;
    default:
      return VI_ERROR_NSUP_ATTR;
  }
}

ViStatus BuiltinLibrary::viGetAttribute(ViObject object, ViAttr attribute, void* value) {
  std::lock_guard lock(impl_->mutex);
  const Impl::Kind kind = impl_->kindOf(object);
  if (kind == Impl::Kind::None) return VI_ERROR_INV_OBJECT;
  if (!value) return VI_ERROR_USER_BUF;
  auto u16 = [&](ViUInt16 v) {
    std::memcpy(value, &v, sizeof v);
    return VI_SUCCESS;
  };
  auto u32 = [&](ViUInt32 v) {
    std::memcpy(value, &v, sizeof v);
    return VI_SUCCESS;
  };
  auto text = [&](const std::string& v) {
    copyText(static_cast<char*>(value), v);
    return VI_SUCCESS;
  };
  if (kind == Impl::Kind::Find) return VI_ERROR_NSUP_ATTR;
  if (kind == Impl::Kind::Manager) {
    switch (attribute) {
      case VI_ATTR_TMO_VALUE:
        return u32(impl_->managers[object].timeoutMs);
      case VI_ATTR_RSRC_NAME:
        return text("::INSTR");
      case VI_ATTR_RSRC_SPEC_VERSION:
        return u32(kSpecVersion);
      case VI_ATTR_RSRC_IMPL_VERSION:
        return u32(kImplementationVersion);
      case VI_ATTR_RSRC_MANF_NAME:
        return text(kManufacturerName);
      case VI_ATTR_RSRC_MANF_ID:
        return u16(0x3FFF);
      default:
        return VI_ERROR_NSUP_ATTR;
    }
  }
  const Impl::Session& s = *impl_->sessions[object];
  const ResourceName& n = s.name;
  const bool tcpip = n.interface == InterfaceType::Tcpip;
  const bool usb = n.interface == InterfaceType::Usb;
  const bool gpib = n.interface == InterfaceType::Gpib;
  switch (attribute) {
    case VI_ATTR_TMO_VALUE:
      return u32(s.timeoutMs);
    case VI_ATTR_TERMCHAR: {
      const ViUInt8 v = s.termChar;
      std::memcpy(value, &v, sizeof v);
      return VI_SUCCESS;
    }
    case VI_ATTR_TERMCHAR_EN:
      return u16(s.termCharEnabled ? VI_TRUE : VI_FALSE);
    case VI_ATTR_SEND_END_EN:
      return u16(VI_TRUE);
    case VI_ATTR_SUPPRESS_END_EN:
      return u16(VI_FALSE);
    case VI_ATTR_RSRC_NAME:
      return text(n.canonical());
    case VI_ATTR_RSRC_CLASS:
      return text(n.resourceClass == ResourceClass::Socket ? "SOCKET" : "INSTR");
    case VI_ATTR_RSRC_SPEC_VERSION:
      return u32(kSpecVersion);
    case VI_ATTR_RSRC_IMPL_VERSION:
      return u32(kImplementationVersion);
    case VI_ATTR_RSRC_MANF_NAME:
      return text(kManufacturerName);
    case VI_ATTR_RSRC_MANF_ID:
      return u16(0x3FFF);
    case VI_ATTR_RSRC_LOCK_STATE: {
      const auto it = impl_->locks.find(s.lockName);
      if (it == impl_->locks.end()) return u32(VI_NO_LOCK);
      return u32(it->second.exclusive != VI_NULL ? VI_EXCLUSIVE_LOCK : VI_SHARED_LOCK);
    }
    case VI_ATTR_RM_SESSION:
      return u32(s.rm);
    case VI_ATTR_INTF_TYPE:
      return u16(tcpip ? VI_INTF_TCPIP : usb ? VI_INTF_USB : VI_INTF_GPIB);
    case VI_ATTR_INTF_NUM:
      return u16(static_cast<ViUInt16>(n.board));
    case VI_ATTR_TCPIP_ADDR:
    case VI_ATTR_TCPIP_HOSTNAME:
      return tcpip ? text(n.host) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_TCPIP_PORT:
      return tcpip && n.resourceClass == ResourceClass::Socket ? u16(n.port) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_TCPIP_DEVICE_NAME:
      return tcpip && n.resourceClass == ResourceClass::Instr ? text(n.lanDeviceName)
                                                              : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_MANF_ID:
      return usb ? u16(n.vendorId) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_MODEL_CODE:
      return usb ? u16(n.productId) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_USB_SERIAL_NUM:
      return usb ? text(n.serial) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_USB_INTFC_NUM:
      return usb ? u16(static_cast<ViUInt16>(std::max(0, n.usbInterface))) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_GPIB_PRIMARY_ADDR:
      return gpib ? u16(static_cast<ViUInt16>(n.primaryAddress)) : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_GPIB_SECONDARY_ADDR:
      return gpib ? u16(n.secondaryAddress < 0 ? kNoSecondaryAddress
                                               : static_cast<ViUInt16>(n.secondaryAddress))
                  : VI_ERROR_NSUP_ATTR;
    default:
      return VI_ERROR_NSUP_ATTR;
  }
}

ViStatus BuiltinLibrary::viWrite(ViSession session, const ViByte* buffer, ViUInt32 count,
                                 ViUInt32* written) {
  if (written) *written = 0;
  std::shared_ptr<Impl::Session> s;
  ViUInt32 timeoutMs = 0;
  if (const ViStatus st = impl_->ioSession(session, &s, &timeoutMs); st != VI_SUCCESS) return st;
  if (!buffer && count > 0) return VI_ERROR_USER_BUF;
  std::lock_guard io(s->io);
  const Transport::Timeout timeout = sessionTimeout(timeoutMs);
  if (s->clearBeforeWrite) {
    // The last transfer failed; its answer may still arrive. Clear the device so that this
    // message's answer is the next one read.
    const ViStatus cleared = s->transport->clear(timeout);
    s->carry.clear();
    if (cleared < 0) return cleared;
    s->clearBeforeWrite = false;
  }
  ViUInt32 sent = 0;
  const ViStatus st = s->transport->write(buffer, count, &sent, timeout);
  if (written) *written = sent;
  if (st < 0) s->clearBeforeWrite = true;
  return st;
}

ViStatus BuiltinLibrary::viRead(ViSession session, ViByte* buffer, ViUInt32 count, ViUInt32* read) {
  if (read) *read = 0;
  std::shared_ptr<Impl::Session> s;
  ViUInt32 timeoutMs = 0;
  ViUInt8 termChar = '\n';
  bool termCharEnabled = false;
  if (const ViStatus st = impl_->ioSession(session, &s, &timeoutMs, &termChar, &termCharEnabled);
      st != VI_SUCCESS)
    return st;
  if (!buffer && count > 0) return VI_ERROR_USER_BUF;
  std::lock_guard io(s->io);
  ViUInt32 total = 0;
  const ViStatus st = Impl::readMessage(*s, buffer, count, &total, sessionTimeout(timeoutMs),
                                        termChar, termCharEnabled);
  if (read) *read = total;
  if (st < 0) s->clearBeforeWrite = true;
  return st;
}

ViStatus BuiltinLibrary::viClear(ViSession session) {
  std::shared_ptr<Impl::Session> s;
  ViUInt32 timeoutMs = 0;
  if (const ViStatus st = impl_->ioSession(session, &s, &timeoutMs); st != VI_SUCCESS) return st;
  // A read another thread is blocked in gives up first, so the clear need not wait for its
  // time-out.
  s->transport->interrupt();
  std::lock_guard io(s->io);
  const ViStatus st = s->transport->clear(sessionTimeout(timeoutMs));
  s->transport->endInterrupt();
  s->carry.clear();
  s->clearBeforeWrite = st < 0;
  return st;
}

ViStatus BuiltinLibrary::viStatusDesc(ViObject object, ViStatus status, char* description) {
  if (!description) return VI_ERROR_USER_BUF;
  bool known = false;
  std::string text = statusDescription(status, &known);
  {
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->details.find(object);
    const Impl::Detail* detail =
        it != impl_->details.end() && it->second.status == status ? &it->second : nullptr;
    if (detail) {
      // The reason matters more than the standard text when both do not fit.
      const std::string both = text + " " + detail->text;
      text = both.size() < static_cast<size_t>(VI_FIND_BUFLEN) ? both : detail->text;
    }
  }
  copyText(description, text);
  return known ? VI_SUCCESS : VI_WARN_UNKNOWN_STATUS;
}

ViStatus BuiltinLibrary::viGpibControlREN(ViSession session, ViUInt16 mode) {
  std::shared_ptr<Impl::Session> s;
  if (const ViStatus st = impl_->ioSession(session, &s); st != VI_SUCCESS) return st;
  if (mode > VI_GPIB_REN_ADDRESS_GTL) return VI_ERROR_INV_MODE;
  std::lock_guard io(s->io);
  return s->transport->controlRen(mode);
}

ViStatus BuiltinLibrary::viClose(ViObject object) {
  if (object == VI_NULL) return VI_WARN_NULL_OBJECT;
  // Transports are destroyed outside the lock: closing a link may wait for the instrument.
  std::vector<std::shared_ptr<Impl::Session>> closing;
  {
    std::lock_guard lock(impl_->mutex);
    switch (impl_->kindOf(object)) {
      case Impl::Kind::None:
        return VI_ERROR_INV_OBJECT;
      case Impl::Kind::Session:
        closing.push_back(impl_->sessions[object]);
        impl_->releaseLocks(object, closing.back()->lockName);
        impl_->sessions.erase(object);
        break;
      case Impl::Kind::Find:
        impl_->findLists.erase(object);
        break;
      case Impl::Kind::Manager:
        // Closing a resource manager closes everything opened or found through it.
        for (auto it = impl_->sessions.begin(); it != impl_->sessions.end();) {
          if (it->second->rm == object) {
            closing.push_back(it->second);
            impl_->releaseLocks(it->first, it->second->lockName);
            impl_->details.erase(it->first);
            it = impl_->sessions.erase(it);
          } else {
            ++it;
          }
        }
        for (auto it = impl_->findLists.begin(); it != impl_->findLists.end();) {
          it = it->second.rm == object ? impl_->findLists.erase(it) : std::next(it);
        }
        impl_->managers.erase(object);
        break;
    }
    impl_->details.erase(object);
  }
  closing.clear();
  return VI_SUCCESS;
}

ViStatus BuiltinLibrary::viParseRsrc(ViSession resourceManager, const char* resourceName,
                                     ViUInt16* type, ViUInt16* board) {
  return viParseRsrcEx(resourceManager, resourceName, type, board, nullptr, nullptr, nullptr);
}

ViStatus BuiltinLibrary::viParseRsrcEx(ViSession resourceManager, const char* resourceName,
                                       ViUInt16* type, ViUInt16* board, char* resourceClass,
                                       char* expandedName, char* alias) {
  if (const ViStatus st = impl_->manager(resourceManager); st != VI_SUCCESS) return st;
  if (!resourceName) return VI_ERROR_INV_RSRC_NAME;
  const ParseResult parsed = parseResourceName(resourceName);
  if (!parsed.name) {
    impl_->explain(resourceManager, VI_ERROR_INV_RSRC_NAME, parsed.error);
    return VI_ERROR_INV_RSRC_NAME;
  }
  const ResourceName& n = *parsed.name;
  if (type)
    *type = n.interface == InterfaceType::Tcpip ? VI_INTF_TCPIP
            : n.interface == InterfaceType::Usb ? VI_INTF_USB
                                                : VI_INTF_GPIB;
  if (board) *board = static_cast<ViUInt16>(n.board);
  copyText(resourceClass, n.resourceClass == ResourceClass::Socket ? "SOCKET" : "INSTR");
  copyText(expandedName, n.canonical());
  copyText(alias, "");
  return VI_SUCCESS;
}

ViStatus BuiltinLibrary::viReadSTB(ViSession session, ViUInt16* statusByte) {
  std::shared_ptr<Impl::Session> s;
  ViUInt32 timeoutMs = 0;
  if (const ViStatus st = impl_->ioSession(session, &s, &timeoutMs); st != VI_SUCCESS) return st;
  if (!statusByte) return VI_ERROR_USER_BUF;
  std::lock_guard io(s->io);
  return s->transport->readStatusByte(statusByte, sessionTimeout(timeoutMs));
}

ViStatus BuiltinLibrary::viAssertTrigger(ViSession session, ViUInt16 protocol) {
  std::shared_ptr<Impl::Session> s;
  ViUInt32 timeoutMs = 0;
  if (const ViStatus st = impl_->ioSession(session, &s, &timeoutMs); st != VI_SUCCESS) return st;
  if (protocol != 0) return VI_ERROR_NSUP_OPER;  // VI_TRIG_PROT_DEFAULT only
  std::lock_guard io(s->io);
  return s->transport->assertTrigger(sessionTimeout(timeoutMs));
}

ViStatus BuiltinLibrary::viFlush(ViSession session, ViUInt16 mask) {
  std::shared_ptr<Impl::Session> s;
  if (const ViStatus st = impl_->ioSession(session, &s); st != VI_SUCCESS) return st;
  if (mask == 0 || (mask & ~0x3F) != 0) return VI_ERROR_INV_MASK;
  // Writes are not buffered here; flushing the read side drops the bytes kept after a
  // termination character.
  std::lock_guard io(s->io);
  if (mask & (VI_READ_BUF | VI_READ_BUF_DISCARD | VI_IO_IN_BUF)) s->carry.clear();
  return VI_SUCCESS;
}

ViStatus BuiltinLibrary::viLock(ViSession session, ViAccessMode lockType, ViUInt32 timeout,
                                const char* requestedKey, char* accessKey) {
  std::shared_ptr<Impl::Session> s;
  if (const ViStatus st = impl_->session(session, &s); st != VI_SUCCESS) return st;
  if (lockType != VI_EXCLUSIVE_LOCK && lockType != VI_SHARED_LOCK) return VI_ERROR_INV_LOCK_TYPE;
  const bool exclusive = lockType == VI_EXCLUSIVE_LOCK;
  std::string key;
  if (!exclusive && requestedKey && *requestedKey) {
    key = requestedKey;
    const bool printable = std::all_of(key.begin(), key.end(), [](char c) {
      return static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F;
    });
    if (!printable || key.size() >= static_cast<size_t>(VI_FIND_BUFLEN))
      return VI_ERROR_INV_ACCESS_KEY;
  }
  const Deadline deadline(sessionTimeout(timeout));
  std::unique_lock lock(impl_->mutex);
  auto& table = impl_->locks;
  if (!impl_->sessions.count(session)) return VI_ERROR_INV_OBJECT;

  if (!exclusive) {
    const auto held = table.find(s->lockName);
    if (held != table.end() && held->second.shared.count(session)) {
      Impl::ResourceLock& l = held->second;
      if (!key.empty() && key != l.sharedKey) return VI_ERROR_INV_ACCESS_KEY;
      ++l.shared[session];
      copyText(accessKey, l.sharedKey);
      return VI_SUCCESS_NESTED_SHARED;
    }
    if (key.empty())
      key = core::format("v38xx-%d-%llu", static_cast<int>(::getpid()),
                         static_cast<unsigned long long>(impl_->nextKey++));
  } else if (const auto held = table.find(s->lockName);
             held != table.end() && held->second.exclusive == session) {
    ++held->second.exclusiveDepth;
    copyText(accessKey, "");
    return VI_SUCCESS_NESTED_EXCLUSIVE;
  }

  // Wait for the other sessions' locks that keep this one out.
  const auto granted = [&] {
    const auto it = table.find(s->lockName);
    if (it == table.end()) return true;
    const Impl::ResourceLock& l = it->second;
    if (l.exclusive != VI_NULL && l.exclusive != session) return false;
    if (exclusive) {
      return std::all_of(l.shared.begin(), l.shared.end(),
                         [&](const auto& holder) { return holder.first == session; });
    }
    return l.shared.empty() || l.sharedKey == key;
  };
  while (!granted()) {
    if (deadline.expired()) return VI_ERROR_TMO;
    if (deadline.infinite())
      impl_->lockReleased.wait(lock);
    else
      impl_->lockReleased.wait_for(lock, deadline.remaining());
    if (!impl_->sessions.count(session)) return VI_ERROR_INV_OBJECT;
  }
  Impl::ResourceLock& l = table[s->lockName];
  if (!exclusive) {
    l.sharedKey = key;
    l.shared[session] = 1;
    copyText(accessKey, key);
    return VI_SUCCESS;
  }
  l.exclusive = session;
  l.exclusiveDepth = 1;
  lock.unlock();
  // The instrument's own lock keeps other processes out, where the transport has one.
  ViStatus device;
  {
    std::lock_guard io(s->io);
    device = s->transport->lockDevice(deadline.remaining());
  }
  if (device < 0 && device != VI_ERROR_NSUP_OPER) {
    lock.lock();
    const auto it = table.find(s->lockName);
    if (it != table.end() && it->second.exclusive == session) {
      it->second.exclusive = VI_NULL;
      it->second.exclusiveDepth = 0;
      if (it->second.empty()) table.erase(it);
      impl_->lockReleased.notify_all();
    }
    return device;
  }
  copyText(accessKey, "");
  return VI_SUCCESS;
}

ViStatus BuiltinLibrary::viUnlock(ViSession session) {
  std::shared_ptr<Impl::Session> s;
  if (const ViStatus st = impl_->session(session, &s); st != VI_SUCCESS) return st;
  bool releaseDevice = false;
  ViStatus result = VI_SUCCESS;
  {
    std::lock_guard lock(impl_->mutex);
    const auto it = impl_->locks.find(s->lockName);
    if (it == impl_->locks.end()) return VI_ERROR_SESN_NLOCKED;
    Impl::ResourceLock& l = it->second;
    if (l.exclusive == session) {
      if (--l.exclusiveDepth == 0) {
        l.exclusive = VI_NULL;
        releaseDevice = true;
      }
    } else if (const auto shared = l.shared.find(session); shared != l.shared.end()) {
      if (--shared->second == 0) l.shared.erase(shared);
      if (l.shared.empty()) l.sharedKey.clear();
    } else {
      return VI_ERROR_SESN_NLOCKED;
    }
    if (l.exclusive == session)
      result = VI_SUCCESS_NESTED_EXCLUSIVE;
    else if (l.shared.count(session))
      result = VI_SUCCESS_NESTED_SHARED;
    if (l.empty()) impl_->locks.erase(it);
    impl_->lockReleased.notify_all();
  }
  if (releaseDevice) {
    std::lock_guard io(s->io);
    const ViStatus device = s->transport->unlockDevice();
    if (device < 0 && device != VI_ERROR_NSUP_OPER) return device;
  }
  return result;
}

std::unique_ptr<BuiltinLibrary> makeBuiltinLibrary(BuiltinOptions options) {
  return std::make_unique<BuiltinLibrary>(std::move(options));
}

}  // namespace visa

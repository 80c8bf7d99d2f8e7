#include "addin/application.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>

#include "addin/date_time.h"
#include "core/text_format.h"

namespace addin {
namespace {

constexpr ViUInt32 kIdentificationTimeoutMs = 30000;
constexpr ViUInt32 kReadBytes = 255;

// Match strings of the identification.
constexpr const char* kMaker = "ORVALENT";
constexpr const char* kModel1 = "V3800A";
constexpr const char* kModel2 = "V3820A";
constexpr const char* kCompatibleModel = "53132A";
// USB resources of the counters: vendor 0x2B7A, products 0x0ED8 (V3800A) and 0x0EEC (V3820A),
// in the hexadecimal form and, as a fallback, the decimal one.
constexpr const char* kUsbPatternHex = "USB[0-9]::0x2B7A::(0x0ED8|0x0EEC)::?*INSTR";
constexpr const char* kUsbPatternDecimal = "USB[0-9]::11130::(3800|3820)::?*INSTR";

constexpr const char* kDefaultLanguage = "English(U.S)";

std::string trim(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// A number rounded to the nearest integer, halves to even, as the settings' integers are.
template <typename Int>
Int roundToInteger(double value) {
  const double r = std::nearbyint(value);
  if (!(r >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        r <= static_cast<double>(std::numeric_limits<Int>::max())))
    throw OverflowError();
  return static_cast<Int>(r);
}

std::int16_t checked16(long value) {
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max())
    throw OverflowError();
  return static_cast<std::int16_t>(value);
}

}  // namespace

std::array<ToolbarItem, kToolbarControls> toolbarItems() {
  return {{{"CTRAboutV38XX", std::string("About ") + kAddinTitle},
           {"CTRConnectV38XX", "Connect to Device"},
           {"CTRFilesV38XX", "File Access"},
           {"CTRFuncsV38XX", "Set up Instrument"},
           {"CTRMeasV38XX", "Get Single Reading"},
           {"CTRChartV38XX", "Logging Charts"},
           {"CTRTimerStartV38XX", "START"},
           {"CTRTimerPauseV38XX", "PAUSE"},
           {"CTRTimerStopV38XX", "STOP"}}};
}

Application::Application(Services services) : s_(std::move(services)) {}

Application::~Application() {
  s_.timer.kill();
  RMClose();
}

// ---------------------------------------------------------------------------------------------
// Spreadsheet and worksheet

void Application::SetApp(std::shared_ptr<sheet::Application> app) {
  app_ = std::move(app);
  if (app_) {
    sheet::CommandBar& bar = app_->commandBar(kAddinTitle, kToolbarControls);
    const auto items = toolbarItems();
    for (int i = 0; i < kToolbarControls; ++i)
      bar.setAction(i + 1, items[i].onAction, items[i].toolTip);
    for (int i = kStartControl; i <= kStopControl; ++i) bar.setEnabled(i, false);
    version_ = checked16(core::leadingInteger(app_->version()));
  }
  dataRow_ = 2;
}

void Application::SetSheet(std::shared_ptr<sheet::Worksheet> sheet) { sheet_ = std::move(sheet); }

std::int16_t Application::GetExlVersion() const { return version_; }

bool Application::bigGrid() const {
  return version_ >= 12 || (app_ && app_->rowCount() >= 1048576);
}

void Application::ShowHelp(const std::string& sPath) {
  if (!openHelp_ || !openHelp_(sPath))
    message("The help file could not be opened:\r\n" + sPath, core::Icon::Error);
}

void Application::setHelpOpener(std::function<bool(const std::string&)> opener) {
  openHelp_ = std::move(opener);
}

void Application::message(const std::string& text, core::Icon icon) {
  s_.ui.message(text, kAddinTitle, icon, core::Buttons::Ok);
}

// ---------------------------------------------------------------------------------------------
// Settings file and language texts

std::string Application::GetINI() {
  const std::optional<std::string> home = s_.settings.dataHome();
  if (!home) {
    message("The folder does not exist.", core::Icon::Error);
    return {};
  }
  const std::string path = settingsPathUnder(*home);
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec)) return path;
  message("Loss of important files, please re-install the application.", core::Icon::Error);
  return {};
}

void Application::SaveSetting(const std::string& val1, const std::string& val2) {
  const std::string path = GetINI();
  if (path.empty()) return;
  if (!writeProfileString(path, kSettingsSection, val1, val2))
    message("The setting \"" + val1 + "\" could not be saved in\r\n" + path, core::Icon::Error);
}

std::string Application::LoadSetting(const std::string& val1, const std::string& val2) {
  const std::string path = GetINI();
  if (path.empty()) return {};
  return readProfileString(path, kSettingsSection, val1, val2);
}

std::int32_t Application::GetLanguageCount() {
  const std::string path = GetINI();
  if (path.empty()) return 0;
  const std::string list = readProfileString(path, kSettingsSection, "Language", kDefaultLanguage);
  languages_.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    languages_.push_back(trim(list.substr(start, comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return static_cast<std::int32_t>(languages_.size()) - 1;
}

std::string Application::GetLanguage(std::int32_t m_Index) const {
  if (m_Index < 0 || m_Index >= static_cast<std::int32_t>(languages_.size()))
    throw SubscriptOutOfRange();
  return languages_[m_Index];
}

void Application::SetLanguage(std::int32_t m_Index) { language_ = GetLanguage(m_Index); }

std::string Application::GetIdText(const std::string& id) {
  const std::string path = GetINI();
  if (path.empty()) return {};
  return readProfileString(path, language_, id, id);
}

// ---------------------------------------------------------------------------------------------
// Run settings

void Application::SetNumberOfReading(std::int32_t m_count) { numberOfReadings_ = m_count; }

void Application::SetAtTime(const std::string& var) {
  const std::optional<double> serial = parseDateTime(var);
  if (!serial) throw TypeMismatch("Type mismatch: \"" + var + "\" is not a date and time");
  startDateTime_ = *serial;
}

void Application::SetBegin(std::int32_t iVal) { begin_ = checked16(iVal); }

void Application::SetTerimnatingUpon(std::int32_t iVal) { terminating_ = iVal; }

void Application::SetStopTime(const std::string& var_h, const std::string& var_n,
                              const std::string& var_s, std::int32_t var_Intv) {
  if (var_Intv <= 0) {
    message("The stop time needs a reading interval above 0 ms (the interval given is " +
                std::to_string(var_Intv) + " ms).",
            core::Icon::Error);
    return;
  }
  const auto hours = roundToInteger<std::int16_t>(core::leadingDouble(var_h));
  const auto minutes = roundToInteger<std::int16_t>(core::leadingDouble(var_n));
  const auto seconds = roundToInteger<std::int16_t>(core::leadingDouble(var_s));
  // Hours and minutes are counted in 16-bit products, as the settings file keeps them.
  const std::int32_t hourMinutes = checked16(long{hours} * 60);
  const std::int32_t minuteSeconds = checked16(long{minutes} * 60);
  const std::int32_t total = hourMinutes * 60 + minuteSeconds + seconds;
  // Through its decimal text: 3600 s at 1000 ms is exactly 3600 points.
  const double points =
      std::strtod(core::format("%.15g", total / (var_Intv * 0.001)).c_str(), nullptr);
  std::int32_t maximum = roundToInteger<std::int32_t>(points);
  const std::int32_t rowLimit = bigGrid() ? 1048576 : 65536;
  stopHours_ = hours;
  stopMinutes_ = minutes;
  stopSeconds_ = seconds;
  maxPoints_ = std::min(maximum, rowLimit);
}

// ---------------------------------------------------------------------------------------------
// Discovery

void Application::FindTCPIPDevice(std::int16_t cnt, const std::string& add0) {
  if (cnt < 0 || cnt > 255) throw SubscriptOutOfRange();
  addresses_[cnt] = add0;
}

void Application::GetIDN(std::int16_t i) {
  if (i < 0 || i > 255) throw SubscriptOutOfRange();
  const DeviceRow& row = devices_[i];
  IIDNStr = row.answer;
  IIDNAddr = row.resource;
  IIDNSesn = static_cast<ViSession>(core::leadingInteger(row.session));
}

void Application::FindDevice() {
  for (DeviceRow& row : devices_) row = DeviceRow{};
  // The old rows are gone: close the searches nothing refers to any more.
  closeUnreferencedManagers();

  searchResources("GPIB?*", nullptr, &gpibManager_);
  searchResources("TCPIP?*", nullptr, &tcpipManager_);
  std::string failures;
  for (std::size_t slot = 0; slot + 1 < addresses_.size(); ++slot) {
    if (addresses_[slot].empty()) continue;
    const std::string failed = probeResource(addresses_[slot]);
    if (!failed.empty()) failures += "\r\n" + failed;
  }
  tcpipManager_ = currentManager_;
  searchResources(kUsbPatternHex, kUsbPatternDecimal, &usbManager_);

  closeUnreferencedManagers();
  if (!failures.empty()) message("Open device failed.\r\n" + failures, core::Icon::Error);
}

void Application::searchResources(const char* pattern1, const char* pattern2,
                                  ViSession* keptManager) {
  ViSession rm = 0;
  if (s_.visa.viOpenDefaultRM(&rm) < VI_SUCCESS) return;
  currentManager_ = rm;
  managers_.push_back(rm);
  *keptManager = rm;

  ViFindList list = 0;
  ViUInt32 count = 0;
  char name[VI_FIND_BUFLEN] = {};
  ViStatus status = s_.visa.viFindRsrc(rm, pattern1, &list, &count, name);
  if (status < VI_SUCCESS && pattern2)
    status = s_.visa.viFindRsrc(rm, pattern2, &list, &count, name);
  if (status < VI_SUCCESS) return;

  while (count > 0) {
    ViSession session = 0;
    if (s_.visa.viOpen(rm, name, VI_NO_LOCK, 0, &session) >= VI_SUCCESS) {
      if (s_.visa.viSetAttribute(session, VI_ATTR_TMO_VALUE, kIdentificationTimeoutMs) <
          VI_SUCCESS) {
        s_.visa.viClose(session);
      } else {
        queryIdentification(session);
        identify(session, rm, name);
      }
    }
    s_.visa.viFindNext(list, name);
    --count;
  }
  s_.visa.viClose(list);
}

std::string Application::probeResource(const std::string& resourceName) {
  ViSession rm = 0;
  if (s_.visa.viOpenDefaultRM(&rm) < VI_SUCCESS) return resourceName;
  currentManager_ = rm;
  managers_.push_back(rm);
  ViSession session = 0;
  if (s_.visa.viOpen(rm, resourceName.c_str(), VI_NO_LOCK, 0, &session) < VI_SUCCESS)
    return resourceName;
  if (s_.visa.viSetAttribute(session, VI_ATTR_TMO_VALUE, kIdentificationTimeoutMs) < VI_SUCCESS) {
    s_.visa.viClose(session);
    return {};
  }
  queryIdentification(session);
  identify(session, rm, resourceName);
  return {};
}

bool Application::queryIdentification(ViSession session) {
  ViUInt32 written = 0, got = 0;
  ViByte buffer[VI_FIND_BUFLEN] = {};
  answer_.clear();
  s_.visa.viClear(session);
  s_.visa.viWrite(session, reinterpret_cast<const ViByte*>("*esr?"), 5, &written);
  s_.visa.viRead(session, buffer, kReadBytes, &got);  // the event status is not used
  s_.visa.viWrite(session, reinterpret_cast<const ViByte*>("*idn?"), 5, &written);
  got = 0;
  const ViStatus status = s_.visa.viRead(session, buffer, kReadBytes, &got);
  answer_.assign(reinterpret_cast<const char*>(buffer), std::min<ViUInt32>(got, kReadBytes));
  return status >= VI_SUCCESS;
}

void Application::identify(ViSession session, ViSession resourceManager,
                           const std::string& resourceName) {
  const std::string answer = core::toLower(answer_);
  const bool model =
      contains(answer, core::toLower(kModel2)) || contains(answer, core::toLower(kModel1));
  const bool accepted = (model && contains(answer, core::toLower(kMaker))) ||
                        contains(answer, core::toLower(kCompatibleModel));
  if (!accepted || IIDevCounts < 0 || IIDevCounts > 255) {
    // Nobody will use this session: close it now rather than with its resource manager.
    s_.visa.viClose(session);
    return;
  }
  std::string padded = answer_;
  if (padded.size() < 256) padded.resize(256, ' ');
  devices_[IIDevCounts] = {padded, resourceName, std::to_string(session),
                           std::to_string(resourceManager)};
  ++IIDevCounts;
  answer_.clear();
}

void Application::closeUnreferencedManagers() {
  std::vector<ViSession> kept;
  for (ViSession rm : managers_) {
    const std::string rmText = std::to_string(rm);
    bool used = std::any_of(devices_.begin(), devices_.end(),
                            [&](const DeviceRow& row) { return row.resourceManager == rmText; });
    // The work session and the chosen instrument's session may come from an earlier search.
    for (const auto& [session, owner] : sessionOwners_)
      if (owner == rm && (session == IWKSesn || session == IIDNSesn)) used = true;
    if (used) {
      kept.push_back(rm);
    } else {
      s_.visa.viClose(rm);
      std::erase_if(sessionOwners_, [rm](const auto& entry) { return entry.second == rm; });
      for (ViSession* k : {&gpibManager_, &tcpipManager_, &usbManager_})
        if (*k == rm) *k = 0;
    }
  }
  managers_ = std::move(kept);
  for (const DeviceRow& row : devices_)
    if (!row.session.empty())
      sessionOwners_[static_cast<ViSession>(core::leadingInteger(row.session))] =
          static_cast<ViSession>(core::leadingInteger(row.resourceManager));
}

void Application::RMClose() {
  // Every search's resource manager, the three kept ones among them; each takes its
  // instrument sessions with it.
  for (ViSession rm : managers_) s_.visa.viClose(rm);
  managers_.clear();
  sessionOwners_.clear();
  gpibManager_ = tcpipManager_ = usbManager_ = 0;
}

}  // namespace addin

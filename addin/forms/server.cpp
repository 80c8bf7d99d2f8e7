#include "addin/forms/server.h"

#include <algorithm>

namespace addin::forms {
namespace {

class ApplicationServer : public Server {
 public:
  ApplicationServer(Application& app, visa::Library& visa,
                    std::function<std::shared_ptr<sheet::Worksheet>(const std::string&)> sheetNamed)
      : a_(app), visa_(visa), sheetNamed_(std::move(sheetNamed)) {}

  std::string IIDNStr() override { return a_.IIDNStr; }
  std::string IIDNAddr() override { return a_.IIDNAddr; }
  ViSession IIDNSesn() override { return a_.IIDNSesn; }
  std::int16_t IIDevCounts() override { return a_.IIDevCounts; }
  void setIIDevCounts(std::int16_t v) override { a_.IIDevCounts = v; }
  ViSession IWKSesn() override { return a_.IWKSesn; }
  void setIWKSesn(ViSession v) override { a_.IWKSesn = v; }

  void StartTimer(std::int32_t i) override { a_.StartTimer(i); }
  void PauseTimer() override { a_.PauseTimer(); }
  void Stop_Pause() override { a_.Stop_Pause(); }
  void StopTimer() override { a_.StopTimer(); }
  void ShowHelp(const std::string& p) override { a_.ShowHelp(p); }
  void SetSheet(const std::string& name) override { a_.SetSheet(sheetNamed_(name)); }
  std::int32_t GetLanguageCount() override { return a_.GetLanguageCount(); }
  std::string GetLanguage(std::int32_t i) override { return a_.GetLanguage(i); }
  void SetLanguage(std::int32_t i) override { a_.SetLanguage(i); }
  std::string GetIdText(const std::string& id) override { return a_.GetIdText(id); }
  void SetNumberOfReading(std::int32_t c) override { a_.SetNumberOfReading(c); }
  void AddChart(std::int16_t k, bool in) override { a_.AddChart(k, in); }
  void SetAtTime(const std::string& t) override { a_.SetAtTime(t); }
  void SetBegin(std::int32_t m) override { a_.SetBegin(m); }
  void SetTerimnatingUpon(std::int32_t m) override { a_.SetTerimnatingUpon(m); }
  void SetStopTime(const std::string& h, const std::string& n, const std::string& s,
                   std::int32_t i) override {
    a_.SetStopTime(h, n, s, i);
  }
  void SaveSetting(const std::string& k, const std::string& v) override { a_.SaveSetting(k, v); }
  std::string LoadSetting(const std::string& k, const std::string& f) override {
    return a_.LoadSetting(k, f);
  }
  void FindDevice() override { a_.FindDevice(); }
  void FindTCPIPDevice(std::int16_t s, const std::string& a) override { a_.FindTCPIPDevice(s, a); }
  void GetIDN(std::int16_t r) override { a_.GetIDN(r); }
  std::string GetINI() override { return a_.GetINI(); }
  Application::RunState runState() override { return a_.runState(); }

  std::optional<std::string> instrument(const std::string& command, std::string* error) override {
    const ViSession session = a_.IWKSesn;
    ViUInt32 written = 0;
    ViStatus status = visa_.viWrite(session, reinterpret_cast<const ViByte*>(command.data()),
                                    static_cast<ViUInt32>(command.size()), &written);
    std::string answer;
    if (status >= VI_SUCCESS && command.find('?') != std::string::npos) {
      ViByte buffer[256] = {};
      ViUInt32 got = 0;
      status = visa_.viRead(session, buffer, 255, &got);
      answer.assign(reinterpret_cast<const char*>(buffer), std::min<ViUInt32>(got, 255));
    }
    if (status >= VI_SUCCESS) return answer;
    if (error) {
      char text[VI_FIND_BUFLEN] = {};
      visa_.viStatusDesc(session, status, text);
      *error = text;
    }
    visa_.viClear(session);
    return std::nullopt;
  }

 private:
  Application& a_;
  visa::Library& visa_;
  std::function<std::shared_ptr<sheet::Worksheet>(const std::string&)> sheetNamed_;
};

}  // namespace

std::unique_ptr<Server> serverFor(
    Application& app, visa::Library& visa,
    std::function<std::shared_ptr<sheet::Worksheet>(const std::string&)> sheetNamed) {
  return std::make_unique<ApplicationServer>(app, visa, std::move(sheetNamed));
}

}  // namespace addin::forms

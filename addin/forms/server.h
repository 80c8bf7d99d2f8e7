#pragma once
// What the add-in's forms and toolbar commands call on the add-in server, as one interface:
// the office's forms call the add-in object of the office through it, tests a recorder.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "addin/application.h"

namespace addin::forms {

class Server {
 public:
  virtual ~Server() = default;

  // Properties.
  virtual std::string IIDNStr() = 0;
  virtual std::string IIDNAddr() = 0;
  virtual ViSession IIDNSesn() = 0;
  virtual std::int16_t IIDevCounts() = 0;
  virtual void setIIDevCounts(std::int16_t value) = 0;
  virtual ViSession IWKSesn() = 0;
  virtual void setIWKSesn(ViSession value) = 0;

  // Members.
  virtual void StartTimer(std::int32_t interval) = 0;
  virtual void PauseTimer() = 0;
  virtual void Stop_Pause() = 0;
  virtual void StopTimer() = 0;
  virtual void ShowHelp(const std::string& path) = 0;
  virtual void SetSheet(const std::string& sheetName) = 0;  // a sheet of the document
  virtual std::int32_t GetLanguageCount() = 0;
  virtual std::string GetLanguage(std::int32_t index) = 0;
  virtual void SetLanguage(std::int32_t index) = 0;
  virtual std::string GetIdText(const std::string& id) = 0;
  virtual void SetNumberOfReading(std::int32_t count) = 0;
  virtual void AddChart(std::int16_t kind, bool inSheet) = 0;
  virtual void SetAtTime(const std::string& text) = 0;
  virtual void SetBegin(std::int32_t mode) = 0;
  virtual void SetTerimnatingUpon(std::int32_t mode) = 0;
  virtual void SetStopTime(const std::string& h, const std::string& n, const std::string& s,
                           std::int32_t interval) = 0;
  virtual void SaveSetting(const std::string& key, const std::string& value) = 0;
  virtual std::string LoadSetting(const std::string& key, const std::string& fallback) = 0;
  virtual void FindDevice() = 0;
  virtual void FindTCPIPDevice(std::int16_t slot, const std::string& address) = 0;
  virtual void GetIDN(std::int16_t row) = 0;

  virtual std::string GetINI() = 0;
  virtual Application::RunState runState() = 0;

  // A command to the work session, and a query's answer; nullopt (and `error` set to the
  // VISA status text) when the instrument does not take it.
  virtual std::optional<std::string> instrument(const std::string& command, std::string* error) = 0;
};

// The server over an add-in object; `sheetNamed` gives the worksheet of a sheet name.
std::unique_ptr<Server> serverFor(
    Application& app, visa::Library& visa,
    std::function<std::shared_ptr<sheet::Worksheet>(const std::string&)> sheetNamed);

}  // namespace addin::forms

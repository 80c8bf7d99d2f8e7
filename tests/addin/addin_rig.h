#pragma once
// A rig for the add-in server without LibreOffice: the in-memory spreadsheet, a scripted
// interaction, a manual clock, a timer fired by hand and a settings folder of its own.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "addin/application.h"
#include "sheet/memory_sheet.h"
#include "support/manual_clock.h"
#include "support/scripted_interaction.h"

namespace addintest {

class ManualTimer : public addin::Timer {
 public:
  void start(std::int32_t intervalMs, std::function<void()> tick) override {
    interval = intervalMs;
    tick_ = std::move(tick);
    ++starts;
  }
  void kill() override {
    tick_ = nullptr;
    interval = 0;
  }
  bool armed() const { return static_cast<bool>(tick_); }
  // One tick, as the timer would fire it; false when no timer runs.
  bool fire() {
    if (!tick_) return false;
    auto tick = tick_;  // the tick may restart or kill the timer
    tick();
    return true;
  }
  std::int32_t interval = 0;
  int starts = 0;

 private:
  std::function<void()> tick_;
};

// A throwaway settings folder with the shipped settings file in place.
class SettingsFolder {
 public:
  SettingsFolder() {
    dir_ = std::filesystem::temp_directory_path() /
           ("v38xx-addin-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~SettingsFolder() { std::filesystem::remove_all(dir_); }
  std::string home() const { return dir_.string(); }
  std::string iniPath() const { return addin::settingsPathUnder(home()); }
  void install(const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(iniPath()).parent_path());
    std::ofstream(iniPath()) << text;
  }
  void installShipped() {
    std::filesystem::create_directories(std::filesystem::path(iniPath()).parent_path());
    std::filesystem::copy_file(V38XX_SOURCE_DIR "/extension/CTR_TOOLV38XX.ini", iniPath(),
                               std::filesystem::copy_options::overwrite_existing);
  }
  std::string read() const {
    std::ifstream in(iniPath());
    return {std::istreambuf_iterator<char>(in), {}};
  }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path dir_;
};

// The add-in with a worksheet "Sheet1" and the settings file installed.
template <typename Visa>
struct AddinRig {
  explicit AddinRig(Visa& visa)
      : app(addin::Services{visa, ui, clock, timer, addin::SettingsLocation::in(folder.home())}) {
    folder.installShipped();
    calc = std::make_shared<sheet::MemoryApplication>();
    ws = calc->addWorksheet("Sheet1");
    app.SetApp(calc);
    app.SetSheet(ws);
  }
  sheet::MemoryCommandBar& bar() { return *calc->bar(addin::kAddinTitle); }
  // The cells of the logging template the add-in reads: the headers, the title, the strip
  // chart's window (100 points), the number of bins (10) and the scroll bars of the strip chart.
  void fillTemplate(int kind) {
    ws->setText("A1", "Time");
    ws->setText("B1", "Reading");
    if (kind == 1) {
      ws->setText("F1", "V38XX Strip Chart");
      ws->setValue("F8", 100);
    } else if (kind >= 2) {
      ws->setText("D1", "Frequency");
      ws->setText("E1", "Cumulative");
      ws->setText("G1", "V38XX Histogram");
      ws->setValue(kind == 2 ? "G6" : "G10", 10);
      if (kind == 3) ws->setValue("G8", 100);
    }
    if (kind == 1 || kind == 3) ws->scrollBars = {{"Scroll Bar 1", {{}}}, {"Scroll Bar 2", {{}}}};
  }
  // The enabled and visible flags of the nine controls, as "E"/"-" and "V"/"h" pairs.
  std::string toolbar() {
    std::string out;
    for (const auto& c : bar().controls)
      out += std::string(c.enabled ? "E" : "-") + (c.visible ? "V" : "h") + " ";
    return out;
  }

  SettingsFolder folder;
  testsupport::ScriptedInteraction ui;
  testsupport::ManualClock clock{1765180800};  // 2025-12-08 08:00:00 UTC
  ManualTimer timer;
  std::shared_ptr<sheet::MemoryApplication> calc;
  std::shared_ptr<sheet::MemoryWorksheet> ws;
  addin::Application app;
};

}  // namespace addintest

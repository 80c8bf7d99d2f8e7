// v38xx-log: a logging run of the spreadsheet add-in from the command line, into a workbook of
// a private headless LibreOffice (or of a running one), saved when the run ends.

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XDesktop.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <thread>

#include "addin/application.h"
#include "addin/date_time.h"
#include "addin/log/log_options.h"
#include "core/paths.h"
#include "core/text_format.h"
#include "sheet/calc/calc_sheet.h"
#include "sheet/calc/office_process.h"
#include "sheet/calc/uno_text.h"
#include "visa/library.h"

namespace {

namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using sheet::calc::fileUrl;
using sheet::calc::ustr;
using sheet::calc::utf8;

std::atomic<bool> interrupted{false};

void onSignal(int) { interrupted = true; }

// The add-in's messages on the terminal; a question is asked there too, or answered by the
// --stop-waiting option. Nothing here waits for a window.
class TerminalInteraction : public core::Interaction {
 public:
  explicit TerminalInteraction(std::optional<bool> answer) : answer_(answer) {}

  core::Answer message(const std::string& text, const std::string& caption, core::Icon,
                       core::Buttons buttons) override {
    std::string shown;
    for (char c : text)
      if (c != '\r') shown += c;
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), shown.c_str());
    if (buttons == core::Buttons::Ok) {
      ++shown_;
      return core::Answer::Ok;
    }
    if (answer_) return *answer_ ? core::Answer::Yes : core::Answer::No;
    if (!isatty(STDIN_FILENO)) {
      std::fprintf(stderr, "(no terminal to answer: No)\n");
      return core::Answer::No;
    }
    std::fprintf(stderr, "Yes or No? [y/N] ");
    std::string line;
    std::getline(std::cin, line);
    return !line.empty() && (line[0] == 'y' || line[0] == 'Y') ? core::Answer::Yes
                                                               : core::Answer::No;
  }
  std::optional<core::Color> pickColor(core::Color) override { return std::nullopt; }
  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest&) override {
    return std::nullopt;
  }

  int errors() const { return shown_; }

 private:
  std::optional<bool> answer_;
  int shown_ = 0;
};

// The run's timer, fired by the program's loop.
class LoopTimer : public addin::Timer {
 public:
  void start(std::int32_t intervalMs, std::function<void()> tick) override {
    interval_ = std::chrono::milliseconds(std::max<std::int32_t>(intervalMs, 1));
    next_ = std::chrono::steady_clock::now() + interval_;
    tick_ = std::move(tick);
  }
  void kill() override { tick_ = nullptr; }

  // Waits for the next tick (or a short while) and runs it.
  void poll() {
    const auto now = std::chrono::steady_clock::now();
    if (!tick_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      return;
    }
    if (now < next_) {
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          next_ - now, std::chrono::milliseconds(50)));
      return;
    }
    next_ += interval_;
    if (next_ < now) next_ = now + interval_;  // a slow tick: count from now
    auto tick = tick_;
    tick();
  }

 private:
  std::chrono::milliseconds interval_{1000};
  std::chrono::steady_clock::time_point next_;
  std::function<void()> tick_;
};

css::beans::PropertyValue property(const char* name, const Any& value) {
  css::beans::PropertyValue p;
  p.Name = rtl::OUString::createFromAscii(name);
  p.Value = value;
  return p;
}

const char* const kTemplateSheets[] = {"Readings", "StripChart", "Histogram", "StripHistogram"};

// A new workbook from the add-in's template with the one sheet of the chart kind.
Reference<css::sheet::XSpreadsheetDocument> newWorkbook(
    const Reference<css::uno::XComponentContext>& office, int chart) {
  const std::string templatePath = core::dataFilePath("addin/CTRBridgeV38XX.fods");
  if (!std::filesystem::exists(templatePath))
    throw sheet::Error("The add-in's template is missing: " + templatePath +
                       " (re-install the application).");
  Reference<css::frame::XComponentLoader> loader(
      office->getServiceManager()->createInstanceWithContext("com.sun.star.frame.Desktop", office),
      UNO_QUERY_THROW);
  Sequence<css::beans::PropertyValue> args(2);
  args[0] = property("Hidden", Any(true));
  args[1] = property("AsTemplate", Any(true));
  Reference<css::sheet::XSpreadsheetDocument> doc(
      loader->loadComponentFromURL(ustr(fileUrl(templatePath)), "_blank", 0, args), UNO_QUERY);
  if (!doc.is()) throw sheet::Error("LibreOffice could not open the template " + templatePath);
  Reference<css::sheet::XSpreadsheets> sheets = doc->getSheets();
  for (int kind = 0; kind < 4; ++kind)
    if (kind != chart) sheets->removeByName(rtl::OUString::createFromAscii(kTemplateSheets[kind]));
  return doc;
}

bool save(const Reference<css::sheet::XSpreadsheetDocument>& doc, const std::string& path) {
  try {
    Reference<css::frame::XStorable> storable(doc, UNO_QUERY_THROW);
    Sequence<css::beans::PropertyValue> args(2);
    args[0] = property("FilterName", Any(ustr(addin::log::filterForOutput(path))));
    args[1] = property("Overwrite", Any(true));
    storable->storeToURL(ustr(fileUrl(path)), args);
    return true;
  } catch (const css::uno::Exception& e) {
    std::fprintf(stderr, "v38xx-log: %s could not be written: %s\n", path.c_str(),
                 utf8(e.Message).c_str());
    return false;
  }
}

// The row of the device table whose resource is `resource` (letter case ignored), or the first
// row when `resource` is empty; -1 when there is none.
int chooseCounter(addin::Application& app, const std::string& resource) {
  for (std::int16_t i = 0; i < app.IIDevCounts; ++i) {
    app.GetIDN(i);
    if (resource.empty() || core::toUpper(app.IIDNAddr) == core::toUpper(resource)) return i;
  }
  return -1;
}

int run(const addin::log::LogOptions& o) {
  // The add-in's settings file, copied from the installed one when the user has none.
  const addin::SettingsLocation settings = addin::SettingsLocation::fromEnvironment();
  if (const auto home = settings.dataHome()) {
    std::string error;
    if (!addin::installSettingsFile(core::dataFilePath("addin/CTR_TOOLV38XX.ini"),
                                    addin::settingsPathUnder(*home), &error))
      std::fprintf(stderr, "v38xx-log: the settings file cannot be made: %s\n", error.c_str());
  }

  std::string warning;
  std::unique_ptr<visa::Library> visa = visa::openDefaultLibrary(&warning);
  if (!warning.empty()) std::fprintf(stderr, "v38xx-log: %s\n", warning.c_str());

  std::unique_ptr<sheet::calc::OfficeProcess> privateOffice;
  Reference<css::uno::XComponentContext> office;
  if (o.office.empty()) {
    if (!o.quiet) std::fprintf(stderr, "v38xx-log: starting LibreOffice...\n");
    privateOffice = std::make_unique<sheet::calc::OfficeProcess>();
    office = privateOffice->context();
  } else {
    office = sheet::calc::connectToOffice(o.office, std::chrono::seconds(10));
    if (!office.is())
      throw sheet::Error("no office accepts on the pipe \"" + o.office +
                         "\" (start it with soffice --accept=\"pipe,name=" + o.office + ";urp;\")");
  }

  Reference<css::sheet::XSpreadsheetDocument> doc = newWorkbook(office, o.chart);
  auto calc = std::make_shared<sheet::calc::CalcApplication>(office, doc, false);
  Reference<css::container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
  auto worksheet =
      calc->worksheet(Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(0), UNO_QUERY_THROW));

  TerminalInteraction ui(o.stopWhileWaiting);
  core::SystemClock clock;
  LoopTimer timer;
  addin::Application app({*visa, ui, clock, timer, settings});
  app.SetApp(calc);

  // The counter: typed TCP/IP addresses are probed as the add-in's Connect form does.
  app.IIDevCounts = 0;
  if (core::toUpper(o.resource).rfind("TCPIP", 0) == 0) app.FindTCPIPDevice(0, o.resource);
  app.FindDevice();
  const int row = chooseCounter(app, o.resource);
  int status = 0;
  if (row < 0) {
    std::fprintf(stderr, "v38xx-log: %s\n",
                 o.resource.empty() ? "no V38XX counter was found (see visa.conf for LAN counters)"
                                    : ("no V38XX counter answers at " + o.resource).c_str());
    status = 1;
  } else {
    app.IWKSesn = app.IIDNSesn;
    if (!o.quiet)
      std::fprintf(stderr, "v38xx-log: logging %s at %s every %d ms\n",
                   core::format("%.*s", static_cast<int>(app.IIDNStr.find_first_of("\r\n")),
                                app.IIDNStr.c_str())
                       .c_str(),
                   app.IIDNAddr.c_str(), o.intervalMs);

    app.SetNumberOfReading(o.readings.value_or(0));
    app.SetTerimnatingUpon(o.terminating());
    if (o.stopTime) {
      const auto parts = *addin::parseStopTime(*o.stopTime);
      app.SetStopTime(std::to_string(parts[0]), std::to_string(parts[1]), std::to_string(parts[2]),
                      o.intervalMs);
    }
    app.SetBegin(o.begin);
    if (!o.at.empty()) app.SetAtTime(o.at);
    app.SetSheet(worksheet);
    app.AddChart(o.chart, o.inSheet);
    const int errorsBefore = ui.errors();
    app.StartTimer(o.intervalMs);

    std::int32_t shownRow = 2;
    bool stopAsked = false;
    while (app.runState().active) {
      if (interrupted.exchange(false)) {
        if (!o.quiet) std::fprintf(stderr, "v38xx-log: stopping\n");
        stopAsked = true;
        app.StopTimer();
        continue;
      }
      timer.poll();
      if (o.quiet) continue;
      // Rows written so far: up to the run's next row, or, once the run has ended (and forgot
      // its row), every row that holds a reading.
      for (;; ++shownRow) {
        if (app.runState().active && shownRow >= app.runState().dataRow) break;
        const std::string value = worksheet->text(sheet::cellName(shownRow, 2));
        if (value.empty()) break;
        std::printf("%d\t%s\n", shownRow - 1, value.c_str());
      }
      std::fflush(stdout);
    }
    if (ui.errors() > errorsBefore)
      status = 1;
    else if (stopAsked)
      status = 130;
  }

  for (const auto& out : o.outputs) {
    if ((o.chart == 1 || o.chart == 3) && addin::log::filterForOutput(out) != "calc8" && !o.quiet)
      std::fprintf(stderr,
                   "v38xx-log: note: %s keeps the charts, names and formulas but not the strip "
                   "chart's scroll bars (an .ods workbook keeps them)\n",
                   out.c_str());
    if (save(doc, out)) {
      if (!o.quiet) std::fprintf(stderr, "v38xx-log: saved %s\n", out.c_str());
    } else {
      status = status ? status : 1;
    }
  }
  app.RMClose();
  try {
    Reference<css::util::XCloseable>(doc, UNO_QUERY_THROW)->close(true);
  } catch (const css::uno::Exception&) {
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = addin::log::parseLogOptions(args, &error);
  if (!options) {
    std::fprintf(stderr, "v38xx-log: %s\n", error.c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(addin::log::kLogHelp, stdout);
    return 0;
  }
  if (options->version) {
    std::printf("v38xx-log %s\n", V38XX_VERSION);
    return 0;
  }
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  try {
    return run(*options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "v38xx-log: %s\n", e.what());
    return 1;
  } catch (const css::uno::Exception& e) {
    std::fprintf(stderr, "v38xx-log: LibreOffice: %s\n", utf8(e.Message).c_str());
    return 1;
  }
}

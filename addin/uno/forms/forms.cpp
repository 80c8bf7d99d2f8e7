#include "addin/uno/forms/forms.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XSpreadsheets2.hpp>
#include <com/sun/star/ui/dialogs/TemplateDescription.hpp>
#include <com/sun/star/ui/dialogs/XFilePicker3.hpp>
#include <com/sun/star/ui/dialogs/XFilterManager.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <osl/file.hxx>

#include <dlfcn.h>

#include <filesystem>

#include "addin/forms/connect_form.h"
#include "addin/forms/form_texts.h"
#include "addin/forms/instrument_setup.h"
#include "addin/forms/logging_settings.h"
#include "addin/uno/application_component.h"
#include "addin/uno/forms/dialog.h"
#include "core/text_format.h"
#include "listctl/uno/list_control_component.h"
#include "sheet/calc/office_process.h"
#include "sheet/calc/uno_text.h"
#include "sheet/file_formats.h"

namespace addin::uno {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using sheet::calc::ustr;
using sheet::calc::utf8;

namespace {

// The folder of the extension: its help page, template and icons.
std::string extensionFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&showAbout), &info) == 0 || !info.dli_fname) return {};
  return std::filesystem::path(info.dli_fname).parent_path().string();
}

// The server of the forms over the add-in object, its sheets those of its document.
std::unique_ptr<forms::Server> serverOf(ApplicationComponent& app) {
  return forms::serverFor(app.application(), app.visa(), [&app](const std::string& name) {
    if (!app.calc()) throw sheet::Error("There is no Calc document (SetApp).", 91);
    return std::static_pointer_cast<sheet::Worksheet>(app.calc()->worksheet(name));
  });
}

void tell(ApplicationComponent& app, const std::string& text,
          core::Icon icon = core::Icon::Information) {
  app.interaction().message(text, kAddinTitle, icon, core::Buttons::Ok);
}

// The list of the Connect form, kept for the office's life with its connected mark.
listctl::uno::ListControlComponent& theList(const Reference<css::uno::XComponentContext>& context) {
  static rtl::Reference<listctl::uno::ListControlComponent> list =
      new listctl::uno::ListControlComponent(context);
  return *list;
}

Reference<css::uno::XComponentContext> contextOf(ApplicationComponent& app) {
  return app.context();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// About

void showAbout(ApplicationComponent& app, const Reference<css::frame::XFrame>& frame) {
  auto server = serverOf(app);
  const forms::Texts t(*server);
  Dialog d(contextOf(app), t("101"), 230, 128);
  d.note("Product", 8, 8, 214, 10, t("102"));
  d.note("Version", 8, 20, 214, 10, t("103") + " " + V38XX_VERSION);
  d.note("Description", 8, 34, 214, 30, t("104"), true);
  std::vector<std::string> languages;
  const std::int32_t last = t.settings() ? server->GetLanguageCount() : 0;
  int current = 0;
  for (std::int32_t i = 0; i <= last && t.settings(); ++i) {
    languages.push_back(server->GetLanguage(i));
    if (languages.back() == app.application().currentLanguage()) current = i;
  }
  d.label("LanguageLabel", 8, 72, 60, 10, t("105"));
  d.listBox("Language", 70, 70, 152, 12, languages, current, [&](int index) {
    if (index < 0 || index >= static_cast<int>(languages.size())) return;
    server->SetLanguage(index);
    server->SaveSetting("CurrentLanguage", languages[index]);
  });
  d.button("Help", 8, 106, 70, 14, t("106"),
           [&] { server->ShowHelp(extensionFolder() + "/help/tallyway.html"); });
  d.button("OK", 152, 106, 70, 14, t("107"), nullptr, Dialog::ButtonKind::Ok);
  d.execute(windowOf(frame));
}

// ---------------------------------------------------------------------------------------------
// Connect to Device

void showConnect(ApplicationComponent& app, const Reference<css::frame::XFrame>& frame) {
  auto server = serverOf(app);
  const forms::Texts t(*server);
  auto& list = theList(contextOf(app));
  forms::ConnectForm form(*server, list.logic());
  Dialog d(contextOf(app), t("201"), 330, 206);
  std::string typed;
  for (const auto& a : form.typedAddresses()) typed += a + "\n";
  d.label("AddressLabel", 8, 6, 314, 10, t("202"));
  d.edit("Addresses", 8, 18, 248, 30, typed, true);
  auto status = [&] {
    d.setLabel("Status",
               t("205") + " " +
                   (list.logic().mark_Address.empty() ? t("206") : list.logic().mark_Address));
  };
  d.button("Find", 264, 18, 58, 14, t("203"), [&] {
    const int found = form.find(forms::addressLines(d.text("Addresses")));
    list.show();
    status();
    if (found == 0) tell(app, t("215"));
  });
  listctl::uno::ListTexts texts;
  texts.frame = t("208");
  for (int i = 0; i < 4; ++i) texts.columns[i] = t(std::to_string(209 + i).c_str());
  texts.connect = t("213");
  texts.disconnect = t("214");
  list.place(
      d, 8, 54, texts, status, [&] { form.connect(); }, [&] { form.disconnect(); });
  d.note("Status", 8, 178, 240, 10, "");
  d.button("Close", 262, 184, 60, 14, t("204"), nullptr, Dialog::ButtonKind::Ok);
  form.refill();
  list.show();
  status();
  struct Detach {
    listctl::uno::ListControlComponent& list;
    ~Detach() { list.detach(); }
  } detach{list};
  d.execute(windowOf(frame));
  // Shown after execute created the window: rows need the controls.
}

// ---------------------------------------------------------------------------------------------
// File Access

namespace {

std::optional<std::string> pickFile(
    ApplicationComponent& app, bool save,
    const std::vector<std::pair<std::string, std::string>>& filters) {
  const auto context = contextOf(app);
  Reference<css::ui::dialogs::XFilePicker3> picker(
      context->getServiceManager()->createInstanceWithContext("com.sun.star.ui.dialogs.FilePicker",
                                                              context),
      UNO_QUERY_THROW);
  Sequence<Any> args(1);
  args[0] <<= save ? css::ui::dialogs::TemplateDescription::FILESAVE_AUTOEXTENSION
                   : css::ui::dialogs::TemplateDescription::FILEOPEN_SIMPLE;
  Reference<css::lang::XInitialization>(picker, UNO_QUERY_THROW)->initialize(args);
  for (const auto& [title, pattern] : filters) picker->appendFilter(ustr(title), ustr(pattern));
  if (!filters.empty()) picker->setCurrentFilter(ustr(filters.front().first));
  if (picker->execute() != 1) return std::nullopt;
  const auto files = picker->getSelectedFiles();
  if (files.getLength() == 0) return std::nullopt;
  rtl::OUString path;
  osl::FileBase::getSystemPathFromFileURL(files[0], path);
  std::string chosen = utf8(path);
  // The file type chosen in the picker gives the extension when the name has none.
  const std::string filter = utf8(picker->getCurrentFilter());
  for (const auto& [title, pattern] : filters)
    if (title == filter && std::filesystem::path(chosen).extension().empty())
      chosen += pattern.substr(1);
  return chosen;
}

}  // namespace

void showFiles(ApplicationComponent& app, const Reference<css::frame::XFrame>& frame) {
  auto server = serverOf(app);
  const forms::Texts t(*server);
  Dialog d(contextOf(app), t("301"), 240, 120);
  const std::vector<std::string> kinds = {t("514"), t("515"), t("516"), t("517")};
  const forms::LoggingSettings saved = forms::loadLoggingSettings(*server);
  d.label("KindLabel", 8, 8, 110, 10, t("305"));
  d.listBox("Kind", 120, 6, 112, 12, kinds, saved.chart);
  d.button("New", 8, 26, 224, 14, t("302"), [&] {
    if (!app.calc()) return;
    const int kind = std::max(0, d.selected("Kind"));
    static const char* const sheets[] = {"Readings", "StripChart", "Histogram", "StripHistogram"};
    const auto context = contextOf(app);
    Reference<css::frame::XComponentLoader> loader(
        context->getServiceManager()->createInstanceWithContext("com.sun.star.frame.Desktop",
                                                                context),
        UNO_QUERY_THROW);
    Sequence<css::beans::PropertyValue> hidden(1);
    hidden[0].Name = "Hidden";
    hidden[0].Value <<= true;
    Reference<css::sheet::XSpreadsheetDocument> source(
        loader->loadComponentFromURL(
            ustr(sheet::calc::fileUrl(extensionFolder() + "/templates/CTRBridgeV38XX.fods")),
            "_blank", 0, hidden),
        UNO_QUERY_THROW);
    Reference<css::sheet::XSpreadsheets2> sheetsOfDoc(app.calc()->document()->getSheets(),
                                                      UNO_QUERY_THROW);
    Reference<css::container::XNameAccess> names(sheetsOfDoc, UNO_QUERY_THROW);
    const sal_Int32 count =
        Reference<css::container::XIndexAccess>(sheetsOfDoc, UNO_QUERY_THROW)->getCount();
    const sal_Int32 position =
        sheetsOfDoc->importSheet(source, ustr(sheets[kind]), static_cast<sal_Int16>(count));
    Reference<css::util::XCloseable>(source, UNO_QUERY_THROW)->close(true);
    Reference<css::sheet::XSpreadsheetView> view(frame.is() ? frame->getController() : nullptr,
                                                 UNO_QUERY);
    Reference<css::sheet::XSpreadsheet> added(
        Reference<css::container::XIndexAccess>(sheetsOfDoc, UNO_QUERY_THROW)->getByIndex(position),
        UNO_QUERY_THROW);
    if (view.is()) view->setActiveSheet(added);
    (void)names;
    d.end(1);
  });
  d.button("Open", 8, 46, 224, 14, t("303"), [&] {
    const auto path = pickFile(app, false, {{"Spreadsheets", "*.ods;*.xlsx;*.xls;*.csv;*.fods"}});
    if (!path) return;
    const auto context = contextOf(app);
    Reference<css::frame::XComponentLoader> loader(
        context->getServiceManager()->createInstanceWithContext("com.sun.star.frame.Desktop",
                                                                context),
        UNO_QUERY_THROW);
    loader->loadComponentFromURL(ustr(sheet::calc::fileUrl(*path)), "_default", 0, {});
    d.end(1);
  });
  d.button("Save", 8, 66, 224, 14, t("304"), [&] {
    if (!app.calc()) return;
    const auto path = pickFile(app, true,
                               {{"ODF Spreadsheet (.ods)", "*.ods"},
                                {"Excel 2007-365 (.xlsx)", "*.xlsx"},
                                {"Text CSV (.csv)", "*.csv"}});
    if (!path) return;
    const std::string filter = sheet::filterForFile(*path);
    if (filter.empty()) return;
    Sequence<css::beans::PropertyValue> args(1);
    args[0].Name = "FilterName";
    args[0].Value <<= ustr(filter);
    try {
      Reference<css::frame::XStorable>(app.calc()->document(), UNO_QUERY_THROW)
          ->storeToURL(ustr(sheet::calc::fileUrl(*path)), args);
      tell(app, t("308") + " " + *path + (filter != "calc8" ? "\n\n" + t("309") : ""));
    } catch (const css::uno::Exception& e) {
      tell(app, *path + ":\n" + utf8(e.Message), core::Icon::Error);
    }
  });
  d.button("Close", 172, 100, 60, 14, t("306"), nullptr, Dialog::ButtonKind::Ok);
  d.execute(windowOf(frame));
}

// ---------------------------------------------------------------------------------------------
// Set up Instrument

void showSetup(ApplicationComponent& app, const Reference<css::frame::XFrame>& frame) {
  auto server = serverOf(app);
  const forms::Texts t(*server);
  if (server->IWKSesn() == 0) {
    tell(app, t("407"));
    return;
  }
  // The connected counter's model, from the row of the device table it came from.
  const std::string model = forms::modelCodeOf(app.application().IIDNStr);
  const auto& functions = forms::setupFunctions(model);
  if (functions.empty()) {
    tell(app, t("407"));
    return;
  }
  std::vector<std::string> names;
  for (const auto& f : functions) names.push_back(t(f.textId));
  Dialog d(contextOf(app), t("401"), 220, 110);
  const auto inputs = [&](int function) {
    std::vector<std::string> out;
    for (int i = 1; i <= functions[std::max(function, 0)].inputs; ++i)
      out.push_back(std::to_string(i));
    return out;
  };
  d.label("FunctionLabel", 8, 10, 70, 10, t("402"));
  d.listBox("Function", 80, 8, 132, 12, names, 0, [&](int f) {
    d.setEntries("Input", inputs(f), 0);
    d.enable("GateTime", functions[std::max(f, 0)].gate);
  });
  d.label("InputLabel", 8, 28, 70, 10, t("403"));
  d.listBox("Input", 80, 26, 60, 12, inputs(0), 0);
  d.label("GateLabel", 8, 46, 70, 10, t("404"));
  d.edit("GateTime", 80, 44, 60, 12, "0.1");
  d.note("Result", 8, 64, 204, 20, "", true);
  d.button("Send", 8, 90, 70, 14, t("405"), [&] {
    forms::SetupChoice choice;
    choice.function = std::max(0, d.selected("Function"));
    choice.input = std::max(0, d.selected("Input"));
    choice.gateTime = d.text("GateTime");
    bool number = false;
    core::leadingDouble(choice.gateTime, &number);
    if (functions[choice.function].gate && !number) {
      tell(app, t("421"), core::Icon::Error);
      return;
    }
    std::string error;
    int sent = 0;
    for (const auto& command : forms::setupCommands(model, choice)) {
      if (!server->instrument(command, &error)) {
        d.setLabel("Result", t("409") + " " + command + "\n" + error);
        return;
      }
      ++sent;
    }
    d.setLabel("Result", t("408") + " " + std::to_string(sent) + " / " + names[choice.function]);
  });
  d.button("Close", 152, 90, 60, 14, t("406"), nullptr, Dialog::ButtonKind::Ok);
  d.execute(windowOf(frame));
}

// ---------------------------------------------------------------------------------------------
// Logging Charts

void showLogging(ApplicationComponent& app, const Reference<css::frame::XFrame>& frame) {
  auto server = serverOf(app);
  const forms::Texts t(*server);
  forms::LoggingSettings s = forms::loadLoggingSettings(*server);
  Dialog d(contextOf(app), t("501"), 260, 246);
  d.label("ReadingsLabel", 8, 8, 120, 10, t("502"));
  d.edit("Readings", 130, 6, 60, 12, s.readings);
  d.label("IntervalLabel", 8, 24, 120, 10, t("503"));
  d.edit("Interval", 130, 22, 60, 12, s.interval);

  d.group("StartGroup", 6, 40, 248, 56, t("504"));
  d.radio("Direct", 12, 52, 110, 10, t("505"), s.begin == 1);
  d.radio("Waiting", 12, 64, 110, 10, t("506"), s.begin == 2);
  d.radio("Trigger", 12, 76, 110, 10, t("507"), s.begin == 3);
  d.edit("At", 130, 62, 118, 12, s.at.empty() ? "yyyy/mm/dd hh:mm:ss" : s.at);

  d.group("EndGroup", 6, 98, 248, 56, t("508"));
  d.radio("AfterReadings", 12, 110, 120, 10, t("509"), s.terminating == 1);
  d.radio("AfterStopTime", 12, 122, 120, 10, t("510"), s.terminating == 2);
  d.radio("OnStop", 12, 134, 120, 10, t("511"), s.terminating == 0);
  d.label("StopTimeLabel", 136, 110, 112, 10, t("512"));
  d.edit("StopTime", 136, 122, 60, 12, s.stopTime);

  d.label("ChartLabel", 8, 160, 60, 10, t("513"));
  d.listBox("Chart", 70, 158, 100, 12, {t("514"), t("515"), t("516"), t("517")}, s.chart);
  d.checkBox("InSheet", 176, 158, 78, 12, t("518"), s.inSheet);

  d.group("HistogramGroup", 6, 174, 248, 48, t("519"));
  d.checkBox("AutoMin", 12, 186, 80, 10, t("520"), s.autoMin);
  d.label("MinLabel", 96, 186, 40, 10, t("522"));
  d.edit("Min", 138, 184, 60, 12, s.minimum);
  d.checkBox("AutoMax", 12, 198, 80, 10, t("521"), s.autoMax);
  d.label("MaxLabel", 96, 198, 40, 10, t("523"));
  d.edit("Max", 138, 196, 60, 12, s.maximum);
  d.label("BinsLabel", 12, 210, 80, 10, t("524"));
  d.edit("Bins", 96, 208, 40, 12, s.bins);

  d.button(
      "OK", 128, 226, 60, 14, t("525"),
      [&] {
        forms::LoggingSettings n;
        n.readings = d.text("Readings");
        n.interval = d.text("Interval");
        n.begin = d.checked("Waiting") ? 2 : d.checked("Trigger") ? 3 : 1;
        n.at = d.text("At");
        n.terminating = d.checked("AfterStopTime") ? 2 : d.checked("OnStop") ? 0 : 1;
        n.stopTime = d.text("StopTime");
        n.chart = std::max(0, d.selected("Chart"));
        n.inSheet = d.checked("InSheet");
        n.autoMin = d.checked("AutoMin");
        n.autoMax = d.checked("AutoMax");
        n.minimum = d.text("Min");
        n.maximum = d.text("Max");
        n.bins = d.text("Bins");
        if (const auto problem = forms::checkLoggingSettings(n)) {
          tell(app, t(*problem), core::Icon::Error);
          return;
        }
        forms::saveLoggingSettings(*server, n);
        d.end(1);
      },
      Dialog::ButtonKind::Default);
  d.button("Cancel", 194, 226, 60, 14, t("526"), nullptr, Dialog::ButtonKind::Cancel);
  d.execute(windowOf(frame));
}

}  // namespace addin::uno

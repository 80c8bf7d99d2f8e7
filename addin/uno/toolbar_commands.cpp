#include "addin/uno/toolbar_commands.h"

#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include "addin/forms/form_texts.h"
#include "addin/forms/toolbar_actions.h"
#include "addin/uno/application_component.h"
#include "addin/uno/forms/forms.h"
#include "sheet/calc/uno_text.h"

namespace addin::uno {

using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using sheet::calc::utf8;

namespace {

std::unique_ptr<forms::Server> serverOf(ApplicationComponent& app) {
  return forms::serverFor(app.application(), app.visa(), [&app](const std::string& name) {
    if (!app.calc()) throw sheet::Error("There is no Calc document (SetApp).", 91);
    return std::static_pointer_cast<sheet::Worksheet>(app.calc()->worksheet(name));
  });
}

void tell(ApplicationComponent& app, const std::string& text, core::Icon icon) {
  app.interaction().message(text, kAddinTitle, icon, core::Buttons::Ok);
}

// "407\n<details>": the text of the id and the details.
std::string problemText(const forms::Texts& t, const std::string& problem) {
  const auto newline = problem.find('\n');
  const std::string id = problem.substr(0, newline);
  return t(id.c_str()) + (newline == std::string::npos ? "" : "\n" + problem.substr(newline + 1));
}

void start(ApplicationComponent& app, const Reference<css::frame::XFrame>& frame) {
  auto server = serverOf(app);
  const forms::Texts t(*server);
  const auto state = server->runState();
  if (state.active && !state.running) {  // a paused run: START resumes it
    forms::resumeRun(*server);
    return;
  }
  Reference<css::sheet::XSpreadsheetView> view(frame.is() ? frame->getController() : nullptr,
                                               UNO_QUERY);
  if (!view.is() || !app.calc()) {
    tell(app, t("602"), core::Icon::Error);
    return;
  }
  const std::string name =
      utf8(Reference<css::container::XNamed>(view->getActiveSheet(), UNO_QUERY)->getName());
  auto sheet = app.calc()->worksheet(name);
  const auto refused = forms::startRun(
      *server, {name, [&sheet](const std::string& cell, double v) { sheet->setValue(cell, v); }});
  if (refused) tell(app, t(*refused), core::Icon::Error);
}

void singleReading(ApplicationComponent& app, const Reference<css::frame::XFrame>& frame) {
  auto server = serverOf(app);
  const forms::Texts t(*server);
  Reference<css::view::XSelectionSupplier> selection(frame.is() ? frame->getController() : nullptr,
                                                     UNO_QUERY);
  Reference<css::table::XCell> cell(selection.is() ? selection->getSelection() : Any(), UNO_QUERY);
  if (!cell.is()) {
    // A range or a drawing: the reading goes into one cell only.
    tell(app, t("452"), core::Icon::Information);
    return;
  }
  const forms::SingleReading reading = forms::singleReading(*server);
  if (!reading.value) {
    tell(app, problemText(t, reading.problem), core::Icon::Error);
    return;
  }
  cell->setValue(*reading.value);
}

}  // namespace

void runToolbarCommand(const Reference<css::uno::XComponentContext>& /*context*/,
                       const Reference<css::frame::XFrame>& frame, const std::string& command) {
  rtl::Reference<ApplicationComponent> app = ApplicationComponent::current();
  if (!app.is()) return;
  try {
    app->followFrame(frame);
    if (command == "CTRAboutV38XX")
      showAbout(*app, frame);
    else if (command == "CTRConnectV38XX")
      showConnect(*app, frame);
    else if (command == "CTRFilesV38XX")
      showFiles(*app, frame);
    else if (command == "CTRFuncsV38XX")
      showSetup(*app, frame);
    else if (command == "CTRMeasV38XX")
      singleReading(*app, frame);
    else if (command == "CTRChartV38XX")
      showLogging(*app, frame);
    else if (command == "CTRTimerStartV38XX")
      start(*app, frame);
    else if (command == "CTRTimerPauseV38XX")
      app->PauseTimer();
    else if (command == "CTRTimerStopV38XX")
      app->StopTimer();
    // A counter connected or a run set up in a form makes START available.
    if (command.rfind("CTRTimer", 0) != 0) app->application().readyToStart();
  } catch (const css::uno::Exception& e) {
    tell(*app, command + ": " + utf8(e.Message), core::Icon::Error);
  } catch (const std::exception& e) {
    tell(*app, command + ": " + e.what(), core::Icon::Error);
  }
}

}  // namespace addin::uno

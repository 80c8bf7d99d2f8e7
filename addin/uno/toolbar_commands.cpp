#include "addin/uno/toolbar_commands.h"

#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>

#include "addin/uno/application_component.h"
#include "core/text_format.h"
#include "sheet/calc/uno_text.h"

namespace addin::uno {

using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;

void runToolbarCommand(const Reference<css::uno::XComponentContext>& /*context*/,
                       const Reference<css::frame::XFrame>& frame, const std::string& command) {
  rtl::Reference<ApplicationComponent> app = ApplicationComponent::current();
  if (!app.is()) return;
  try {
    if (command == "CTRTimerStartV38XX") {
      // The run logs into the sheet the user is looking at.
      Reference<css::sheet::XSpreadsheetView> view(frame.is() ? frame->getController() : nullptr,
                                                   UNO_QUERY);
      if (view.is()) app->SetSheet(Any(view->getActiveSheet()));
      const std::string interval = sheet::calc::utf8(app->LoadSetting("Interval", "1000"));
      app->StartTimer(static_cast<sal_Int32>(core::leadingInteger(interval)));
    } else if (command == "CTRTimerPauseV38XX") {
      app->PauseTimer();
    } else if (command == "CTRTimerStopV38XX") {
      app->StopTimer();
    }
  } catch (const css::uno::Exception& e) {
    std::fprintf(stderr, "CTRBridgeV38XX: %s: %s\n", command.c_str(),
                 sheet::calc::utf8(e.Message).c_str());
  }
}

}  // namespace addin::uno

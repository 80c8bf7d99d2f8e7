#include "addin/uno/document_job.h"

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

#include <cstdio>

#include "addin/uno/application_component.h"
#include "sheet/calc/uno_text.h"

namespace addin::uno {

namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;

DocumentJob::DocumentJob(Reference<css::uno::XComponentContext> context)
    : context_(std::move(context)) {}

Any DocumentJob::execute(const Sequence<css::beans::NamedValue>& arguments) {
  Reference<css::frame::XModel> model;
  for (const auto& a : arguments) {
    if (a.Name != "Environment") continue;
    Sequence<css::beans::NamedValue> environment;
    a.Value >>= environment;
    for (const auto& e : environment)
      if (e.Name == "Model") e.Value >>= model;
  }
  Reference<css::sheet::XSpreadsheetDocument> calc(model, UNO_QUERY);
  if (!calc.is()) return {};
  // A document event runs on the thread that made or opened the document, holding the office's
  // lock: the add-in is called directly here, not through the main thread.
  try {
    rtl::Reference<ApplicationComponent> app = ApplicationComponent::current();
    if (!app.is()) {
      // The one add-in object of this office, kept alive for the office's life.
      Reference<css::uno::XInterface> made = createApplication(context_);
      app = ApplicationComponent::current();
      ApplicationComponent::keep(made);
      // The language the user chose last time (About).
      Application& a = app->application();
      if (!a.GetINI().empty()) {
        const std::string chosen = a.LoadSetting("CurrentLanguage", "");
        const std::int32_t last = a.GetLanguageCount();
        for (std::int32_t i = 0; i <= last; ++i)
          if (a.GetLanguage(i) == chosen) a.SetLanguage(i);
      }
    }
    if (app.is() && !app->application().runState().active)
      app->attachDocument(Reference<css::uno::XInterface>(model, UNO_QUERY));
  } catch (const css::uno::Exception& e) {
    std::fprintf(stderr, "CTRBridgeV38XX: %s\n", sheet::calc::utf8(e.Message).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "CTRBridgeV38XX: %s\n", e.what());
  }
  return {};
}

rtl::OUString DocumentJob::getImplementationName() {
  return rtl::OUString::createFromAscii(kDocumentJobImplementation);
}
sal_Bool DocumentJob::supportsService(const rtl::OUString& name) {
  return name == "com.sun.star.task.Job";
}
Sequence<rtl::OUString> DocumentJob::getSupportedServiceNames() {
  const rtl::OUString name("com.sun.star.task.Job");
  return Sequence<rtl::OUString>(&name, 1);
}

Reference<css::uno::XInterface> SAL_CALL
createDocumentJob(const Reference<css::uno::XComponentContext>& context) {
  return static_cast<cppu::OWeakObject*>(new DocumentJob(context));
}

}  // namespace addin::uno

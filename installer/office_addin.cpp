#include "installer/office_addin.h"

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexContainer.hpp>
#include <com/sun/star/deployment/ExtensionManager.hpp>
#include <com/sun/star/deployment/XExtensionManager.hpp>
#include <com/sun/star/deployment/XPackage.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/ModuleManager.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XFrames.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/frame/XModuleManager2.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/ucb/XCommandEnvironment.hpp>
#include <com/sun/star/ucb/XProgressHandler.hpp>
#include <com/sun/star/ui/UIElementType.hpp>
#include <com/sun/star/ui/XModuleUIConfigurationManagerSupplier.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/ui/XUIConfigurationManagerSupplier.hpp>
#include <com/sun/star/ui/XUIConfigurationPersistence.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>
#include <cppuhelper/implbase3.hxx>
#include <rtl/ref.hxx>

#include <mutex>

#include "core/text_format.h"
#include "sheet/calc/office_process.h"
#include "sheet/calc/toolbar_state.h"
#include "sheet/calc/uno_text.h"

namespace installer {

namespace css = com::sun::star;
using css::beans::PropertyValue;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using sheet::calc::guarded;
using sheet::calc::ustr;
using sheet::calc::utf8;

std::vector<std::string> toolbarsNamed(const std::vector<ToolbarInfo>& all,
                                       const std::string& name) {
  const std::string wanted = core::toUpper(name);
  std::vector<std::string> found;
  for (const ToolbarInfo& bar : all)
    if (core::toUpper(bar.uiName) == wanted) found.push_back(bar.resourceUrl);
  return found;
}

namespace {

// The extension manager's command environment: every question (a licence, replacing another
// version of the extension) is answered yes, and an error it reports is kept for the message.
class ApprovingEnvironment
    : public cppu::WeakImplHelper3<css::ucb::XCommandEnvironment, css::task::XInteractionHandler,
                                   css::ucb::XProgressHandler> {
 public:
  Reference<css::task::XInteractionHandler> SAL_CALL getInteractionHandler() override {
    return this;
  }
  Reference<css::ucb::XProgressHandler> SAL_CALL getProgressHandler() override { return this; }

  void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
    css::uno::Exception reason;
    if (request->getRequest() >>= reason) {
      std::lock_guard lock(mutex_);
      if (!reason.Message.isEmpty()) lastReason_ = utf8(reason.Message);
    }
    Reference<css::task::XInteractionContinuation> abort;
    for (const auto& c : request->getContinuations()) {
      if (Reference<css::task::XInteractionApprove>(c, UNO_QUERY).is()) {
        c->select();
        return;
      }
      if (Reference<css::task::XInteractionAbort>(c, UNO_QUERY).is()) abort = c;
    }
    if (abort.is()) abort->select();
  }

  void SAL_CALL push(const Any&) override {}
  void SAL_CALL update(const Any&) override {}
  void SAL_CALL pop() override {}

  std::string lastReason() const {
    std::lock_guard lock(mutex_);
    return lastReason_;
  }

 private:
  mutable std::mutex mutex_;
  std::string lastReason_;
};

Reference<css::deployment::XExtensionManager> extensionManager(const OfficeContext& office) {
  return css::deployment::ExtensionManager::get(office);
}

// Runs an extension manager call; its failure becomes sheet::Error with the most telling reason.
template <typename F>
auto withEnvironment(const char* what, F&& f) {
  rtl::Reference<ApprovingEnvironment> environment = new ApprovingEnvironment;
  try {
    return f(Reference<css::ucb::XCommandEnvironment>(environment.get()));
  } catch (const css::uno::Exception& e) {
    std::string reason = utf8(e.Message);
    if (reason.empty()) reason = environment->lastReason();
    if (reason.empty()) reason = "the office refused";
    throw sheet::Error(std::string(what) + ": " + reason);
  }
}

std::vector<ToolbarInfo> toolbarInfos(const Reference<css::ui::XUIConfigurationManager>& manager) {
  std::vector<ToolbarInfo> out;
  for (const auto& info : manager->getUIElementsInfo(css::ui::UIElementType::TOOLBAR)) {
    ToolbarInfo bar;
    for (const auto& p : info) {
      rtl::OUString text;
      if (p.Name == "ResourceURL" && (p.Value >>= text)) bar.resourceUrl = utf8(text);
      if (p.Name == "UIName" && (p.Value >>= text)) bar.uiName = utf8(text);
    }
    out.push_back(bar);
  }
  return out;
}

Reference<css::frame::XLayoutManager> layoutOf(const Reference<css::frame::XFrame>& frame) {
  Reference<css::beans::XPropertySet> properties(frame, UNO_QUERY);
  if (!properties.is()) return {};
  return Reference<css::frame::XLayoutManager>(properties->getPropertyValue("LayoutManager"),
                                               UNO_QUERY);
}

// Takes the toolbar off every window of the office that shows it.
void takeOffWindows(const OfficeContext& office, const std::string& resourceUrl) {
  Reference<css::frame::XDesktop2> desktop = css::frame::Desktop::create(office);
  Reference<css::frame::XFrames> frames = desktop->getFrames();
  for (sal_Int32 i = 0; i < frames->getCount(); ++i) {
    Reference<css::frame::XFrame> frame(frames->getByIndex(i), UNO_QUERY);
    Reference<css::frame::XLayoutManager> layout = layoutOf(frame);
    if (!layout.is() || !layout->getElement(ustr(resourceUrl)).is()) continue;
    layout->hideElement(ustr(resourceUrl));
    layout->destroyElement(ustr(resourceUrl));
  }
}

void removeFrom(const OfficeContext& office,
                const Reference<css::ui::XUIConfigurationManager>& manager,
                const std::string& where, const std::string& name,
                std::vector<RemovedToolbar>& removed) {
  if (!manager.is()) return;
  const std::vector<std::string> urls = toolbarsNamed(toolbarInfos(manager), name);
  for (const std::string& url : urls) {
    takeOffWindows(office, url);
    manager->removeSettings(ustr(url));
    removed.push_back({where, url});
  }
  if (urls.empty()) return;
  Reference<css::ui::XUIConfigurationPersistence> persistence(manager, UNO_QUERY);
  if (persistence.is()) persistence->store();
}

std::string moduleName(const std::string& module) {
  if (module == "com.sun.star.sheet.SpreadsheetDocument") return "Calc";
  if (module == "com.sun.star.text.TextDocument") return "Writer";
  return module;
}

}  // namespace

std::vector<DeployedExtension> deployedExtensions(const OfficeContext& office,
                                                  const std::string& identifier,
                                                  const std::string& repository) {
  return withEnvironment("The extensions cannot be listed", [&](const auto& environment) {
    std::vector<DeployedExtension> found;
    const auto packages = extensionManager(office)->getDeployedExtensions(
        ustr(repository), Reference<css::task::XAbortChannel>(), environment);
    for (const auto& package : packages) {
      if (!package.is()) continue;
      const css::beans::Optional<rtl::OUString> id = package->getIdentifier();
      if (!id.IsPresent || utf8(id.Value) != identifier) continue;
      found.push_back({identifier, utf8(package->getName()), utf8(package->getVersion())});
    }
    return found;
  });
}

void installExtension(const OfficeContext& office, const std::string& path) {
  withEnvironment("The add-in cannot be installed", [&](const auto& environment) {
    Reference<css::deployment::XPackage> package = extensionManager(office)->addExtension(
        ustr(sheet::calc::fileUrl(path)), Sequence<css::beans::NamedValue>(), "user",
        Reference<css::task::XAbortChannel>(), environment);
    if (!package.is()) throw sheet::Error("The add-in cannot be installed: " + path);
    return 0;
  });
}

std::vector<DeployedExtension> removeExtension(const OfficeContext& office,
                                               const std::string& identifier) {
  std::vector<DeployedExtension> removed = deployedExtensions(office, identifier, "user");
  for (const DeployedExtension& e : removed)
    withEnvironment("The add-in cannot be uninstalled", [&](const auto& environment) {
      extensionManager(office)->removeExtension(ustr(e.identifier), ustr(e.fileName), "user",
                                                Reference<css::task::XAbortChannel>(), environment);
      return 0;
    });
  return removed;
}

std::vector<RemovedToolbar> removeToolbarsNamed(const OfficeContext& office,
                                                const std::string& name) {
  return guarded("Toolbars", [&] {
    std::vector<RemovedToolbar> removed;
    Reference<css::ui::XModuleUIConfigurationManagerSupplier> modules =
        css::ui::theModuleUIConfigurationManagerSupplier::get(office);
    Reference<css::frame::XModuleManager2> moduleManager =
        css::frame::ModuleManager::create(office);
    for (const rtl::OUString& module : moduleManager->getElementNames()) {
      Reference<css::ui::XUIConfigurationManager> manager;
      try {
        manager = modules->getUIConfigurationManager(module);
      } catch (const css::container::NoSuchElementException&) {
        continue;  // a module without a configuration of its own
      }
      removeFrom(office, manager, moduleName(utf8(module)), name, removed);
    }
    // Documents carry toolbars of their own (a Writer document based on the add-in's template).
    Reference<css::frame::XDesktop2> desktop = css::frame::Desktop::create(office);
    Reference<css::container::XEnumeration> documents =
        desktop->getComponents()->createEnumeration();
    while (documents->hasMoreElements()) {
      Reference<css::ui::XUIConfigurationManagerSupplier> document(documents->nextElement(),
                                                                   UNO_QUERY);
      if (!document.is()) continue;
      Reference<css::frame::XTitle> title(document, UNO_QUERY);
      removeFrom(office, document->getUIConfigurationManager(),
                 title.is() ? utf8(title->getTitle()) : std::string("a document"), name, removed);
    }
    return removed;
  });
}

int wireDocumentToolbar(const Reference<css::frame::XModel>& document, const std::string& name,
                        const std::vector<std::pair<std::string, std::string>>& actions) {
  Reference<css::ui::XUIConfigurationManagerSupplier> supplier(document, UNO_QUERY);
  if (!supplier.is()) return 0;
  Reference<css::ui::XUIConfigurationManager> manager = supplier->getUIConfigurationManager();
  const std::vector<std::string> urls = toolbarsNamed(toolbarInfos(manager), name);
  if (urls.empty()) return 0;
  const rtl::OUString url = ustr(urls.front());
  Reference<css::container::XIndexContainer> items(manager->getSettings(url, true),
                                                   UNO_QUERY_THROW);
  int wired = 0;
  for (std::size_t i = 0; i < actions.size() && static_cast<sal_Int32>(i) < items->getCount();
       ++i) {
    try {
      Sequence<PropertyValue> item;
      items->getByIndex(static_cast<sal_Int32>(i)) >>= item;
      bool command = false, tip = false;
      for (auto& p : item) {
        if (p.Name == "CommandURL") {
          p.Value <<= ustr(sheet::calc::kCommandScheme + actions[i].first);
          command = true;
        } else if (p.Name == "Tooltip") {
          p.Value <<= ustr(actions[i].second);
          tip = true;
        }
      }
      const sal_Int32 extra = (command ? 0 : 1) + (tip ? 0 : 1);
      if (extra) {
        sal_Int32 n = item.getLength();
        item.realloc(n + extra);
        if (!command) {
          item[n].Name = "CommandURL";
          item[n++].Value <<= ustr(sheet::calc::kCommandScheme + actions[i].first);
        }
        if (!tip) {
          item[n].Name = "Tooltip";
          item[n].Value <<= ustr(actions[i].second);
        }
      }
      items->replaceByIndex(static_cast<sal_Int32>(i), Any(item));
      ++wired;
    } catch (const css::uno::Exception&) {
      // An item that cannot be set keeps what the template gave it.
    }
  }
  manager->replaceSettings(url, Reference<css::container::XIndexAccess>(items, UNO_QUERY_THROW));
  // The document's windows show the toolbar with its new commands.
  Reference<css::frame::XController> controller = document->getCurrentController();
  Reference<css::frame::XLayoutManager> layout =
      layoutOf(controller.is() ? controller->getFrame() : Reference<css::frame::XFrame>());
  if (layout.is()) {
    layout->createElement(url);
    layout->showElement(url);
  }
  return wired;
}

}  // namespace installer

#include "installer/loader.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <filesystem>
#include <memory>

#include "addin/application.h"
#include "core/text_format.h"
#include "installer/office_addin.h"
#include "installer/office_session.h"
#include "sheet/calc/office_process.h"
#include "sheet/calc/uno_text.h"

namespace installer {

namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using sheet::calc::ustr;
using sheet::calc::utf8;

namespace {

// An error of the work, with the number the office's automation gives it.
struct LoadError {
  long number;
  std::string description;
};

css::beans::PropertyValue property(const char* name, const Any& value) {
  css::beans::PropertyValue p;
  p.Name = rtl::OUString::createFromAscii(name);
  p.Value = value;
  return p;
}

// Opens a document in a window of its own: the add-in's document job leaves hidden documents
// alone (a headless office has no windows to show anyway).
Reference<css::frame::XModel> openDocument(const OfficeContext& office, const std::string& url,
                                           bool asTemplate) {
  Reference<css::frame::XDesktop2> desktop = css::frame::Desktop::create(office);
  Sequence<css::beans::PropertyValue> args(asTemplate ? 1 : 0);
  if (asTemplate) args[0] = property("AsTemplate", Any(true));
  Reference<css::frame::XModel> document(
      desktop->loadComponentFromURL(ustr(url), "_blank", 0, args), UNO_QUERY);
  if (!document.is()) throw LoadError{kOfficeRefused, "LibreOffice could not open " + url};
  return document;
}

void closeDocument(const Reference<css::frame::XModel>& document) {
  try {
    Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
    if (closeable.is()) closeable->close(true);
  } catch (const css::uno::Exception&) {
    // The office ends next; the document goes with it.
  }
}

void requireFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    throw LoadError{kFileNotFound, "File not found: " + path};
}

// The add-in package: the extension for the current user (any earlier installation of it
// replaced), the user's settings file, and a workbook whose window shows the add-in's toolbar.
Reference<css::frame::XModel> installPackage(OfficeSession& session, const std::string& package,
                                             LoaderServices& services) {
  // The office keeps a registration of the extension it installed; an earlier one of ours is
  // cleared so that the package given is registered afresh. Other extensions are not touched.
  removeExtension(session.context(), kExtensionIdentifier);
  installExtension(session.context(), package);
  if (interruptRequested())
    throw LoadError{kOfficeRefused, "Interrupted; the add-in is installed."};
  // Until the office starts again it serves a newly installed extension from a helper process,
  // where the add-in's document job cannot reach the office's main thread.
  session.restart();
  const OfficeContext& office = session.context();
  std::error_code ec;
  const bool haveTemplate = std::filesystem::is_regular_file(services.workbookTemplate, ec);
  // Opening the workbook runs the add-in's document job, which wires and shows the toolbar.
  return openDocument(office,
                      haveTemplate ? sheet::calc::fileUrl(services.workbookTemplate)
                                   : std::string("private:factory/scalc"),
                      haveTemplate);
}

Reference<css::frame::XModel> openTemplate(const OfficeContext& office, const std::string& path) {
  Reference<css::frame::XModel> document = openDocument(office, sheet::calc::fileUrl(path), true);
  std::vector<std::pair<std::string, std::string>> actions;
  const auto items = addin::toolbarItems();
  for (int i = 0; i < addin::kMeasControl; ++i)
    actions.emplace_back(items[i].onAction, items[i].toolTip);
  try {
    wireDocumentToolbar(document, kToolbarName, actions);
  } catch (const css::uno::Exception&) {
    // A template without the toolbar opens as it is.
  }
  return document;
}

void installSettings(LoaderServices& services) {
  const std::optional<std::string> home = services.settings.dataHome();
  if (!home)
    throw LoadError{kPathFileAccess,
                    "Path/File access error: no data folder for the settings file (set HOME or "
                    "XDG_DATA_HOME)"};
  requireFile(services.settingsTemplate);
  std::string error;
  if (!addin::installSettingsFile(services.settingsTemplate, addin::settingsPathUnder(*home),
                                  &error))
    throw LoadError{kPathFileAccess, "Path/File access error: " + error};
}

}  // namespace

int runLoader(const std::string& file, const OfficeChoice& choice, LoaderServices& services) {
  const LoadMode mode = loadModeOf(file);
  if (mode == LoadMode::Unknown) {
    services.ui.message(kOpenFileUse, kLoadCaption, core::Icon::Error, core::Buttons::Ok);
    return kExitUsage;
  }
  try {
    std::string path = file;
    if (mode == LoadMode::Package && core::toLower(file).ends_with(".xla"))
      path = services.packagePath;
    requireFile(path);
    if (mode == LoadMode::Package) installSettings(services);

    OfficeSession session(choice, !choice.headless);
    Reference<css::frame::XModel> document;
    try {
      document = mode == LoadMode::Package ? installPackage(session, path, services)
                                           : openTemplate(session.context(), path);
    } catch (const sheet::Error& e) {
      throw LoadError{e.number(), e.what()};
    }
    if (choice.headless && session.started()) {
      // Nobody can work in an office without a display: it has done its part.
      closeDocument(document);
      session.end();
    } else {
      session.leaveRunning();
    }
    services.status(std::string("Open ") + file);
    return kExitOk;
  } catch (const LoadError& e) {
    services.ui.message(errorNumText(e.number, e.description), kLoadCaption, core::Icon::Error,
                        core::Buttons::Ok);
  } catch (const sheet::Error& e) {
    services.ui.message(errorNumText(e.number(), e.what()), kLoadCaption, core::Icon::Error,
                        core::Buttons::Ok);
  } catch (const css::lang::DisposedException& e) {
    services.ui.message(errorNumText(kServerUnavailable,
                                     "LibreOffice went away during the work: " + utf8(e.Message)),
                        kLoadCaption, core::Icon::Error, core::Buttons::Ok);
  } catch (const css::uno::Exception& e) {
    const std::string message = utf8(e.Message);
    services.ui.message(
        errorNumText(kOfficeRefused,
                     message.empty() ? "LibreOffice refused the operation" : message),
        kLoadCaption, core::Icon::Error, core::Buttons::Ok);
  }
  return kExitFailed;
}

}  // namespace installer

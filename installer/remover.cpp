#include "installer/remover.h"

#include <com/sun/star/lang/DisposedException.hpp>

#include "installer/office_addin.h"
#include "installer/office_session.h"
#include "sheet/calc/office_process.h"
#include "sheet/calc/uno_text.h"

namespace installer {

namespace css = com::sun::star;

int runRemover(const OfficeChoice& choice, RemoverServices& services) {
  auto fail = [&](const std::string& text) {
    services.ui.message(text, kPurgeCaption, core::Icon::Error, core::Buttons::Ok);
    return kExitFailed;
  };
  try {
    sheet::calc::localUnoContext();
  } catch (const sheet::Error& e) {
    return fail(std::string("Could not initialize the UNO bridge to LibreOffice:\r\n") + e.what());
  }
  std::unique_ptr<OfficeSession> session;
  try {
    services.progress("Starting LibreOffice...");
    // The work needs no window of the office.
    session = std::make_unique<OfficeSession>(choice, false);
  } catch (const sheet::Error& e) {
    return fail(std::string(kCouldNotStart) + "\r\n" + e.what());
  }
  try {
    int removed = 0;
    for (const RemovedToolbar& bar : removeToolbarsNamed(session->context(), kToolbarName)) {
      services.progress("Deleted the toolbar of " + bar.where + " (" + bar.resourceUrl + ")");
      ++removed;
    }
    for (const DeployedExtension& e : removeExtension(session->context(), kExtensionIdentifier)) {
      services.progress("Uninstalled the extension " + e.identifier + " " + e.version + " (" +
                        e.fileName + ")");
      ++removed;
    }
    // An installation for all users is not the current user's to remove.
    for (const DeployedExtension& e :
         deployedExtensions(session->context(), kExtensionIdentifier, "shared"))
      services.progress("Installed for all users, left alone: " + e.fileName +
                        " (remove it as root: unopkg remove --shared " + e.identifier + ")");
    services.progress(removed ? "Done." : "Nothing to remove.");
    session->end();
    return kExitOk;
  } catch (const sheet::Error& e) {
    return fail(e.what());
  } catch (const css::lang::DisposedException& e) {
    return fail("LibreOffice went away during the work: " + sheet::calc::utf8(e.Message));
  } catch (const css::uno::Exception& e) {
    return fail("LibreOffice refused: " + sheet::calc::utf8(e.Message));
  }
}

}  // namespace installer

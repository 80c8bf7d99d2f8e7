#pragma once
// What the installer tools change in an office: the add-in's extension (installed and
// removed for the current user through the office's extension manager) and the toolbars named
// after the add-in (in the modules' and the documents' user-interface configuration).

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <string>
#include <utility>
#include <vector>

namespace installer {

using OfficeContext = com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>;

// One toolbar of a user-interface configuration.
struct ToolbarInfo {
  std::string resourceUrl;
  std::string uiName;
};

// The toolbars among `all` whose name equals `name` ignoring letter case, every one of them
// examined, in their order.
std::vector<std::string> toolbarsNamed(const std::vector<ToolbarInfo>& all,
                                       const std::string& name);

// ---- The extension

struct DeployedExtension {
  std::string identifier;
  std::string fileName;
  std::string version;
};

// The extensions with `identifier` deployed in `repository` ("user", "shared", "bundled").
std::vector<DeployedExtension> deployedExtensions(const OfficeContext& office,
                                                  const std::string& identifier,
                                                  const std::string& repository);

// Installs the package at `path` for the current user, answering the office's questions (a
// licence, replacing another version) with yes. Throws sheet::Error with the office's reason.
void installExtension(const OfficeContext& office, const std::string& path);

// Uninstalls every extension with `identifier` from the current user's extensions; returns
// those removed. Throws sheet::Error with the office's reason.
std::vector<DeployedExtension> removeExtension(const OfficeContext& office,
                                               const std::string& identifier);

// ---- Toolbars

struct RemovedToolbar {
  std::string where;  // "Calc", "Writer", another module's name, or a document's title
  std::string resourceUrl;
};

// Deletes every toolbar named `name` (letter case ignored) from the user-interface
// configuration of every module of the office and of every open document, taking it off the
// windows that show it. Throws sheet::Error when the office refuses.
std::vector<RemovedToolbar> removeToolbarsNamed(const OfficeContext& office,
                                                const std::string& name);

// Gives the first items of the toolbar named `name` in `document`'s own configuration the
// commands "vnd.orvalent.tallyway:<macro>" and the tool tips of `actions`, in item order, and
// shows it. Items that cannot be set are left as they are; returns the number set.
int wireDocumentToolbar(
    const com::sun::star::uno::Reference<com::sun::star::frame::XModel>& document,
    const std::string& name, const std::vector<std::pair<std::string, std::string>>& actions);

}  // namespace installer

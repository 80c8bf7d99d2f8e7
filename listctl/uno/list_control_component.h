#pragma once
// The UNO face of the instrument list control: the service CTRListV38XX (also reachable as
// CTRBridgeV38XX.CTRListV38XX), whose members are those of listctl::ListControl, and which
// builds its frame, list and two buttons into a dialog, the add-in's Connect form or a macro's.

#include <CTRBridgeV38XX/XCTRListV38XX.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase3.hxx>

#include <functional>
#include <memory>
#include <string>

#include "addin/uno/forms/dialog.h"
#include "listctl/list_control.h"

namespace listctl::uno {

namespace css = com::sun::star;

inline constexpr const char* kListImplementation = "com.orvalent.v38xx.CTRListV38XX";

// The captions of the control's frame, columns and buttons.
struct ListTexts {
  std::string frame = kFrameCaption;
  std::string columns[4] = {kColumns[0], kColumns[1], kColumns[2], kColumns[3]};
  std::string connect = "Connect";
  std::string disconnect = "Disconnect";
};

class ListControlComponent
    : public cppu::WeakImplHelper3<CTRBridgeV38XX::XCTRListV38XX, css::beans::XPropertySet,
                                   css::lang::XServiceInfo> {
 public:
  explicit ListControlComponent(css::uno::Reference<css::uno::XComponentContext> context);

  ListControl& logic() { return list_; }
  // Builds the controls into `dialog` at x, y (dialog units, 330 x 120); `changed` is called after
  // the user's Connect or Disconnect.
  void place(addin::uno::Dialog& dialog, int x, int y, const ListTexts& texts,
             std::function<void()> changed, std::function<void()> connected,
             std::function<void()> disconnected);
  // Shows the rows, icons and button states in the dialog it was placed in.
  void show();
  // The dialog is gone: the rows and the mark stay for the next one.
  void detach() { dialog_ = nullptr; }

  // XPropertySet: mark_Address and lvw_now.
  css::uno::Reference<css::beans::XPropertySetInfo> SAL_CALL getPropertySetInfo() override;
  void SAL_CALL setPropertyValue(const rtl::OUString& name, const css::uno::Any& value) override;
  css::uno::Any SAL_CALL getPropertyValue(const rtl::OUString& name) override;
  void SAL_CALL addPropertyChangeListener(
      const rtl::OUString&,
      const css::uno::Reference<css::beans::XPropertyChangeListener>&) override {}
  void SAL_CALL removePropertyChangeListener(
      const rtl::OUString&,
      const css::uno::Reference<css::beans::XPropertyChangeListener>&) override {}
  void SAL_CALL addVetoableChangeListener(
      const rtl::OUString&,
      const css::uno::Reference<css::beans::XVetoableChangeListener>&) override {}
  void SAL_CALL removeVetoableChangeListener(
      const rtl::OUString&,
      const css::uno::Reference<css::beans::XVetoableChangeListener>&) override {}

  // XCTRListV38XX
  void SAL_CALL IDN(const rtl::OUString& sBuffer, const rtl::OUString& Addr) override;
  sal_Int16 SAL_CALL selmark() override;
  css::uno::Any SAL_CALL ListClear() override;
  void SAL_CALL placeInDialog(const css::uno::Reference<css::uno::XInterface>& dialogModel,
                              sal_Int32 x, sal_Int32 y) override;
  void SAL_CALL bind(const css::uno::Reference<css::uno::XInterface>& dialog) override;

  // XServiceInfo
  rtl::OUString SAL_CALL getImplementationName() override;
  sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
  css::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

 private:
  css::uno::Reference<css::uno::XComponentContext> context_;
  ListControl list_;
  addin::uno::Dialog* dialog_ = nullptr;
  // The rows' icons, read from the extension's files once.
  css::uno::Reference<css::graphic::XGraphic> connectedIcon_;
  css::uno::Reference<css::graphic::XGraphic> unconnectedIcon_;
  std::unique_ptr<addin::uno::Dialog> ownDialog_;  // for a macro's dialog
  std::function<void()> changed_;
};

css::uno::Reference<css::uno::XInterface> SAL_CALL
createListControl(const css::uno::Reference<css::uno::XComponentContext>& context);

}  // namespace listctl::uno

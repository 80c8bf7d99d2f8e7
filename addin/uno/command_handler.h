#pragma once
// The add-in's toolbar commands: a protocol handler for "vnd.orvalent.tallyway:<macro name>"
// URLs. Each toolbar item dispatches its URL here; the item is greyed while its command is
// disabled (the add-in changes that state during runs through its command bar).

#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase4.hxx>

#include <map>
#include <mutex>
#include <vector>

namespace addin::uno {

namespace css = com::sun::star;

inline constexpr const char* kCommandHandlerImplementation = "com.orvalent.v38xx.TallywayCommands";

class CommandHandler
    : public cppu::WeakImplHelper4<css::frame::XDispatchProvider, css::frame::XDispatch,
                                   css::lang::XInitialization, css::lang::XServiceInfo> {
 public:
  explicit CommandHandler(css::uno::Reference<css::uno::XComponentContext> context);
  ~CommandHandler() override;

  // XInitialization: the frame the handler serves.
  void SAL_CALL initialize(const css::uno::Sequence<css::uno::Any>& arguments) override;

  // XDispatchProvider
  css::uno::Reference<css::frame::XDispatch> SAL_CALL queryDispatch(const css::util::URL& url,
                                                                    const rtl::OUString& target,
                                                                    sal_Int32 flags) override;
  css::uno::Sequence<css::uno::Reference<css::frame::XDispatch>> SAL_CALL
  queryDispatches(const css::uno::Sequence<css::frame::DispatchDescriptor>& requests) override;

  // XDispatch
  void SAL_CALL dispatch(const css::util::URL& url,
                         const css::uno::Sequence<css::beans::PropertyValue>& arguments) override;
  void SAL_CALL addStatusListener(const css::uno::Reference<css::frame::XStatusListener>& listener,
                                  const css::util::URL& url) override;
  void SAL_CALL
  removeStatusListener(const css::uno::Reference<css::frame::XStatusListener>& listener,
                       const css::util::URL& url) override;

  // XServiceInfo
  rtl::OUString SAL_CALL getImplementationName() override;
  sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
  css::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

 private:
  void tell(const std::string& command, bool enabled);

  css::uno::Reference<css::uno::XComponentContext> context_;
  css::uno::Reference<css::frame::XFrame> frame_;
  std::mutex mutex_;
  std::map<std::string, std::vector<css::uno::Reference<css::frame::XStatusListener>>> listeners_;
  int stateListener_ = 0;
};

css::uno::Reference<css::uno::XInterface> SAL_CALL
createCommandHandler(const css::uno::Reference<css::uno::XComponentContext>& context);

}  // namespace addin::uno

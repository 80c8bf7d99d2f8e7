#include "addin/uno/command_handler.h"

#include <com/sun/star/frame/FeatureStateEvent.hpp>

#include "addin/uno/application_component.h"
#include "addin/uno/main_thread.h"
#include "addin/uno/toolbar_commands.h"
#include "sheet/calc/toolbar_state.h"
#include "sheet/calc/uno_text.h"

namespace addin::uno {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using sheet::calc::ToolbarState;
using sheet::calc::ustr;
using sheet::calc::utf8;

CommandHandler::CommandHandler(Reference<css::uno::XComponentContext> context)
    : context_(std::move(context)) {
  stateListener_ = ToolbarState::instance().addListener(
      [this](const std::string& command, bool enabled) { tell(command, enabled); });
}

CommandHandler::~CommandHandler() { ToolbarState::instance().removeListener(stateListener_); }

void CommandHandler::initialize(const Sequence<Any>& arguments) {
  if (arguments.getLength() > 0) arguments[0] >>= frame_;
}

Reference<css::frame::XDispatch> CommandHandler::queryDispatch(const css::util::URL& url,
                                                               const rtl::OUString&, sal_Int32) {
  if (url.Complete.startsWith(rtl::OUString::createFromAscii(sheet::calc::kCommandScheme)))
    return this;
  return {};
}

Sequence<Reference<css::frame::XDispatch>> CommandHandler::queryDispatches(
    const Sequence<css::frame::DispatchDescriptor>& requests) {
  Sequence<Reference<css::frame::XDispatch>> out(requests.getLength());
  for (sal_Int32 i = 0; i < requests.getLength(); ++i)
    out[i] = queryDispatch(requests[i].FeatureURL, requests[i].FrameName, requests[i].SearchFlags);
  return out;
}

void CommandHandler::dispatch(const css::util::URL& url,
                              const Sequence<css::beans::PropertyValue>&) {
  const std::string command =
      utf8(url.Complete).substr(std::string(sheet::calc::kCommandScheme).size());
  if (!ToolbarState::instance().enabled(utf8(url.Complete))) return;
  // Forms are modal: they run on the office's main thread after the click has been handled
  // (and a command dispatched by a script does not wait for the user).
  Reference<css::uno::XComponentContext> context = context_;
  Reference<css::frame::XFrame> frame = frame_;
  postToMainThread(context_,
                   [context, frame, command] { runToolbarCommand(context, frame, command); });
}

void CommandHandler::addStatusListener(const Reference<css::frame::XStatusListener>& listener,
                                       const css::util::URL& url) {
  if (!listener.is()) return;
  const std::string command = utf8(url.Complete);
  {
    std::lock_guard lock(mutex_);
    listeners_[command].push_back(listener);
  }
  css::frame::FeatureStateEvent event;
  event.FeatureURL = url;
  event.IsEnabled = ToolbarState::instance().enabled(command);
  event.Source = static_cast<cppu::OWeakObject*>(this);
  listener->statusChanged(event);
}

void CommandHandler::removeStatusListener(const Reference<css::frame::XStatusListener>& listener,
                                          const css::util::URL& url) {
  std::lock_guard lock(mutex_);
  auto& list = listeners_[utf8(url.Complete)];
  std::erase(list, listener);
}

void CommandHandler::tell(const std::string& command, bool enabled) {
  std::vector<Reference<css::frame::XStatusListener>> list;
  {
    std::lock_guard lock(mutex_);
    auto it = listeners_.find(command);
    if (it == listeners_.end()) return;
    list = it->second;
  }
  css::frame::FeatureStateEvent event;
  event.FeatureURL.Complete = ustr(command);
  event.FeatureURL.Main = event.FeatureURL.Complete;
  event.IsEnabled = enabled;
  event.Source = static_cast<cppu::OWeakObject*>(this);
  for (const auto& l : list) {
    try {
      l->statusChanged(event);
    } catch (const css::uno::Exception&) {
      // A toolbar that is gone.
    }
  }
}

rtl::OUString CommandHandler::getImplementationName() {
  return rtl::OUString::createFromAscii(kCommandHandlerImplementation);
}
sal_Bool CommandHandler::supportsService(const rtl::OUString& name) {
  return name == "com.sun.star.frame.ProtocolHandler";
}
Sequence<rtl::OUString> CommandHandler::getSupportedServiceNames() {
  const rtl::OUString name("com.sun.star.frame.ProtocolHandler");
  return Sequence<rtl::OUString>(&name, 1);
}

Reference<css::uno::XInterface> SAL_CALL
createCommandHandler(const Reference<css::uno::XComponentContext>& context) {
  return static_cast<cppu::OWeakObject*>(new CommandHandler(context));
}

}  // namespace addin::uno

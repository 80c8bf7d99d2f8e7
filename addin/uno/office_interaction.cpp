#include "addin/uno/office_interaction.h"

#include <com/sun/star/awt/MessageBoxButtons.hpp>
#include <com/sun/star/awt/MessageBoxResults.hpp>
#include <com/sun/star/awt/MessageBoxType.hpp>
#include <com/sun/star/awt/XMessageBox.hpp>
#include <com/sun/star/awt/XMessageBoxFactory.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "sheet/calc/uno_text.h"

namespace addin::uno {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using sheet::calc::ustr;

namespace {

// The text as the office's boxes show it: line breaks without carriage returns.
std::string withLineFeeds(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

}  // namespace

OfficeInteraction::OfficeInteraction(Reference<css::uno::XComponentContext> context)
    : context_(std::move(context)) {}

void OfficeInteraction::setDocument(Reference<css::frame::XModel> document) {
  document_ = std::move(document);
}

bool OfficeInteraction::headlessOffice() {
  static const bool headless = [] {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string args{std::istreambuf_iterator<char>(in), {}};
    std::size_t start = 0;
    while (start < args.size()) {
      const std::size_t end = args.find('\0', start);
      const std::string arg = args.substr(start, end - start);
      if (arg == "--headless" || arg == "-headless") return true;
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return false;
  }();
  return headless;
}

std::vector<std::string> OfficeInteraction::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

core::Answer OfficeInteraction::message(const std::string& text, const std::string& caption,
                                        core::Icon icon, core::Buttons buttons) {
  const std::string shown = withLineFeeds(text);
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(shown);
  }
  const core::Answer unattended =
      buttons == core::Buttons::YesNo ? core::Answer::No : core::Answer::Ok;

  Reference<css::awt::XWindowPeer> parent;
  if (!headlessOffice() && document_.is()) {
    Reference<css::frame::XController> controller = document_->getCurrentController();
    Reference<css::frame::XFrame> frame = controller.is() ? controller->getFrame() : nullptr;
    Reference<css::awt::XWindow2> window(frame.is() ? frame->getContainerWindow() : nullptr,
                                         UNO_QUERY);
    if (window.is() && window->isVisible()) parent.set(window, UNO_QUERY);
  }
  if (!parent.is()) {
    std::fprintf(stderr, "%s: %s%s\n", caption.c_str(), shown.c_str(),
                 buttons == core::Buttons::YesNo ? " [answered No]" : "");
    std::fflush(stderr);
    return unattended;
  }

  css::awt::MessageBoxType type = css::awt::MessageBoxType_MESSAGEBOX;
  switch (icon) {
    case core::Icon::Information:
      type = css::awt::MessageBoxType_INFOBOX;
      break;
    case core::Icon::Question:
      type = css::awt::MessageBoxType_QUERYBOX;
      break;
    case core::Icon::Exclamation:
      type = css::awt::MessageBoxType_WARNINGBOX;
      break;
    case core::Icon::Error:
      type = css::awt::MessageBoxType_ERRORBOX;
      break;
    case core::Icon::None:
      break;
  }
  const sal_Int32 buttonSet = buttons == core::Buttons::YesNo
                                  ? css::awt::MessageBoxButtons::BUTTONS_YES_NO |
                                        css::awt::MessageBoxButtons::DEFAULT_BUTTON_NO
                                  : css::awt::MessageBoxButtons::BUTTONS_OK;
  try {
    Reference<css::awt::XMessageBoxFactory> factory(
        context_->getServiceManager()->createInstanceWithContext("com.sun.star.awt.Toolkit",
                                                                 context_),
        UNO_QUERY);
    Reference<css::awt::XMessageBox> box =
        factory->createMessageBox(parent, type, buttonSet, ustr(caption), ustr(shown));
    const sal_Int16 result = box->execute();
    if (buttons == core::Buttons::Ok) return core::Answer::Ok;
    return result == css::awt::MessageBoxResults::YES ? core::Answer::Yes : core::Answer::No;
  } catch (const css::uno::Exception&) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), shown.c_str());
    return unattended;
  }
}

}  // namespace addin::uno

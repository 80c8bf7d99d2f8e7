#pragma once
// The add-in's messages inside the office: a message box of the office over the document's
// window, or, in a headless office or for a document without a visible window, a line on the
// office's standard error that never waits for anybody (a modal box there would hang the run).
// A Yes/No question that nobody can answer gets its default button, No.

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <mutex>
#include <string>
#include <vector>

#include "core/interaction.h"

namespace addin::uno {

namespace css = com::sun::star;

class OfficeInteraction : public core::Interaction {
 public:
  explicit OfficeInteraction(css::uno::Reference<css::uno::XComponentContext> context);

  void setDocument(css::uno::Reference<css::frame::XModel> document);

  core::Answer message(const std::string& text, const std::string& caption, core::Icon icon,
                       core::Buttons buttons) override;
  std::optional<core::Color> pickColor(core::Color) override { return std::nullopt; }
  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest&) override {
    return std::nullopt;
  }

  // Every message so far, oldest first.
  std::vector<std::string> messages() const;

  // True when this office has no display (started with --headless).
  static bool headlessOffice();

 private:
  css::uno::Reference<css::uno::XComponentContext> context_;
  css::uno::Reference<css::frame::XModel> document_;
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
};

}  // namespace addin::uno

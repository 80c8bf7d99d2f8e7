#pragma once
// The installer tools' messages without a window: "<caption>: <text>" on standard error, each
// line break of the message a line of its own. Nothing waits for an answer.

#include <cstdio>
#include <string>

#include "core/interaction.h"

namespace installer {

class TerminalInteraction : public core::Interaction {
 public:
  explicit TerminalInteraction(std::FILE* out = stderr) : out_(out) {}

  core::Answer message(const std::string& text, const std::string& caption, core::Icon,
                       core::Buttons buttons) override;
  std::optional<core::Color> pickColor(core::Color) override { return std::nullopt; }
  std::optional<core::SaveFileChoice> saveFile(const core::SaveFileRequest&) override {
    return std::nullopt;
  }

 private:
  std::FILE* out_;
};

// `text` without carriage returns and without the line breaks at its end.
std::string terminalText(const std::string& text);

}  // namespace installer

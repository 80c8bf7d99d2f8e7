#include "installer/terminal_interaction.h"

namespace installer {

std::string terminalText(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

core::Answer TerminalInteraction::message(const std::string& text, const std::string& caption,
                                          core::Icon, core::Buttons buttons) {
  std::fprintf(out_, "%s: %s\n", caption.c_str(), terminalText(text).c_str());
  std::fflush(out_);
  return buttons == core::Buttons::Ok ? core::Answer::Ok : core::Answer::No;
}

}  // namespace installer

#pragma once
// A long operation of the record dialogs (reading a large database, a search, an export,
// drawing): its progress window, with the operation's text and a Cancel button, appears on
// the operation's first report, so that quick operations never show one.

#include <memory>
#include <string>
#include <string_view>

#include "core/interaction.h"
#include "records/reading_summary.h"

namespace measure {
class Texts;
}

namespace records {

// Text keys of the progress windows; "%d" stands for the database number.
inline constexpr std::string_view kReadingText = "1300";    // reading every row of a file
inline constexpr std::string_view kSearchingText = "1301";  // Search
inline constexpr std::string_view kExportingText = "1302";  // Output to CSV
inline constexpr std::string_view kDrawingText = "1303";    // Draw Chart
inline constexpr std::string_view kCancelText = "1304";

// `text` with its "%d" replaced by `n` (the text comes from the INI file, so it is never
// used as a format).
std::string withNumber(std::string text, int n);

class LongOperation {
 public:
  LongOperation(core::Interaction& ui, const measure::Texts& texts, std::string_view key,
                int database);
  LongOperation(const LongOperation&) = delete;
  LongOperation& operator=(const LongOperation&) = delete;

  // `done` of `total` (0 when not known); false once the user has cancelled.
  bool report(long long done, long long total);
  bool cancelled() const { return cancelled_; }
  // report() as a ProgressFn, valid while this object lives.
  ProgressFn reporter() {
    return [this](long long done, long long total) { return report(done, total); };
  }

 private:
  core::Interaction& ui_;
  core::ProgressRequest request_;
  std::unique_ptr<core::Progress> window_;
  bool cancelled_ = false;
};

}  // namespace records

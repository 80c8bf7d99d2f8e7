#include "records/long_operation.h"

#include "core/text_format.h"
#include "measure/texts.h"

namespace records {

std::string withNumber(std::string text, int n) {
  const size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, core::format("%d", n));
  return text;
}

LongOperation::LongOperation(core::Interaction& ui, const measure::Texts& texts,
                             std::string_view key, int database)
    : ui_(ui), request_{withNumber(texts.get(key), database), texts.get(kCancelText)} {}

bool LongOperation::report(long long done, long long total) {
  if (cancelled_) return false;
  if (!window_) window_ = ui_.beginProgress(request_);
  cancelled_ = !window_->update(done, total);
  return !cancelled_;
}

}  // namespace records

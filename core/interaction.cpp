#include "core/interaction.h"

namespace core {

namespace {

class NoProgress final : public Progress {
 public:
  bool update(long long, long long) override { return true; }
};

}  // namespace

std::unique_ptr<Progress> Interaction::beginProgress(const ProgressRequest&) {
  return std::make_unique<NoProgress>();
}

}  // namespace core

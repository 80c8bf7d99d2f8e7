#include "addin/uno/main_thread.h"

#include <com/sun/star/awt/XCallback.hpp>
#include <com/sun/star/awt/XRequestCallback.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <cppuhelper/implbase1.hxx>

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

namespace addin::uno {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace {

constexpr std::chrono::seconds kMainThreadWait{60};

class Callback : public cppu::WeakImplHelper1<css::awt::XCallback> {
 public:
  explicit Callback(std::function<void()> f) : f_(std::move(f)) {}
  void SAL_CALL notify(const css::uno::Any&) override {
    auto f = std::move(f_);
    if (f) f();
  }

 private:
  std::function<void()> f_;
};

}  // namespace

bool onMainThread() { return static_cast<pid_t>(syscall(SYS_gettid)) == getpid(); }

void postToMainThread(const Reference<css::uno::XComponentContext>& context,
                      std::function<void()> f) {
  Reference<css::awt::XRequestCallback> async(
      context->getServiceManager()->createInstanceWithContext("com.sun.star.awt.AsyncCallback",
                                                              context),
      UNO_QUERY_THROW);
  async->addCallback(new Callback(std::move(f)), css::uno::Any());
}

void runOnMainThread(const Reference<css::uno::XComponentContext>& context,
                     const std::function<void()>& f) {
  if (onMainThread()) {
    f();
    return;
  }
  struct Job {
    std::mutex mutex;
    std::condition_variable cv;
    std::function<void()> f;
    bool finished = false;
    bool abandoned = false;
    std::exception_ptr error;
  };
  auto job = std::make_shared<Job>();
  job->f = f;
  postToMainThread(context, [job] {
    {
      std::lock_guard lock(job->mutex);
      if (job->abandoned) return;  // the caller gave up: its frame is gone
    }
    try {
      job->f();
    } catch (...) {
      job->error = std::current_exception();
    }
    std::lock_guard lock(job->mutex);
    job->finished = true;
    job->cv.notify_all();
  });
  std::unique_lock lock(job->mutex);
  // A caller that holds the office's lock itself (a Basic macro started from another process)
  // would wait for ever: it gets an error instead.
  if (!job->cv.wait_for(lock, kMainThreadWait, [&] { return job->finished; })) {
    job->abandoned = true;
    throw css::uno::RuntimeException(
        "The office's main thread did not take the call within 60 s. A macro that calls the "
        "add-in must run in the office (from its toolbar, a form or a document event), not "
        "from another process that holds the office's lock.",
        nullptr);
  }
  if (job->error) std::rethrow_exception(job->error);
}

}  // namespace addin::uno

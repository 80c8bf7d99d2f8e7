#include "addin/uno/main_thread.h"

#include <com/sun/star/awt/XCallback.hpp>
#include <com/sun/star/awt/XRequestCallback.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <cppuhelper/implbase1.hxx>

#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <exception>
#include <mutex>

namespace addin::uno {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace {

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
  struct Done {
    std::mutex mutex;
    std::condition_variable cv;
    bool finished = false;
    std::exception_ptr error;
  };
  auto done = std::make_shared<Done>();
  postToMainThread(context, [done, &f] {
    try {
      f();
    } catch (...) {
      done->error = std::current_exception();
    }
    std::lock_guard lock(done->mutex);
    done->finished = true;
    done->cv.notify_all();
  });
  std::unique_lock lock(done->mutex);
  done->cv.wait(lock, [&] { return done->finished; });
  if (done->error) std::rethrow_exception(done->error);
}

}  // namespace addin::uno

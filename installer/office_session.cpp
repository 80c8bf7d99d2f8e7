#include "installer/office_session.h"

#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/task/XRestartManager.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "sheet/calc/office_process.h"
#include "sheet/sheet.h"

extern char** environ;

namespace installer {

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace {

std::atomic<bool> interrupt{false};

// soffice's status after setting up a new profile: it asks to be started again.
constexpr int kRestartStatus = 81;

std::string exitText(int status) {
  if (WIFEXITED(status)) return "status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return std::string("signal ") + strsignal(WTERMSIG(status));
  return "status " + std::to_string(status);
}

}  // namespace

void requestInterrupt() { interrupt = true; }
bool interruptRequested() { return interrupt; }

OfficeSession::OfficeSession(const OfficeChoice& choice, bool visible,
                             std::chrono::milliseconds timeout)
    : choice_(choice), visible_(visible), timeout_(timeout) {
  sheet::calc::localUnoContext();
  open();
}

void OfficeSession::restart() {
  if (started()) {
    end();
  } else if (context_.is()) {
    // Somebody's running office: it restarts itself as after installing an extension from its
    // own extension manager, asking about unsaved documents on its screen.
    Reference<css::task::XRestartManager> restarter(
        context_->getValueByName("/singletons/com.sun.star.task.OfficeRestartManager"), UNO_QUERY);
    if (!restarter.is())
      throw sheet::Error("LibreOffice cannot restart itself; restart it to use the add-in.",
                         kOfficeRefused);
    restarter->requestRestart(Reference<css::task::XInteractionHandler>());
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    try {
      for (;;) {
        if (std::chrono::steady_clock::now() >= deadline)
          throw sheet::Error(
              "LibreOffice did not restart (a document may be waiting to be "
              "saved); restart it to use the add-in.",
              kOfficeRefused);
        context_->getServiceManager();  // fails once the office has gone
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
      }
    } catch (const css::uno::RuntimeException&) {
      // The old office is gone.
    }
    context_.clear();
  }
  open();
}

void OfficeSession::open() {
  const OfficeChoice& choice = choice_;
  const bool visible = visible_;
  const std::chrono::milliseconds timeout = timeout_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  auto left = [&] {
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()));
  };
  if (!choice.pipe.empty()) {
    pipe_ = choice.pipe;
    context_ =
        sheet::calc::connectToOffice(pipe_, std::min(left(), std::chrono::milliseconds(10000)));
    if (!context_.is())
      throw sheet::Error("No office accepts on the pipe \"" + pipe_ +
                             "\" (start it with soffice --accept=\"pipe,name=" + pipe_ +
                             ";urp;\").",
                         kCannotCreateObject);
    return;
  }
  pipe_ = installerPipe(choice.profile, getuid());
  // An office left running by an earlier run of Load or addinpurge still accepts here.
  context_ = sheet::calc::connectToOffice(pipe_, std::chrono::milliseconds(0));
  if (context_.is()) return;

  launch(choice, visible);
  bool forwarded = false;  // the office of the profile was running and took the request
  while (!context_.is()) {
    if (interruptRequested()) {
      end();
      throw sheet::Error("Interrupted while LibreOffice was starting.", kCannotCreateObject);
    }
    if (left().count() == 0) {
      end();
      throw sheet::Error(
          "LibreOffice did not answer within " + std::to_string(timeout.count() / 1000) + " s.",
          kCannotCreateObject);
    }
    context_ =
        sheet::calc::connectToOffice(pipe_, std::min(left(), std::chrono::milliseconds(250)));
    if (context_.is() || forwarded) continue;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) continue;
    pid_ = 0;
    if (WIFEXITED(status) && WEXITSTATUS(status) == kRestartStatus) {
      launch(choice, visible);
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      forwarded = true;
    } else {
      throw sheet::Error("LibreOffice (" + choice.soffice + ") ended before it could be reached (" +
                             exitText(status) + ").",
                         kCannotCreateObject);
    }
  }
}

OfficeSession::~OfficeSession() {
  if (!leaveRunning_) end();
}

void OfficeSession::launch(const OfficeChoice& choice, bool visible) {
  std::vector<std::string> args = officeArguments(choice, pipe_, visible);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The office outlives the program when it is left for the user: it must hold none of the
  // program's terminal or pipes.
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null",
                                     fd == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  const int rc = posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) {
    pid_ = 0;
    throw sheet::Error(
        "LibreOffice cannot be started: " + choice.soffice + ": " + std::strerror(rc) + ".",
        kCannotCreateObject);
  }
}

void OfficeSession::end() {
  // Only an office this session started is ended (pid_ is 0 for one that was running).
  sheet::calc::endOffice(pid_ > 0 ? context_ : nullptr, pid_);
  context_.clear();
  pid_ = 0;
}

}  // namespace installer

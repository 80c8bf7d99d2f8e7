#include "sheet/calc/office_process.h"

#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/XDesktop.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <cppuhelper/bootstrap.hxx>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "sheet/calc/uno_text.h"

extern char** environ;

namespace sheet::calc {

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

constexpr const char* kFundamentalRc =
    "vnd.sun.star.pathname:/usr/lib/libreoffice/program/fundamentalrc";

bool alive(pid_t pid);

}  // namespace

std::string fileUrl(const std::string& path) {
  std::string url = "file://";
  for (char c : std::filesystem::absolute(path).lexically_normal().string()) {
    if (std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/-_.~", c)) {
      url += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
      url += hex;
    }
  }
  return url;
}

namespace {

bool alive(pid_t pid) {
  int status = 0;
  return pid > 0 && waitpid(pid, &status, WNOHANG) == 0;
}

}  // namespace

Reference<css::uno::XComponentContext> localUnoContext() {
  static Reference<css::uno::XComponentContext> context = [] {
    setenv("URE_BOOTSTRAP", kFundamentalRc, 0);
    try {
      return cppu::defaultBootstrap_InitialComponentContext();
    } catch (const css::uno::Exception& e) {
      throw Error("UNO cannot start in this program: " + utf8(e.Message));
    }
  }();
  return context;
}

Reference<css::uno::XComponentContext> connectToOffice(const std::string& pipe,
                                                       std::chrono::milliseconds timeout,
                                                       pid_t watch) {
  const Reference<css::uno::XComponentContext> local = localUnoContext();
  Reference<css::bridge::XUnoUrlResolver> resolver(
      local->getServiceManager()->createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver",
                                                            local),
      UNO_QUERY_THROW);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const rtl::OUString url = ustr("uno:pipe,name=" + pipe + ";urp;StarOffice.ComponentContext");
  for (;;) {
    try {
      return Reference<css::uno::XComponentContext>(resolver->resolve(url), UNO_QUERY_THROW);
    } catch (const css::connection::NoConnectException&) {
      if (std::chrono::steady_clock::now() >= deadline) return {};
      if (watch && !alive(watch)) return {};
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
}

OfficeProcess::OfficeProcess(OfficeOptions options) : options_(std::move(options)) {
  profile_ = options_.profile;
  if (profile_.empty()) {
    char pattern[] = "/tmp/v38xx-office-XXXXXX";
    if (!mkdtemp(pattern)) throw Error("No temporary folder for the office's profile.");
    profile_ = pattern;
    temporaryProfile_ = true;
  }
  pipe_ = "v38xx_" + std::to_string(getpid()) + "_" +
          std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000);
  const auto deadline = std::chrono::steady_clock::now() + options_.startTimeout;
  launch();
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    context_ = connectToOffice(pipe_, left, pid_);
    if (context_.is()) return;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      // A new profile makes the first start end with status 81 once it is set up.
      if (WIFEXITED(status) && WEXITSTATUS(status) == 81) {
        launch();
        continue;
      }
      pid_ = 0;
      if (temporaryProfile_) std::filesystem::remove_all(profile_);
      throw Error("LibreOffice (" + options_.soffice + ") ended before it could be reached" +
                  (WIFEXITED(status) ? ", status " + std::to_string(WEXITSTATUS(status)) : "") +
                  ".");
    }
  }
  terminate();
  throw Error("LibreOffice did not answer within " +
              std::to_string(options_.startTimeout.count() / 1000) + " s.");
}

OfficeProcess::~OfficeProcess() {
  terminate();
  if (temporaryProfile_) {
    std::error_code ec;
    std::filesystem::remove_all(profile_, ec);
  }
}

void OfficeProcess::launch() {
  std::vector<std::string> args = {options_.soffice};
  if (options_.headless) args.push_back("--headless");
  if (options_.invisible) args.push_back("--invisible");
  for (const char* a : {"--norestore", "--nologo", "--nolockcheck"}) args.push_back(a);
  if (options_.documents.empty()) args.push_back("--nodefault");
  args.push_back("--accept=pipe,name=" + pipe_ + ";urp;");
  args.push_back("-env:UserInstallation=" + fileUrl(profile_));
  for (const auto& d : options_.documents) args.push_back(d);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The office's own chatter (javaldx warnings) stays out of the program's output.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  const int rc = posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) {
    pid_ = 0;
    throw Error("LibreOffice cannot be started (" + options_.soffice + "): " + std::strerror(rc) +
                ". Is LibreOffice Calc installed?");
  }
}

void endOffice(const Reference<css::uno::XComponentContext>& context, pid_t pid) {
  if (pid <= 0) return;
  if (context.is()) {
    try {
      Reference<css::frame::XDesktop> desktop(
          context->getServiceManager()->createInstanceWithContext("com.sun.star.frame.Desktop",
                                                                  context),
          UNO_QUERY);
      if (desktop.is()) desktop->terminate();
    } catch (const css::uno::Exception&) {
      // The bridge goes down with the office.
    }
  }
  bool ended = false;
  for (int i = 0; i < 300 && !ended; ++i) {  // up to 30 s
    int status = 0;
    ended = waitpid(pid, &status, WNOHANG) == pid;
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  kill(-pid, SIGKILL);
  if (!ended) waitpid(pid, nullptr, 0);
}

void OfficeProcess::terminate() {
  if (pid_ <= 0) return;
  endOffice(context_, pid_);
  context_.clear();
  pid_ = 0;
}

}  // namespace sheet::calc

#pragma once
// An office for programs that are not part of it (v38xx-log, the installer tools): a private
// soffice in a profile folder of its own, started and stopped by process id and reached over a
// named UNO pipe, or an office that is already running and accepts on a pipe.

#include <com/sun/star/uno/XComponentContext.hpp>

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace sheet::calc {

// The file URL of a path ("file:///tmp/run%201.ods"), absolute and normalised.
std::string fileUrl(const std::string& path);

// The office's component context in this process, after pointing UNO at the office's
// installation (URE_BOOTSTRAP) when nothing else did. Throws sheet::Error when UNO cannot start.
com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> localUnoContext();

// A connection to the office accepting on pipe `pipe`; empty when none answers in time.
com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> connectToOffice(
    const std::string& pipe, std::chrono::milliseconds timeout, pid_t watch = 0);

// Ends an office this program started as the leader of a process group of its own: asks it
// to end through its desktop (when `context` is a bridge to it), waits up to 30 s for process
// `pid` and reaps it, then ends whatever is left of the group (helpers such as the uno.bin
// that serves an extension do not always end with the office).
void endOffice(
    const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>& context,
    pid_t pid);

struct OfficeOptions {
  std::string soffice = "/usr/lib/libreoffice/program/soffice";
  std::string profile;                 // the user installation folder; empty: a new temporary one
  bool headless = true;                // no display at all
  bool invisible = true;               // no start centre, no document windows unless asked for
  std::vector<std::string> documents;  // opened at start (a visible office)
  std::chrono::milliseconds startTimeout{60000};
};

class OfficeProcess {
 public:
  // Starts soffice and connects to it; throws sheet::Error with the reason when it cannot.
  explicit OfficeProcess(OfficeOptions options = {});
  // Terminates the office (and removes a temporary profile).
  ~OfficeProcess();
  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;

  const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>& context() const {
    return context_;
  }
  pid_t pid() const { return pid_; }
  const std::string& profile() const { return profile_; }

  // Ends the office through its desktop, waiting for it; kills it when it does not end.
  void terminate();

 private:
  void launch();

  OfficeOptions options_;
  std::string profile_;
  bool temporaryProfile_ = false;
  std::string pipe_;
  pid_t pid_ = 0;
  com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context_;
};

}  // namespace sheet::calc

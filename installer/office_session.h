#pragma once
// The LibreOffice the installer tools work with: the office of the user's profile (or of the
// profile given), reached over the installer's UNO pipe. An office that already runs for the
// profile is used as it is; otherwise soffice is started, and only an office this session
// started is ended by it (unless it is left running for the user).

#include <com/sun/star/uno/XComponentContext.hpp>

#include <sys/types.h>

#include <chrono>
#include <string>

#include "installer/installer_options.h"

namespace installer {

// Asks the work to stop at its next step (Ctrl+C): an office being started is ended, and the
// work fails with "Interrupted". Safe in a signal handler.
void requestInterrupt();
bool interruptRequested();

class OfficeSession {
 public:
  // Reaches or starts the office; `visible` starts it with windows. Throws sheet::Error
  // (number kCannotCreateObject) with the reason when no office can be reached.
  OfficeSession(const OfficeChoice& choice, bool visible,
                std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Ends an office this session started and did not leave running.
  ~OfficeSession();
  OfficeSession(const OfficeSession&) = delete;
  OfficeSession& operator=(const OfficeSession&) = delete;

  const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>& context() const {
    return context_;
  }
  // This session started the office (rather than finding one running).
  bool started() const { return pid_ > 0; }
  const std::string& pipe() const { return pipe_; }

  // Starts the office again (an installed extension runs in it only after that) and reaches
  // it: one this session started is ended and started anew, a running one is asked to restart
  // itself. Throws sheet::Error when it does not come back.
  void restart();

  // Leaves the office running when the session ends (the user works on in it).
  void leaveRunning() { leaveRunning_ = true; }
  // Ends an office this session started: through its desktop, killed when it does not end.
  void end();

 private:
  void open();
  void launch(const OfficeChoice& choice, bool visible);

  OfficeChoice choice_;
  bool visible_;
  std::chrono::milliseconds timeout_;
  std::string pipe_;
  pid_t pid_ = 0;
  bool leaveRunning_ = false;
  com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context_;
};

}  // namespace installer

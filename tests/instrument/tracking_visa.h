#pragma once
// The recording VISA double with VISA's ownership rule added: closing a resource-manager session
// ends every instrument session opened through it. Tests see which sessions are still open.

#include <map>
#include <set>

#include "support/recording_visa.h"

namespace instrument_test {

class TrackingVisa : public testsupport::RecordingVisa {
 public:
  std::set<ViSession> openManagers;
  std::set<ViSession> openSessions;

  ViStatus viOpenDefaultRM(ViSession* rm) override {
    const ViStatus status = RecordingVisa::viOpenDefaultRM(rm);
    if (status == VI_SUCCESS) openManagers.insert(*rm);
    return status;
  }

  ViStatus viOpen(ViSession rm, const char* name, ViAccessMode mode, ViUInt32 timeout,
                  ViSession* session) override {
    const ViStatus status = RecordingVisa::viOpen(rm, name, mode, timeout, session);
    if (status == VI_SUCCESS) {
      owner_[*session] = rm;
      openSessions.insert(*session);
    }
    return status;
  }

  ViStatus viClose(ViObject object) override {
    const ViStatus status = RecordingVisa::viClose(object);
    openSessions.erase(object);
    if (openManagers.erase(object)) {
      for (const auto& [session, rm] : owner_) {
        if (rm != object || !openSessions.erase(session)) continue;
        // Ended by its resource manager: forget it without recording a call of its own.
        RecordingVisa::viClose(session);
        calls.pop_back();
      }
    }
    return status;
  }

 private:
  std::map<ViSession, ViSession> owner_;
};

}  // namespace instrument_test

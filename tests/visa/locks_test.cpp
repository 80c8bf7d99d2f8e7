// viLock and viUnlock of the builtin VISA between sessions of one process, on the simulated
// counter: exclusive and shared locks, nesting, waiting with a time-out, what a locked-out
// session may still do, and what closing releases.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "visa/builtin_library.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kSim = "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR";

class Locks : public ::testing::Test {
 protected:
  void SetUp() override {
    visa::BuiltinOptions o;
    o.usbtmcSysfsDir = "/nonexistent/v38xx-test/usbmisc";
    o.deviceDir = "/nonexistent/v38xx-test/dev";
    o.gpibLibrary = "libv38xx-test-no-such-gpib.so.0";
    lib = std::make_unique<visa::BuiltinLibrary>(o);
    ASSERT_EQ(lib->viOpenDefaultRM(&rm), VI_SUCCESS);
    for (ViSession* s : {&a, &b, &c})
      ASSERT_EQ(lib->viOpen(rm, kSim, VI_NO_LOCK, 0, s), VI_SUCCESS);
  }
  void TearDown() override { lib->viClose(rm); }

  ViStatus write(ViSession s) {
    ViUInt32 n = 0;
    return lib->viWrite(s, reinterpret_cast<const ViByte*>("*OPC?\n"), 6, &n);
  }
  // *OPC? and its answer; the status of the first step that fails.
  ViStatus query(ViSession s) {
    if (const ViStatus st = write(s); st != VI_SUCCESS) return st;
    char buffer[16];
    ViUInt32 n = 0;
    return lib->viRead(s, reinterpret_cast<ViByte*>(buffer), sizeof buffer, &n);
  }
  ViUInt32 lockState(ViSession s) {
    ViUInt32 state = 99;
    EXPECT_EQ(lib->viGetAttribute(s, VI_ATTR_RSRC_LOCK_STATE, &state), VI_SUCCESS);
    return state;
  }

  std::unique_ptr<visa::BuiltinLibrary> lib;
  ViSession rm = VI_NULL, a = VI_NULL, b = VI_NULL, c = VI_NULL;
};

TEST_F(Locks, ExclusiveLockKeepsOtherSessionsOutAndNests) {
  EXPECT_EQ(lockState(a), VI_NO_LOCK);
  ASSERT_EQ(lib->viLock(a, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
  EXPECT_EQ(lockState(b), VI_EXCLUSIVE_LOCK);
  EXPECT_EQ(query(a), VI_SUCCESS);
  EXPECT_EQ(write(b), VI_ERROR_RSRC_LOCKED);
  EXPECT_EQ(lib->viClear(b), VI_ERROR_RSRC_LOCKED);
  EXPECT_EQ(lib->viLock(b, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_ERROR_TMO);
  EXPECT_EQ(lib->viLock(b, VI_SHARED_LOCK, 50, nullptr, nullptr), VI_ERROR_TMO);
  EXPECT_EQ(lib->viSetAttribute(b, VI_ATTR_TMO_VALUE, 500), VI_SUCCESS) << "local attribute";

  EXPECT_EQ(lib->viLock(a, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS_NESTED_EXCLUSIVE);
  EXPECT_EQ(lib->viUnlock(a), VI_SUCCESS_NESTED_EXCLUSIVE);
  EXPECT_EQ(write(b), VI_ERROR_RSRC_LOCKED) << "still locked once";
  EXPECT_EQ(lib->viUnlock(a), VI_SUCCESS);
  EXPECT_EQ(lib->viUnlock(a), VI_ERROR_SESN_NLOCKED);
  EXPECT_EQ(lockState(a), VI_NO_LOCK);
  EXPECT_EQ(query(b), VI_SUCCESS);
}

TEST_F(Locks, SharedLockAdmitsTheSessionsWithItsKey) {
  char key[VI_FIND_BUFLEN] = {};
  ASSERT_EQ(lib->viLock(a, VI_SHARED_LOCK, 0, nullptr, key), VI_SUCCESS);
  ASSERT_NE(std::string(key), "");
  char same[VI_FIND_BUFLEN] = {};
  EXPECT_EQ(lib->viLock(b, VI_SHARED_LOCK, 0, key, same), VI_SUCCESS);
  EXPECT_STREQ(same, key);
  EXPECT_EQ(lockState(c), VI_SHARED_LOCK);
  EXPECT_EQ(query(a), VI_SUCCESS);
  EXPECT_EQ(query(b), VI_SUCCESS);
  EXPECT_EQ(write(c), VI_ERROR_RSRC_LOCKED);
  EXPECT_EQ(lib->viLock(c, VI_SHARED_LOCK, 0, "another-key", nullptr), VI_ERROR_TMO);
  EXPECT_EQ(lib->viLock(c, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_ERROR_TMO);
  EXPECT_EQ(lib->viLock(a, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_ERROR_TMO)
      << "b shares the lock";
  EXPECT_EQ(lib->viLock(a, VI_SHARED_LOCK, 0, "wrong", nullptr), VI_ERROR_INV_ACCESS_KEY);
  EXPECT_EQ(lib->viLock(a, VI_SHARED_LOCK, 0, nullptr, nullptr), VI_SUCCESS_NESTED_SHARED);
  EXPECT_EQ(lib->viUnlock(a), VI_SUCCESS_NESTED_SHARED);
  EXPECT_EQ(lib->viUnlock(a), VI_SUCCESS);
  EXPECT_EQ(lib->viUnlock(b), VI_SUCCESS);
  EXPECT_EQ(query(c), VI_SUCCESS);
}

TEST_F(Locks, ASecondSessionWaitsForTheLockAndGetsOnlyItsOwnAnswers) {
  ASSERT_EQ(lib->viLock(a, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
  ASSERT_EQ(write(a), VI_SUCCESS);  // a's answer waits unread while b waits for the lock
  std::string bAnswer;
  std::thread waiter([&] {
    ASSERT_EQ(lib->viLock(b, VI_EXCLUSIVE_LOCK, 10000, nullptr, nullptr), VI_SUCCESS);
    ViUInt32 n = 0;
    ASSERT_EQ(lib->viWrite(b, reinterpret_cast<const ViByte*>("*IDN?\n"), 6, &n), VI_SUCCESS);
    char buffer[128];
    ASSERT_EQ(lib->viRead(b, reinterpret_cast<ViByte*>(buffer), sizeof buffer, &n), VI_SUCCESS);
    bAnswer.assign(buffer, n);
    EXPECT_EQ(lib->viUnlock(b), VI_SUCCESS);
  });
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(lib->viUnlock(a), VI_SUCCESS);
  waiter.join();
  EXPECT_EQ(bAnswer.rfind("ORVALENT,V3800A,", 0), 0u) << bAnswer;
  char buffer[16];
  ViUInt32 n = 0;
  ASSERT_EQ(lib->viRead(a, reinterpret_cast<ViByte*>(buffer), sizeof buffer, &n), VI_SUCCESS);
  EXPECT_EQ(std::string(buffer, n), "1\n") << "a's own answer, kept for it";
}

TEST_F(Locks, ClosingReleasesAndOpeningCanLock) {
  ASSERT_EQ(lib->viLock(a, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
  ViSession d = VI_NULL;
  EXPECT_EQ(lib->viOpen(rm, kSim, VI_EXCLUSIVE_LOCK, 0, &d), VI_ERROR_RSRC_LOCKED);
  EXPECT_EQ(d, VI_NULL);
  EXPECT_EQ(lib->viClose(a), VI_SUCCESS);
  ASSERT_EQ(lib->viOpen(rm, kSim, VI_EXCLUSIVE_LOCK, 0, &d), VI_SUCCESS);
  EXPECT_EQ(write(b), VI_ERROR_RSRC_LOCKED);
  EXPECT_EQ(lib->viClose(d), VI_SUCCESS);
  EXPECT_EQ(query(b), VI_SUCCESS);
}

TEST_F(Locks, RefusesWhatVisaDoesNotAllow) {
  struct Case {
    const char* what;
    ViSession session;
    ViAccessMode type;
    const char* key;
    ViStatus status;
  };
  const Case cases[] = {
      {"no lock type", a, VI_NO_LOCK, nullptr, VI_ERROR_INV_LOCK_TYPE},
      {"both lock types", a, VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK, nullptr, VI_ERROR_INV_LOCK_TYPE},
      {"key with a blank", a, VI_SHARED_LOCK, "my key", VI_ERROR_INV_ACCESS_KEY},
      {"resource manager", rm, VI_EXCLUSIVE_LOCK, nullptr, VI_ERROR_NSUP_OPER},
      {"closed session", 0x7FFF, VI_EXCLUSIVE_LOCK, nullptr, VI_ERROR_INV_OBJECT},
  };
  for (const Case& k : cases)
    EXPECT_EQ(lib->viLock(k.session, k.type, 0, k.key, nullptr), k.status) << k.what;
  EXPECT_EQ(lib->viUnlock(a), VI_ERROR_SESN_NLOCKED);
  EXPECT_EQ(lib->viUnlock(rm), VI_ERROR_NSUP_OPER);
}

}  // namespace

#pragma once
// Numbers of the VXI-11 core channel that both ends agree on: error codes of Device_Error,
// operation flags and the reason bits of device_read.

#include <cstdint>

namespace visa::vxi11 {

inline constexpr std::uint32_t kCoreProgram = 0x0607AF;
inline constexpr std::uint32_t kCoreVersion = 1;
inline constexpr std::uint32_t kAbortProgram = 0x0607B0;

// Procedures of the core channel.
enum CoreProcedure : std::uint32_t {
  kCreateLink = 10,
  kDeviceWrite = 11,
  kDeviceRead = 12,
  kDeviceReadStb = 13,
  kDeviceTrigger = 14,
  kDeviceClear = 15,
  kDeviceRemote = 16,
  kDeviceLocal = 17,
  kDeviceLock = 18,
  kDeviceUnlock = 19,
  kDeviceEnableSrq = 20,
  kDeviceDocmd = 22,
  kDestroyLink = 23,
  kCreateIntrChan = 25,
  kDestroyIntrChan = 26,
};

// Device_ErrorCode values.
enum DeviceError : std::int32_t {
  kNoError = 0,
  kSyntaxError = 1,
  kDeviceNotAccessible = 3,
  kInvalidLinkIdentifier = 4,
  kParameterError = 5,
  kChannelNotEstablished = 6,
  kOperationNotSupported = 8,
  kOutOfResources = 9,
  kDeviceLockedByAnotherLink = 11,
  kNoLockHeldByThisLink = 12,
  kIoTimeout = 15,
  kIoError = 17,
  kInvalidAddress = 21,
  kAbort = 23,
  kChannelAlreadyEstablished = 29,
};

// Device_Flags bits.
inline constexpr std::int32_t kFlagWaitLock = 0x01;
inline constexpr std::int32_t kFlagEnd = 0x08;
inline constexpr std::int32_t kFlagTermCharSet = 0x80;

// device_read reason bits: why the read stopped.
inline constexpr std::int32_t kReasonRequestCount = 0x01;
inline constexpr std::int32_t kReasonTermChar = 0x02;
inline constexpr std::int32_t kReasonEnd = 0x04;

}  // namespace visa::vxi11

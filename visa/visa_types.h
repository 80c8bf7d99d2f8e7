#pragma once
// VISA's types, status codes, attribute ids and constants with their standard values
// (VPP-4.3.2). Only what this product and its tests use is listed.

#include <cstdint>

using ViUInt32 = std::uint32_t;
using ViInt32 = std::int32_t;
using ViUInt16 = std::uint16_t;
using ViInt16 = std::int16_t;
using ViByte = unsigned char;
using ViChar = char;
using ViBoolean = std::uint16_t;
using ViStatus = ViInt32;
using ViObject = ViUInt32;
using ViSession = ViUInt32;
using ViFindList = ViObject;
using ViAttr = ViUInt32;
using ViAttrState = std::uint64_t;  // 64-bit VISA: ViAttrState is a pointer-sized integer
using ViAccessMode = ViUInt32;
using ViString = ViChar*;
using ViConstString = const ViChar*;
using ViRsrc = ViString;
using ViConstRsrc = const ViChar*;
using ViBuf = ViByte*;
using ViConstBuf = const ViByte*;
using ViPBuf = ViByte*;
using ViPUInt32 = ViUInt32*;
using ViPSession = ViSession*;
using ViPFindList = ViFindList*;
using ViUInt8 = std::uint8_t;
using ViPUInt16 = ViUInt16*;
using ViVersion = ViUInt32;
using ViEventType = ViUInt32;
using ViEventFilter = ViUInt32;
using ViEvent = ViObject;
using ViJobId = ViUInt32;
using ViKeyId = ViString;
using ViAddr = void*;

// Descriptor and description buffers are 256 characters (VI_FIND_BUFLEN).
inline constexpr int VI_FIND_BUFLEN = 256;

inline constexpr ViSession VI_NULL = 0;
inline constexpr ViBoolean VI_TRUE = 1;
inline constexpr ViBoolean VI_FALSE = 0;
inline constexpr ViAccessMode VI_NO_LOCK = 0;
inline constexpr ViAccessMode VI_EXCLUSIVE_LOCK = 1;
inline constexpr ViAccessMode VI_SHARED_LOCK = 2;
inline constexpr ViAccessMode VI_LOAD_CONFIG = 4;
inline constexpr ViUInt32 VI_TMO_IMMEDIATE = 0;
inline constexpr ViUInt32 VI_TMO_INFINITE = 0xFFFFFFFFu;

// Completion codes.
inline constexpr ViStatus VI_SUCCESS = 0;
inline constexpr ViStatus VI_SUCCESS_EVENT_EN = 0x3FFF0002;
inline constexpr ViStatus VI_SUCCESS_EVENT_DIS = 0x3FFF0003;
inline constexpr ViStatus VI_SUCCESS_QUEUE_EMPTY = 0x3FFF0004;
inline constexpr ViStatus VI_SUCCESS_TERM_CHAR = 0x3FFF0005;
inline constexpr ViStatus VI_SUCCESS_MAX_CNT = 0x3FFF0006;
inline constexpr ViStatus VI_SUCCESS_DEV_NPRESENT = 0x3FFF007D;
inline constexpr ViStatus VI_SUCCESS_QUEUE_NEMPTY = 0x3FFF0080;
inline constexpr ViStatus VI_WARN_NULL_OBJECT = 0x3FFF0082;
inline constexpr ViStatus VI_WARN_NSUP_ATTR_STATE = 0x3FFF0084;
inline constexpr ViStatus VI_WARN_UNKNOWN_STATUS = 0x3FFF0085;

// Error codes (negative as 32-bit signed values).
inline constexpr ViStatus VI_ERROR_SYSTEM_ERROR = static_cast<ViStatus>(0xBFFF0000u);
inline constexpr ViStatus VI_ERROR_INV_OBJECT = static_cast<ViStatus>(0xBFFF000Eu);
inline constexpr ViStatus VI_ERROR_RSRC_LOCKED = static_cast<ViStatus>(0xBFFF000Fu);
inline constexpr ViStatus VI_ERROR_INV_LOCK_TYPE = static_cast<ViStatus>(0xBFFF0020u);
inline constexpr ViStatus VI_ERROR_INV_ACCESS_KEY = static_cast<ViStatus>(0xBFFF0021u);
inline constexpr ViStatus VI_ERROR_SESN_NLOCKED = static_cast<ViStatus>(0xBFFF009Cu);
inline constexpr ViStatus VI_SUCCESS_NESTED_SHARED = static_cast<ViStatus>(0x3FFF0099u);
inline constexpr ViStatus VI_SUCCESS_NESTED_EXCLUSIVE = static_cast<ViStatus>(0x3FFF009Au);
inline constexpr ViStatus VI_ERROR_INV_EXPR = static_cast<ViStatus>(0xBFFF0010u);
inline constexpr ViStatus VI_ERROR_RSRC_NFOUND = static_cast<ViStatus>(0xBFFF0011u);
inline constexpr ViStatus VI_ERROR_INV_RSRC_NAME = static_cast<ViStatus>(0xBFFF0012u);
inline constexpr ViStatus VI_ERROR_INV_ACC_MODE = static_cast<ViStatus>(0xBFFF0013u);
inline constexpr ViStatus VI_ERROR_TMO = static_cast<ViStatus>(0xBFFF0015u);
inline constexpr ViStatus VI_ERROR_ABORT = static_cast<ViStatus>(0xBFFF0030u);
inline constexpr ViStatus VI_ERROR_CLOSING_FAILED = static_cast<ViStatus>(0xBFFF0016u);
inline constexpr ViStatus VI_ERROR_NSUP_ATTR = static_cast<ViStatus>(0xBFFF001Du);
inline constexpr ViStatus VI_ERROR_NSUP_ATTR_STATE = static_cast<ViStatus>(0xBFFF001Eu);
inline constexpr ViStatus VI_ERROR_ATTR_READONLY = static_cast<ViStatus>(0xBFFF001Fu);
inline constexpr ViStatus VI_ERROR_RAW_WR_PROT_VIOL = static_cast<ViStatus>(0xBFFF0034u);
inline constexpr ViStatus VI_ERROR_RAW_RD_PROT_VIOL = static_cast<ViStatus>(0xBFFF0035u);
inline constexpr ViStatus VI_ERROR_OUTP_PROT_VIOL = static_cast<ViStatus>(0xBFFF0036u);
inline constexpr ViStatus VI_ERROR_INP_PROT_VIOL = static_cast<ViStatus>(0xBFFF0037u);
inline constexpr ViStatus VI_ERROR_BERR = static_cast<ViStatus>(0xBFFF0038u);
inline constexpr ViStatus VI_ERROR_ALLOC = static_cast<ViStatus>(0xBFFF003Cu);
inline constexpr ViStatus VI_ERROR_IO = static_cast<ViStatus>(0xBFFF003Eu);
inline constexpr ViStatus VI_ERROR_NSUP_OPER = static_cast<ViStatus>(0xBFFF0067u);
inline constexpr ViStatus VI_ERROR_RSRC_BUSY = static_cast<ViStatus>(0xBFFF0072u);
inline constexpr ViStatus VI_ERROR_INV_PARAMETER = static_cast<ViStatus>(0xBFFF0078u);
inline constexpr ViStatus VI_ERROR_NLISTENERS = static_cast<ViStatus>(0xBFFF005Fu);
inline constexpr ViStatus VI_ERROR_NCIC = static_cast<ViStatus>(0xBFFF0060u);
inline constexpr ViStatus VI_ERROR_NSYS_CNTLR = static_cast<ViStatus>(0xBFFF0061u);
inline constexpr ViStatus VI_ERROR_INV_MODE = static_cast<ViStatus>(0xBFFF0091u);
inline constexpr ViStatus VI_ERROR_LIBRARY_NFOUND = static_cast<ViStatus>(0xBFFF009Eu);
inline constexpr ViStatus VI_ERROR_CONN_LOST = static_cast<ViStatus>(0xBFFF00A6u);
inline constexpr ViStatus VI_ERROR_INV_SETUP = static_cast<ViStatus>(0xBFFF003Au);
inline constexpr ViStatus VI_ERROR_USER_BUF = static_cast<ViStatus>(0xBFFF0071u);
inline constexpr ViStatus VI_ERROR_INV_EVENT = static_cast<ViStatus>(0xBFFF0026u);
inline constexpr ViStatus VI_ERROR_INV_MASK = static_cast<ViStatus>(0xBFFF003Du);
inline constexpr ViStatus VI_ERROR_NIMPL_OPER = static_cast<ViStatus>(0xBFFF0081u);
inline constexpr ViStatus VI_ERROR_INV_LENGTH = static_cast<ViStatus>(0xBFFF0083u);

// Attributes.
inline constexpr ViAttr VI_ATTR_RSRC_CLASS = 0xBFFF0001u;
inline constexpr ViAttr VI_ATTR_RSRC_NAME = 0xBFFF0002u;
inline constexpr ViAttr VI_ATTR_RSRC_IMPL_VERSION = 0x3FFF0003u;
inline constexpr ViAttr VI_ATTR_RSRC_LOCK_STATE = 0x3FFF0004u;
inline constexpr ViAttr VI_ATTR_RSRC_SPEC_VERSION = 0x3FFF0170u;
inline constexpr ViAttr VI_ATTR_RSRC_MANF_NAME = 0xBFFF0174u;
inline constexpr ViAttr VI_ATTR_RSRC_MANF_ID = 0x3FFF0175u;
inline constexpr ViAttr VI_ATTR_RM_SESSION = 0x3FFF00C4u;
inline constexpr ViAttr VI_ATTR_TCPIP_HOSTNAME = 0xBFFF0196u;
inline constexpr ViAttr VI_ATTR_TCPIP_DEVICE_NAME = 0xBFFF0199u;
inline constexpr ViAttr VI_ATTR_USB_INTFC_NUM = 0x3FFF01A1u;
inline constexpr ViAttr VI_ATTR_TMO_VALUE = 0x3FFF001Au;
inline constexpr ViAttr VI_ATTR_INTF_TYPE = 0x3FFF0171u;
inline constexpr ViAttr VI_ATTR_INTF_NUM = 0x3FFF0176u;
inline constexpr ViAttr VI_ATTR_TERMCHAR = 0x3FFF0018u;
inline constexpr ViAttr VI_ATTR_TERMCHAR_EN = 0x3FFF0038u;
inline constexpr ViAttr VI_ATTR_SEND_END_EN = 0x3FFF0016u;
inline constexpr ViAttr VI_ATTR_SUPPRESS_END_EN = 0x3FFF0036u;
inline constexpr ViAttr VI_ATTR_TCPIP_ADDR = 0xBFFF0195u;
inline constexpr ViAttr VI_ATTR_TCPIP_PORT = 0x3FFF0197u;
inline constexpr ViAttr VI_ATTR_MANF_ID = 0x3FFF00D9u;
inline constexpr ViAttr VI_ATTR_MODEL_CODE = 0x3FFF00DFu;
inline constexpr ViAttr VI_ATTR_USB_SERIAL_NUM = 0xBFFF01A0u;
inline constexpr ViAttr VI_ATTR_GPIB_PRIMARY_ADDR = 0x3FFF0172u;
inline constexpr ViAttr VI_ATTR_GPIB_SECONDARY_ADDR = 0x3FFF0173u;

// Interface types (VI_ATTR_INTF_TYPE).
inline constexpr ViUInt16 VI_INTF_GPIB = 1;
inline constexpr ViUInt16 VI_INTF_TCPIP = 6;
inline constexpr ViUInt16 VI_INTF_USB = 7;

// viFlush / viSetBuf masks.
inline constexpr ViUInt16 VI_READ_BUF = 1;
inline constexpr ViUInt16 VI_WRITE_BUF = 2;
inline constexpr ViUInt16 VI_READ_BUF_DISCARD = 4;
inline constexpr ViUInt16 VI_WRITE_BUF_DISCARD = 8;
inline constexpr ViUInt16 VI_IO_IN_BUF = 16;
inline constexpr ViUInt16 VI_IO_OUT_BUF = 32;

// viGpibControlREN modes.
inline constexpr ViUInt16 VI_GPIB_REN_DEASSERT = 0;
inline constexpr ViUInt16 VI_GPIB_REN_ASSERT = 1;
inline constexpr ViUInt16 VI_GPIB_REN_DEASSERT_GTL = 2;
inline constexpr ViUInt16 VI_GPIB_REN_ASSERT_ADDRESS = 3;
inline constexpr ViUInt16 VI_GPIB_REN_ASSERT_LLO = 4;
inline constexpr ViUInt16 VI_GPIB_REN_ASSERT_ADDRESS_LLO = 5;
inline constexpr ViUInt16 VI_GPIB_REN_ADDRESS_GTL = 6;

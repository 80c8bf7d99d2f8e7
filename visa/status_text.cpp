#include "visa/status_text.h"

#include "core/text_format.h"

namespace visa {

namespace {

struct StatusText {
  ViStatus status;
  const char* name;
  const char* description;
};

// VPP-4.3 completion and error codes with their standard descriptions.
constexpr StatusText kStatusTexts[] = {
    {static_cast<ViStatus>(0x00000000u), "VI_SUCCESS", "Operation completed successfully."},
    {static_cast<ViStatus>(0x3FFF0002u), "VI_SUCCESS_EVENT_EN",
     "Specified event is already enabled for at least one of the specified mechanisms."},
    {static_cast<ViStatus>(0x3FFF0003u), "VI_SUCCESS_EVENT_DIS",
     "Specified event is already disabled for at least one of the specified mechanisms."},
    {static_cast<ViStatus>(0x3FFF0004u), "VI_SUCCESS_QUEUE_EMPTY",
     "Operation completed successfully, but queue was already empty."},
    {static_cast<ViStatus>(0x3FFF0005u), "VI_SUCCESS_TERM_CHAR",
     "The specified termination character was read."},
    {static_cast<ViStatus>(0x3FFF0006u), "VI_SUCCESS_MAX_CNT",
     "The number of bytes transferred is equal to the requested input count. More data may be "
     "available."},
    {static_cast<ViStatus>(0x3FFF000Cu), "VI_WARN_QUEUE_OVERFLOW",
     "VISA received more event information of the specified type than the configured queue size "
     "could hold."},
    {static_cast<ViStatus>(0x3FFF0077u), "VI_WARN_CONFIG_NLOADED",
     "The specified configuration either does not exist or could not be loaded. VISA-specified "
     "defaults will be used."},
    {static_cast<ViStatus>(0x3FFF007Du), "VI_SUCCESS_DEV_NPRESENT",
     "Session opened successfully, but the device at the specified address is not responding."},
    {static_cast<ViStatus>(0x3FFF007Eu), "VI_SUCCESS_TRIG_MAPPED",
     "The path from trigSrc to trigDest is already mapped."},
    {static_cast<ViStatus>(0x3FFF0080u), "VI_SUCCESS_QUEUE_NEMPTY",
     "Wait terminated successfully on receipt of an event notification. There is at least one more "
     "event object of the requested type(s) available for this session."},
    {static_cast<ViStatus>(0x3FFF0082u), "VI_WARN_NULL_OBJECT",
     "The specified object reference is uninitialized."},
    {static_cast<ViStatus>(0x3FFF0084u), "VI_WARN_NSUP_ATTR_STATE",
     "Although the specified state of the attribute is valid, it is not supported by this "
     "implementation."},
    {static_cast<ViStatus>(0x3FFF0085u), "VI_WARN_UNKNOWN_STATUS",
     "The status code passed to the operation could not be interpreted."},
    {static_cast<ViStatus>(0x3FFF0088u), "VI_WARN_NSUP_BUF",
     "The specified I/O buffer type is not supported."},
    {static_cast<ViStatus>(0x3FFF0098u), "VI_SUCCESS_NCHAIN",
     "Event handled successfully. Do not invoke any other handlers on this session for this "
     "event."},
    {static_cast<ViStatus>(0x3FFF0099u), "VI_SUCCESS_NESTED_SHARED",
     "Operation completed successfully, and this session has nested shared locks."},
    {static_cast<ViStatus>(0x3FFF009Au), "VI_SUCCESS_NESTED_EXCLUSIVE",
     "Operation completed successfully, and this session has nested exclusive locks."},
    {static_cast<ViStatus>(0x3FFF009Bu), "VI_SUCCESS_SYNC",
     "Operation completed successfully, but the operation was actually synchronous rather than "
     "asynchronous."},
    {static_cast<ViStatus>(0x3FFF00A9u), "VI_WARN_EXT_FUNC_NIMPL",
     "The operation succeeded, but a lower level driver did not implement the extended "
     "functionality."},
    {static_cast<ViStatus>(0xBFFF0000u), "VI_ERROR_SYSTEM_ERROR",
     "Unknown system error (miscellaneous error)."},
    {static_cast<ViStatus>(0xBFFF000Eu), "VI_ERROR_INV_OBJECT",
     "The given session or object reference is invalid."},
    {static_cast<ViStatus>(0xBFFF000Fu), "VI_ERROR_RSRC_LOCKED",
     "Specified type of lock cannot be obtained, or specified operation cannot be performed, "
     "because the resource is locked."},
    {static_cast<ViStatus>(0xBFFF0010u), "VI_ERROR_INV_EXPR",
     "Invalid expression specified for search."},
    {static_cast<ViStatus>(0xBFFF0011u), "VI_ERROR_RSRC_NFOUND",
     "Insufficient location information or the requested device or resource is not present in the "
     "system."},
    {static_cast<ViStatus>(0xBFFF0012u), "VI_ERROR_INV_RSRC_NAME",
     "Invalid resource reference specified. Parsing error."},
    {static_cast<ViStatus>(0xBFFF0013u), "VI_ERROR_INV_ACC_MODE", "Invalid access mode."},
    {static_cast<ViStatus>(0xBFFF0015u), "VI_ERROR_TMO",
     "Timeout expired before operation completed."},
    {static_cast<ViStatus>(0xBFFF0016u), "VI_ERROR_CLOSING_FAILED",
     "The VISA driver failed to properly close the session or object reference. This might be due "
     "to an error freeing internal or OS resources, a failed network connection, or a lower-level "
     "driver or OS error."},
    {static_cast<ViStatus>(0xBFFF001Bu), "VI_ERROR_INV_DEGREE", "Specified degree is invalid."},
    {static_cast<ViStatus>(0xBFFF001Cu), "VI_ERROR_INV_JOB_ID",
     "Specified job identifier is invalid."},
    {static_cast<ViStatus>(0xBFFF001Du), "VI_ERROR_NSUP_ATTR",
     "The specified attribute is not defined or supported by the referenced object."},
    {static_cast<ViStatus>(0xBFFF001Eu), "VI_ERROR_NSUP_ATTR_STATE",
     "The specified state of the attribute is not valid, or is not supported as defined by the "
     "object."},
    {static_cast<ViStatus>(0xBFFF001Fu), "VI_ERROR_ATTR_READONLY",
     "The specified attribute is read-only."},
    {static_cast<ViStatus>(0xBFFF0020u), "VI_ERROR_INV_LOCK_TYPE",
     "The specified type of lock is not supported by this resource."},
    {static_cast<ViStatus>(0xBFFF0021u), "VI_ERROR_INV_ACCESS_KEY",
     "The access key to the resource associated with the specified session is invalid."},
    {static_cast<ViStatus>(0xBFFF0026u), "VI_ERROR_INV_EVENT",
     "Specified event type is not supported by the resource."},
    {static_cast<ViStatus>(0xBFFF0027u), "VI_ERROR_INV_MECH", "Invalid mechanism specified."},
    {static_cast<ViStatus>(0xBFFF0028u), "VI_ERROR_HNDLR_NINSTALLED",
     "A handler was not installed."},
    {static_cast<ViStatus>(0xBFFF0029u), "VI_ERROR_INV_HNDLR_REF",
     "The given handler reference is either invalid or was not installed."},
    {static_cast<ViStatus>(0xBFFF002Au), "VI_ERROR_INV_CONTEXT",
     "Specified event context is invalid."},
    {static_cast<ViStatus>(0xBFFF002Du), "VI_ERROR_QUEUE_OVERFLOW",
     "The event queue for the specified type has overflowed (usually due to previous events not "
     "having been closed)."},
    {static_cast<ViStatus>(0xBFFF002Fu), "VI_ERROR_NENABLED",
     "You must be enabled for events of the specified type in order to receive them."},
    {static_cast<ViStatus>(0xBFFF0030u), "VI_ERROR_ABORT", "User abort occurred during transfer."},
    {static_cast<ViStatus>(0xBFFF0034u), "VI_ERROR_RAW_WR_PROT_VIOL",
     "Violation of raw write protocol occurred during transfer."},
    {static_cast<ViStatus>(0xBFFF0035u), "VI_ERROR_RAW_RD_PROT_VIOL",
     "Violation of raw read protocol occurred during transfer."},
    {static_cast<ViStatus>(0xBFFF0036u), "VI_ERROR_OUTP_PROT_VIOL",
     "Device reported an output protocol error during transfer."},
    {static_cast<ViStatus>(0xBFFF0037u), "VI_ERROR_INP_PROT_VIOL",
     "Device reported an input protocol error during transfer."},
    {static_cast<ViStatus>(0xBFFF0038u), "VI_ERROR_BERR", "Bus error occurred during transfer."},
    {static_cast<ViStatus>(0xBFFF0039u), "VI_ERROR_IN_PROGRESS",
     "Unable to queue the asynchronous operation because there is already an operation in "
     "progress."},
    {static_cast<ViStatus>(0xBFFF003Au), "VI_ERROR_INV_SETUP",
     "Unable to start operation because setup is invalid (usually due to attributes being set to "
     "an inconsistent state)."},
    {static_cast<ViStatus>(0xBFFF003Bu), "VI_ERROR_QUEUE_ERROR",
     "Unable to queue the asynchronous operation (usually due to the I/O completion event not "
     "being enabled or insufficient space in the session's queue)."},
    {static_cast<ViStatus>(0xBFFF003Cu), "VI_ERROR_ALLOC",
     "Insufficient system resources to perform necessary memory allocation."},
    {static_cast<ViStatus>(0xBFFF003Du), "VI_ERROR_INV_MASK", "Invalid buffer mask specified."},
    {static_cast<ViStatus>(0xBFFF003Eu), "VI_ERROR_IO",
     "Could not perform operation because of I/O error."},
    {static_cast<ViStatus>(0xBFFF003Fu), "VI_ERROR_INV_FMT",
     "A format specifier in the format string is invalid."},
    {static_cast<ViStatus>(0xBFFF0041u), "VI_ERROR_NSUP_FMT",
     "A format specifier in the format string is not supported."},
    {static_cast<ViStatus>(0xBFFF0042u), "VI_ERROR_LINE_IN_USE",
     "The specified trigger line is currently in use."},
    {static_cast<ViStatus>(0xBFFF0046u), "VI_ERROR_NSUP_MODE",
     "The specified mode is not supported by this VISA implementation."},
    {static_cast<ViStatus>(0xBFFF004Au), "VI_ERROR_SRQ_NOCCURRED",
     "Service request has not been received for the session."},
    {static_cast<ViStatus>(0xBFFF004Eu), "VI_ERROR_INV_SPACE", "Invalid address space specified."},
    {static_cast<ViStatus>(0xBFFF0051u), "VI_ERROR_INV_OFFSET", "Invalid offset specified."},
    {static_cast<ViStatus>(0xBFFF0052u), "VI_ERROR_INV_WIDTH", "Invalid access width specified."},
    {static_cast<ViStatus>(0xBFFF0054u), "VI_ERROR_NSUP_OFFSET",
     "Specified offset is not accessible from this hardware."},
    {static_cast<ViStatus>(0xBFFF0055u), "VI_ERROR_NSUP_VAR_WIDTH",
     "Cannot support source and destination widths that are different."},
    {static_cast<ViStatus>(0xBFFF0057u), "VI_ERROR_WINDOW_NMAPPED",
     "The specified session is not currently mapped."},
    {static_cast<ViStatus>(0xBFFF0059u), "VI_ERROR_RESP_PENDING",
     "A previous response is still pending, causing a multiple query error."},
    {static_cast<ViStatus>(0xBFFF005Fu), "VI_ERROR_NLISTENERS",
     "No listeners condition is detected (both NRFD and NDAC are deasserted)."},
    {static_cast<ViStatus>(0xBFFF0060u), "VI_ERROR_NCIC",
     "The interface associated with this session is not currently the controller in charge."},
    {static_cast<ViStatus>(0xBFFF0061u), "VI_ERROR_NSYS_CNTLR",
     "The interface associated with this session is not the system controller."},
    {static_cast<ViStatus>(0xBFFF0067u), "VI_ERROR_NSUP_OPER",
     "The given session or object reference does not support this operation."},
    {static_cast<ViStatus>(0xBFFF0068u), "VI_ERROR_INTR_PENDING",
     "An interrupt is still pending from a previous call."},
    {static_cast<ViStatus>(0xBFFF006Au), "VI_ERROR_ASRL_PARITY",
     "A parity error occurred during transfer."},
    {static_cast<ViStatus>(0xBFFF006Bu), "VI_ERROR_ASRL_FRAMING",
     "A framing error occurred during transfer."},
    {static_cast<ViStatus>(0xBFFF006Cu), "VI_ERROR_ASRL_OVERRUN",
     "An overrun error occurred during transfer. A character was not read from the hardware before "
     "the next character arrived."},
    {static_cast<ViStatus>(0xBFFF006Eu), "VI_ERROR_TRIG_NMAPPED",
     "The path from trigSrc to trigDest is not currently mapped."},
    {static_cast<ViStatus>(0xBFFF0070u), "VI_ERROR_NSUP_ALIGN_OFFSET",
     "The specified offset is not properly aligned for the access width of the operation."},
    {static_cast<ViStatus>(0xBFFF0071u), "VI_ERROR_USER_BUF",
     "A specified user buffer is not valid or cannot be accessed for the required size."},
    {static_cast<ViStatus>(0xBFFF0072u), "VI_ERROR_RSRC_BUSY",
     "The resource is valid, but VISA cannot currently access it."},
    {static_cast<ViStatus>(0xBFFF0076u), "VI_ERROR_NSUP_WIDTH",
     "Specified width is not supported by this hardware."},
    {static_cast<ViStatus>(0xBFFF0078u), "VI_ERROR_INV_PARAMETER",
     "The value of some parameter (which parameter is not known) is invalid."},
    {static_cast<ViStatus>(0xBFFF0079u), "VI_ERROR_INV_PROT", "The protocol specified is invalid."},
    {static_cast<ViStatus>(0xBFFF007Bu), "VI_ERROR_INV_SIZE", "Invalid size of window specified."},
    {static_cast<ViStatus>(0xBFFF0080u), "VI_ERROR_WINDOW_MAPPED",
     "The specified session currently contains a mapped window."},
    {static_cast<ViStatus>(0xBFFF0081u), "VI_ERROR_NIMPL_OPER",
     "The given operation is not implemented."},
    {static_cast<ViStatus>(0xBFFF0083u), "VI_ERROR_INV_LENGTH", "Invalid length specified."},
    {static_cast<ViStatus>(0xBFFF0091u), "VI_ERROR_INV_MODE", "Invalid mode specified."},
    {static_cast<ViStatus>(0xBFFF009Cu), "VI_ERROR_SESN_NLOCKED",
     "The current session did not have a lock on the resource."},
    {static_cast<ViStatus>(0xBFFF009Du), "VI_ERROR_MEM_NSHARED",
     "The device does not export any memory."},
    {static_cast<ViStatus>(0xBFFF009Eu), "VI_ERROR_LIBRARY_NFOUND",
     "A code library required by VISA could not be located or loaded."},
    {static_cast<ViStatus>(0xBFFF009Fu), "VI_ERROR_NSUP_INTR",
     "The interface cannot generate an interrupt on the requested level or with the requested "
     "statusID value."},
    {static_cast<ViStatus>(0xBFFF00A0u), "VI_ERROR_INV_LINE",
     "The value specified by the line parameter is invalid."},
    {static_cast<ViStatus>(0xBFFF00A1u), "VI_ERROR_FILE_ACCESS",
     "An error occurred while trying to open the specified file. Possible reasons include an "
     "invalid path or lack of access rights."},
    {static_cast<ViStatus>(0xBFFF00A2u), "VI_ERROR_FILE_IO",
     "An error occurred while performing I/O on the specified file."},
    {static_cast<ViStatus>(0xBFFF00A3u), "VI_ERROR_NSUP_LINE",
     "One of the specified lines (trigSrc or trigDest) is not supported by this VISA "
     "implementation, or the combination of lines is not a valid mapping."},
    {static_cast<ViStatus>(0xBFFF00A4u), "VI_ERROR_NSUP_MECH",
     "The specified mechanism is not supported for the given event type."},
    {static_cast<ViStatus>(0xBFFF00A5u), "VI_ERROR_INTF_NUM_NCONFIG",
     "The interface type is valid but the specified interface number is not configured."},
    {static_cast<ViStatus>(0xBFFF00A6u), "VI_ERROR_CONN_LOST",
     "The connection for the given session has been lost."},
    {static_cast<ViStatus>(0xBFFF00A7u), "VI_ERROR_MACHINE_NAVAIL",
     "The remote machine does not exist or is not accepting any connections."},
    {static_cast<ViStatus>(0xBFFF00A8u), "VI_ERROR_NPERMISSION",
     "Access to the resource or remote machine is denied. This is due to lack of sufficient "
     "privileges for the current user or machine"},
};

const StatusText* find(ViStatus status) {
  for (const auto& entry : kStatusTexts) {
    if (entry.status == status) return &entry;
  }
  return nullptr;
}

}  // namespace

std::string statusDescription(ViStatus status, bool* known) {
  const StatusText* entry = find(status);
  if (known) *known = entry != nullptr;
  if (entry) return entry->description;
  return core::format("Unknown status code 0x%08X.", static_cast<unsigned>(status));
}

std::string statusName(ViStatus status) {
  const StatusText* entry = find(status);
  return entry ? entry->name : "";
}

}  // namespace visa

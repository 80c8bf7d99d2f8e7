#pragma once
// The standard VISA descriptions of completion and error codes, as viStatusDesc gives them.

#include <string>

#include "visa/visa_types.h"

namespace visa {

// The standard description of `status` ("Timeout expired before operation completed." for
// VI_ERROR_TMO); for a code VISA does not define, "Unknown status code 0x........." and
// `known` false.
std::string statusDescription(ViStatus status, bool* known = nullptr);

// The standard symbolic name ("VI_ERROR_TMO"), or "" for an unknown code.
std::string statusName(ViStatus status);

}  // namespace visa

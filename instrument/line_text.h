#pragma once
// The text of one line of the "Devices and Interfaces" list: the model field of the
// identification answer followed by the interface and its address, e.g.
//   "V3820A--USBTMC--SN00012345", "V3820A--GPIB--22", "V3820A--TCPIP--192.168.0.5".

#include <string>
#include <string_view>

namespace instrument {

// Builds the line text from an identification answer ("MAKER,MODEL,SERIAL,FIRMWARE") and the
// resource name of the instrument.
//
// Model part: "Unknow Manufacture" when the answer is empty or has no comma; "Unknow Model"
// when it has only one comma; otherwise the second field in upper case.
// Interface part:
//   - names beginning with "USB": "--USBTMC--" and the serial, found after the first of
//     "0X0ED8", "0X0EEC", "3800", "3820" in the upper-cased name (a match at position 0 does not
//     count): the field after the match and its "::", up to the next "::" (or the end).
//     Nothing is appended when none of them is found.
//   - names containing "GPIB": "--GPIB--" and the address between the first "::" and the "::"
//     before "INSTR" ("GPIB0::22::INSTR" gives "22"; empty when the name has no such fields).
//   - names containing "TCPIP": "--TCPIP--" and the text after the first "::" up to the next
//     "::" (or the end).
// The interface prefixes are recognised in any letter case.
// Both inputs are C texts for this purpose: they end at their first zero byte, so an answer
// holding NUL bytes gives the line of its part before the first NUL. Any length is accepted.
std::string BuildLineText(std::string_view answer, std::string_view name);

}  // namespace instrument

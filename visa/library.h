#pragma once
// All instrument I/O of the product goes through visa::Library: one C++ interface whose
// members are the VISA calls the product makes, with VISA's own types and status codes.
// Implementations: the builtin one (sockets, VXI-11, USBTMC, GPIB, simulated counters),
// a vendor VISA loaded at run time, and test doubles that record every byte.

#include <memory>
#include <string>

#include "visa/visa_types.h"

namespace visa {

class Library {
 public:
  virtual ~Library() = default;

  virtual ViStatus viOpenDefaultRM(ViSession* resourceManager) = 0;
  // `firstDescriptor` has room for VI_FIND_BUFLEN characters.
  virtual ViStatus viFindRsrc(ViSession resourceManager, const char* expression, ViFindList* list,
                              ViUInt32* count, char* firstDescriptor) = 0;
  virtual ViStatus viFindNext(ViFindList list, char* descriptor) = 0;
  virtual ViStatus viOpen(ViSession resourceManager, const char* resourceName, ViAccessMode mode,
                          ViUInt32 openTimeout, ViSession* session) = 0;
  virtual ViStatus viSetAttribute(ViObject object, ViAttr attribute, ViAttrState value) = 0;
  // `value` points to storage of the attribute's type (ViUInt32 for VI_ATTR_TMO_VALUE).
  virtual ViStatus viGetAttribute(ViObject object, ViAttr attribute, void* value) = 0;
  virtual ViStatus viWrite(ViSession session, const ViByte* buffer, ViUInt32 count,
                           ViUInt32* written) = 0;
  virtual ViStatus viRead(ViSession session, ViByte* buffer, ViUInt32 count, ViUInt32* read) = 0;
  virtual ViStatus viClear(ViSession session) = 0;
  // `description` has room for VI_FIND_BUFLEN characters.
  virtual ViStatus viStatusDesc(ViObject object, ViStatus status, char* description) = 0;
  virtual ViStatus viGpibControlREN(ViSession session, ViUInt16 mode) = 0;
  virtual ViStatus viClose(ViObject object) = 0;
};

// The library the programs use: a vendor VISA when V38XX_VISA_LIBRARY (or the resource
// file's `library` entry) names one, otherwise the builtin implementation configured from
// the resource file (visa.conf). Never returns null: when a vendor library cannot be
// loaded, the builtin one is returned and `warning` says why.
std::unique_ptr<Library> openDefaultLibrary(std::string* warning = nullptr);

// The same with the resource file looked for in `locations` (a program that is not installed
// where its data is, such as an office extension, names its own default file).
struct ResourceFileLocations;
std::unique_ptr<Library> openDefaultLibrary(const ResourceFileLocations& locations,
                                            std::string* warning = nullptr);

}  // namespace visa

#pragma once
// A vendor's VISA shared library (libvisa.so or any library exporting the standard vi* C
// functions), loaded at run time; every call is forwarded to it unchanged.

#include <memory>
#include <string>

#include "visa/library.h"

namespace visa {

class SystemLibrary final : public Library {
 public:
  // Loads `path` with dlopen and binds the twelve VISA functions; null with `*error` saying
  // why when the library cannot be loaded or lacks one of them.
  static std::unique_ptr<SystemLibrary> load(const std::string& path, std::string* error);
  ~SystemLibrary() override;
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  const std::string& path() const { return path_; }

  ViStatus viOpenDefaultRM(ViSession* resourceManager) override;
  ViStatus viFindRsrc(ViSession resourceManager, const char* expression, ViFindList* list,
                      ViUInt32* count, char* firstDescriptor) override;
  ViStatus viFindNext(ViFindList list, char* descriptor) override;
  ViStatus viOpen(ViSession resourceManager, const char* resourceName, ViAccessMode mode,
                  ViUInt32 openTimeout, ViSession* session) override;
  ViStatus viSetAttribute(ViObject object, ViAttr attribute, ViAttrState value) override;
  ViStatus viGetAttribute(ViObject object, ViAttr attribute, void* value) override;
  ViStatus viWrite(ViSession session, const ViByte* buffer, ViUInt32 count,
                   ViUInt32* written) override;
  ViStatus viRead(ViSession session, ViByte* buffer, ViUInt32 count, ViUInt32* read) override;
  ViStatus viClear(ViSession session) override;
  ViStatus viStatusDesc(ViObject object, ViStatus status, char* description) override;
  ViStatus viGpibControlREN(ViSession session, ViUInt16 mode) override;
  ViStatus viClose(ViObject object) override;

 private:
  struct Functions;
  SystemLibrary(std::string path, void* handle, std::unique_ptr<Functions> functions);

  std::string path_;
  void* handle_;
  std::unique_ptr<Functions> f_;
};

}  // namespace visa

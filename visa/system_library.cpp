#include "visa/system_library.h"

#include <dlfcn.h>

namespace visa {

// The standard C prototypes of the VISA functions (VPP-4.3.2).
struct SystemLibrary::Functions {
  ViStatus (*viOpenDefaultRM)(ViSession*) = nullptr;
  ViStatus (*viFindRsrc)(ViSession, ViConstString, ViFindList*, ViUInt32*, ViChar*) = nullptr;
  ViStatus (*viFindNext)(ViFindList, ViChar*) = nullptr;
  ViStatus (*viOpen)(ViSession, ViConstRsrc, ViAccessMode, ViUInt32, ViSession*) = nullptr;
  ViStatus (*viSetAttribute)(ViObject, ViAttr, ViAttrState) = nullptr;
  ViStatus (*viGetAttribute)(ViObject, ViAttr, void*) = nullptr;
  ViStatus (*viWrite)(ViSession, ViConstBuf, ViUInt32, ViUInt32*) = nullptr;
  ViStatus (*viRead)(ViSession, ViByte*, ViUInt32, ViUInt32*) = nullptr;
  ViStatus (*viClear)(ViSession) = nullptr;
  ViStatus (*viStatusDesc)(ViObject, ViStatus, ViChar*) = nullptr;
  ViStatus (*viGpibControlREN)(ViSession, ViUInt16) = nullptr;
  ViStatus (*viClose)(ViObject) = nullptr;
};

namespace {

template <typename F>
bool bind(void* handle, const char* symbol, F* out, std::string* missing) {
  *out = reinterpret_cast<F>(::dlsym(handle, symbol));
  if (!*out && missing->empty()) *missing = symbol;
  return *out != nullptr;
}

}  // namespace

std::unique_ptr<SystemLibrary> SystemLibrary::load(const std::string& path, std::string* error) {
  ::dlerror();
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* e = ::dlerror();
    if (error) *error = e ? e : "cannot be loaded";
    return nullptr;
  }
  auto f = std::make_unique<Functions>();
  std::string missing;
  bind(handle, "viOpenDefaultRM", &f->viOpenDefaultRM, &missing);
  bind(handle, "viFindRsrc", &f->viFindRsrc, &missing);
  bind(handle, "viFindNext", &f->viFindNext, &missing);
  bind(handle, "viOpen", &f->viOpen, &missing);
  bind(handle, "viSetAttribute", &f->viSetAttribute, &missing);
  bind(handle, "viGetAttribute", &f->viGetAttribute, &missing);
  bind(handle, "viWrite", &f->viWrite, &missing);
  bind(handle, "viRead", &f->viRead, &missing);
  bind(handle, "viClear", &f->viClear, &missing);
  bind(handle, "viStatusDesc", &f->viStatusDesc, &missing);
  bind(handle, "viGpibControlREN", &f->viGpibControlREN, &missing);
  bind(handle, "viClose", &f->viClose, &missing);
  if (!missing.empty()) {
    if (error) *error = path + " is not a VISA library: it lacks " + missing;
    ::dlclose(handle);
    return nullptr;
  }
  return std::unique_ptr<SystemLibrary>(new SystemLibrary(path, handle, std::move(f)));
}

SystemLibrary::SystemLibrary(std::string path, void* handle, std::unique_ptr<Functions> functions)
    : path_(std::move(path)), handle_(handle), f_(std::move(functions)) {}

// The vendor library stays loaded: its own exit handlers may still run after this object.
SystemLibrary::~SystemLibrary() = default;

ViStatus SystemLibrary::viOpenDefaultRM(ViSession* resourceManager) {
  return f_->viOpenDefaultRM(resourceManager);
}
ViStatus SystemLibrary::viFindRsrc(ViSession resourceManager, const char* expression,
                                   ViFindList* list, ViUInt32* count, char* firstDescriptor) {
  return f_->viFindRsrc(resourceManager, expression, list, count, firstDescriptor);
}
ViStatus SystemLibrary::viFindNext(ViFindList list, char* descriptor) {
  return f_->viFindNext(list, descriptor);
}
ViStatus SystemLibrary::viOpen(ViSession resourceManager, const char* resourceName,
                               ViAccessMode mode, ViUInt32 openTimeout, ViSession* session) {
  return f_->viOpen(resourceManager, resourceName, mode, openTimeout, session);
}
ViStatus SystemLibrary::viSetAttribute(ViObject object, ViAttr attribute, ViAttrState value) {
  return f_->viSetAttribute(object, attribute, value);
}
ViStatus SystemLibrary::viGetAttribute(ViObject object, ViAttr attribute, void* value) {
  return f_->viGetAttribute(object, attribute, value);
}
ViStatus SystemLibrary::viWrite(ViSession session, const ViByte* buffer, ViUInt32 count,
                                ViUInt32* written) {
  return f_->viWrite(session, buffer, count, written);
}
ViStatus SystemLibrary::viRead(ViSession session, ViByte* buffer, ViUInt32 count, ViUInt32* read) {
  return f_->viRead(session, buffer, count, read);
}
ViStatus SystemLibrary::viClear(ViSession session) { return f_->viClear(session); }
ViStatus SystemLibrary::viStatusDesc(ViObject object, ViStatus status, char* description) {
  return f_->viStatusDesc(object, status, description);
}
ViStatus SystemLibrary::viGpibControlREN(ViSession session, ViUInt16 mode) {
  return f_->viGpibControlREN(session, mode);
}
ViStatus SystemLibrary::viClose(ViObject object) { return f_->viClose(object); }

}  // namespace visa

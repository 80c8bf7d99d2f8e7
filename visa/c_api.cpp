// The builtin VISA as a C library (libv38xxvisa.so) exporting the standard vi* functions, so
// that any VISA client can load it. One builtin library serves the whole process; it is
// configured from the resource file (visa.conf) at the first call, looked up as for the
// programs and, last, in <prefix>/share/v38xx/ as seen from this library's own folder.
//
// Operations the builtin VISA has no use for (events, asynchronous and register I/O, GPIB bus
// management) answer VI_ERROR_NSUP_OPER on a valid session.

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "visa/builtin_library.h"
#include "visa/resource_file.h"

#define V38XX_VISA_EXPORT extern "C" __attribute__((visibility("default")))

using ViHndlr = ViStatus (*)(ViSession, ViEventType, ViEvent, ViAddr);

namespace {

// The default resource files beside this shared library: <prefix>/share/v38xx/visa.conf seen
// from the installed library's folder (V38XX_LIBRARY_TO_DATA, ../../share/v38xx from
// lib/x86_64-linux-gnu), then share/v38xx beside its lib/ folder as in the build tree.
std::vector<std::string> defaultFilesBesideLibrary() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&defaultFilesBesideLibrary), &info) == 0 || !info.dli_fname)
    return {};
  const std::filesystem::path folder = std::filesystem::absolute(info.dli_fname).parent_path();
  std::vector<std::string> files;
  for (const char* toData : {V38XX_LIBRARY_TO_DATA, "../share/v38xx"}) {
    const std::string file = (folder / toData / "visa.conf").lexically_normal().string();
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
  }
  return files;
}

// Created at the first call and never destroyed: clients may still close sessions from
// their own exit handlers, after this library's static objects would be gone.
visa::BuiltinLibrary& library() {
  static visa::BuiltinLibrary* instance = [] {
    visa::ResourceFileLocations places = visa::ResourceFileLocations::fromEnvironment();
    for (const std::string& beside : defaultFilesBesideLibrary())
      places.installedDefaults.push_back(beside);
    return new visa::BuiltinLibrary(visa::ResourceFile::find(places).builtin);
  }();
  return *instance;
}

// For the operations not offered: VI_ERROR_INV_OBJECT on an invalid session, otherwise
// VI_ERROR_NSUP_OPER.
ViStatus notSupported(ViObject object) {
  const ViStatus st = library().checkObject(object);
  return st == VI_SUCCESS ? VI_ERROR_NSUP_OPER : st;
}

}  // namespace

V38XX_VISA_EXPORT ViStatus viOpenDefaultRM(ViSession* vi) { return library().viOpenDefaultRM(vi); }

V38XX_VISA_EXPORT ViStatus viFindRsrc(ViSession sesn, ViConstString expr, ViFindList* vi,
                                      ViUInt32* retCnt, ViChar desc[]) {
  return library().viFindRsrc(sesn, expr, vi, retCnt, desc);
}

V38XX_VISA_EXPORT ViStatus viFindNext(ViFindList vi, ViChar desc[]) {
  return library().viFindNext(vi, desc);
}

V38XX_VISA_EXPORT ViStatus viParseRsrc(ViSession rmSesn, ViConstRsrc rsrcName, ViUInt16* intfType,
                                       ViUInt16* intfNum) {
  return library().viParseRsrc(rmSesn, rsrcName, intfType, intfNum);
}

V38XX_VISA_EXPORT ViStatus viParseRsrcEx(ViSession rmSesn, ViConstRsrc rsrcName, ViUInt16* intfType,
                                         ViUInt16* intfNum, ViChar rsrcClass[],
                                         ViChar expandedUnaliasedName[], ViChar aliasIfExists[]) {
  return library().viParseRsrcEx(rmSesn, rsrcName, intfType, intfNum, rsrcClass,
                                 expandedUnaliasedName, aliasIfExists);
}

V38XX_VISA_EXPORT ViStatus viOpen(ViSession sesn, ViConstRsrc name, ViAccessMode mode,
                                  ViUInt32 timeout, ViSession* vi) {
  return library().viOpen(sesn, name, mode, timeout, vi);
}

V38XX_VISA_EXPORT ViStatus viClose(ViObject vi) { return library().viClose(vi); }

V38XX_VISA_EXPORT ViStatus viSetAttribute(ViObject vi, ViAttr attrName, ViAttrState attrValue) {
  return library().viSetAttribute(vi, attrName, attrValue);
}

V38XX_VISA_EXPORT ViStatus viGetAttribute(ViObject vi, ViAttr attrName, void* attrValue) {
  return library().viGetAttribute(vi, attrName, attrValue);
}

V38XX_VISA_EXPORT ViStatus viStatusDesc(ViObject vi, ViStatus status, ViChar desc[]) {
  return library().viStatusDesc(vi, status, desc);
}

V38XX_VISA_EXPORT ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViUInt32* retCnt) {
  return library().viWrite(vi, buf, cnt, retCnt);
}

V38XX_VISA_EXPORT ViStatus viRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViUInt32* retCnt) {
  return library().viRead(vi, buf, cnt, retCnt);
}

// Formatted I/O buffers are not kept: buffered reads and writes go straight to the device.
V38XX_VISA_EXPORT ViStatus viBufWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt,
                                      ViUInt32* retCnt) {
  return library().viWrite(vi, buf, cnt, retCnt);
}

V38XX_VISA_EXPORT ViStatus viBufRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViUInt32* retCnt) {
  return library().viRead(vi, buf, cnt, retCnt);
}

V38XX_VISA_EXPORT ViStatus viClear(ViSession vi) { return library().viClear(vi); }

V38XX_VISA_EXPORT ViStatus viFlush(ViSession vi, ViUInt16 mask) {
  return library().viFlush(vi, mask);
}

V38XX_VISA_EXPORT ViStatus viReadSTB(ViSession vi, ViUInt16* status) {
  return library().viReadSTB(vi, status);
}

V38XX_VISA_EXPORT ViStatus viAssertTrigger(ViSession vi, ViUInt16 protocol) {
  return library().viAssertTrigger(vi, protocol);
}

V38XX_VISA_EXPORT ViStatus viGpibControlREN(ViSession vi, ViUInt16 mode) {
  return library().viGpibControlREN(vi, mode);
}

// No event is ever enabled, so disabling and discarding find nothing to do.
V38XX_VISA_EXPORT ViStatus viDisableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism) {
  const ViStatus st = library().checkObject(vi);
  return st == VI_SUCCESS ? VI_SUCCESS_EVENT_DIS : st;
}

V38XX_VISA_EXPORT ViStatus viDiscardEvents(ViSession vi, ViEventType eventType,
                                           ViUInt16 mechanism) {
  const ViStatus st = library().checkObject(vi);
  return st == VI_SUCCESS ? VI_SUCCESS_QUEUE_EMPTY : st;
}

V38XX_VISA_EXPORT ViStatus viEnableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism,
                                         ViEventFilter context) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viWaitOnEvent(ViSession vi, ViEventType inEventType, ViUInt32 timeout,
                                         ViEventType* outEventType, ViEvent* outContext) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viInstallHandler(ViSession vi, ViEventType eventType, ViHndlr handler,
                                            ViAddr userHandle) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viUninstallHandler(ViSession vi, ViEventType eventType, ViHndlr handler,
                                              ViAddr userHandle) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viLock(ViSession vi, ViAccessMode lockType, ViUInt32 timeout,
                                  ViConstString requestedKey, ViChar accessKey[]) {
  return library().viLock(vi, lockType, timeout, requestedKey, accessKey);
}

V38XX_VISA_EXPORT ViStatus viUnlock(ViSession vi) { return library().viUnlock(vi); }

V38XX_VISA_EXPORT ViStatus viTerminate(ViObject vi, ViUInt16 degree, ViJobId jobId) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viReadAsync(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViJobId* jobId) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viWriteAsync(ViSession vi, ViConstBuf buf, ViUInt32 cnt,
                                        ViJobId* jobId) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viReadToFile(ViSession vi, ViConstString filename, ViUInt32 cnt,
                                        ViUInt32* retCnt) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viWriteFromFile(ViSession vi, ViConstString filename, ViUInt32 cnt,
                                           ViUInt32* retCnt) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viSetBuf(ViSession vi, ViUInt16 mask, ViUInt32 size) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viGpibControlATN(ViSession vi, ViUInt16 mode) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viGpibSendIFC(ViSession vi) { return notSupported(vi); }

V38XX_VISA_EXPORT ViStatus viGpibCommand(ViSession vi, ViConstBuf cmd, ViUInt32 cnt,
                                         ViUInt32* retCnt) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viGpibPassControl(ViSession vi, ViUInt16 primAddr, ViUInt16 secAddr) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viUsbControlOut(ViSession vi, ViInt16 bmRequestType, ViInt16 bRequest,
                                           ViUInt16 wValue, ViUInt16 wIndex, ViUInt16 wLength,
                                           ViConstBuf buf) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viUsbControlIn(ViSession vi, ViInt16 bmRequestType, ViInt16 bRequest,
                                          ViUInt16 wValue, ViUInt16 wIndex, ViUInt16 wLength,
                                          ViPBuf buf, ViUInt16* retCnt) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viMapTrigger(ViSession vi, ViInt16 trigSrc, ViInt16 trigDest,
                                        ViUInt16 mode) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viUnmapTrigger(ViSession vi, ViInt16 trigSrc, ViInt16 trigDest) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viAssertUtilSignal(ViSession vi, ViUInt16 line) {
  return notSupported(vi);
}

V38XX_VISA_EXPORT ViStatus viAssertIntrSignal(ViSession vi, ViInt16 mode, ViUInt32 statusID) {
  return notSupported(vi);
}

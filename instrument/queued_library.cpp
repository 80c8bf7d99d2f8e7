#include "instrument/queued_library.h"

namespace instrument {

ViStatus QueuedLibrary::viOpenDefaultRM(ViSession* resourceManager) {
  return queued([&] { return library_.viOpenDefaultRM(resourceManager); });
}

ViStatus QueuedLibrary::viFindRsrc(ViSession resourceManager, const char* expression,
                                   ViFindList* list, ViUInt32* count, char* firstDescriptor) {
  return queued([&] {
    return library_.viFindRsrc(resourceManager, expression, list, count, firstDescriptor);
  });
}

ViStatus QueuedLibrary::viFindNext(ViFindList list, char* descriptor) {
  return queued([&] { return library_.viFindNext(list, descriptor); });
}

ViStatus QueuedLibrary::viOpen(ViSession resourceManager, const char* resourceName,
                               ViAccessMode mode, ViUInt32 openTimeout, ViSession* session) {
  return queued(
      [&] { return library_.viOpen(resourceManager, resourceName, mode, openTimeout, session); });
}

ViStatus QueuedLibrary::viSetAttribute(ViObject object, ViAttr attribute, ViAttrState value) {
  return queued([&] { return library_.viSetAttribute(object, attribute, value); });
}

ViStatus QueuedLibrary::viGetAttribute(ViObject object, ViAttr attribute, void* value) {
  return queued([&] { return library_.viGetAttribute(object, attribute, value); });
}

ViStatus QueuedLibrary::viWrite(ViSession session, const ViByte* buffer, ViUInt32 count,
                                ViUInt32* written) {
  return queued([&] { return library_.viWrite(session, buffer, count, written); });
}

ViStatus QueuedLibrary::viRead(ViSession session, ViByte* buffer, ViUInt32 count, ViUInt32* read) {
  return queued([&] { return library_.viRead(session, buffer, count, read); });
}

ViStatus QueuedLibrary::viClear(ViSession session) {
  return queued([&] { return library_.viClear(session); });
}

ViStatus QueuedLibrary::viStatusDesc(ViObject object, ViStatus status, char* description) {
  return queued([&] { return library_.viStatusDesc(object, status, description); });
}

ViStatus QueuedLibrary::viGpibControlREN(ViSession session, ViUInt16 mode) {
  return queued([&] { return library_.viGpibControlREN(session, mode); });
}

ViStatus QueuedLibrary::viClose(ViObject object) {
  return queued([&] { return library_.viClose(object); });
}

bool QueuedLibrary::readCancellable(ViSession session, const std::shared_ptr<ViByte[]>& buffer,
                                    ViUInt32 size, ViUInt32* count, ViStatus* status) {
  struct Result {
    ViStatus status = VI_SUCCESS;
    ViUInt32 count = 0;
  };
  auto result = std::make_shared<Result>();
  visa::Library& library = library_;
  readSession_ = session;
  const bool ran = io_.runCancellable([&library, session, buffer, size, result] {
    result->status = library.viRead(session, buffer.get(), size, &result->count);
  });
  if (!ran) return false;
  *status = result->status;
  *count = result->count;
  return true;
}

bool QueuedLibrary::cancelRead() {
  if (!io_.cancellableWaiting()) return false;
  visa::Library& library = library_;
  const ViSession session = readSession_;
  return io_.cancel([&library, session] { library.viClear(session); });
}

}  // namespace instrument

// The extension's shared library: the factories of its UNO services.

#include <cppuhelper/factory.hxx>
#include <cppuhelper/implementationentry.hxx>

#include "addin/uno/application_component.h"
#include "addin/uno/command_handler.h"
#include "addin/uno/document_job.h"
#include "listctl/uno/list_control_component.h"

namespace {

using namespace addin::uno;
using com::sun::star::uno::Sequence;

rtl::OUString applicationName() {
  return rtl::OUString::createFromAscii(kApplicationImplementation);
}
Sequence<rtl::OUString> applicationServices() {
  const rtl::OUString name = rtl::OUString::createFromAscii(kApplicationService);
  return Sequence<rtl::OUString>(&name, 1);
}
rtl::OUString handlerName() {
  return rtl::OUString::createFromAscii(kCommandHandlerImplementation);
}
Sequence<rtl::OUString> handlerServices() {
  const rtl::OUString name("com.sun.star.frame.ProtocolHandler");
  return Sequence<rtl::OUString>(&name, 1);
}

rtl::OUString jobName() { return rtl::OUString::createFromAscii(kDocumentJobImplementation); }
Sequence<rtl::OUString> jobServices() {
  const rtl::OUString name("com.sun.star.task.Job");
  return Sequence<rtl::OUString>(&name, 1);
}

rtl::OUString listName() {
  return rtl::OUString::createFromAscii(listctl::uno::kListImplementation);
}
Sequence<rtl::OUString> listServices() {
  Sequence<rtl::OUString> names(2);
  names[0] = "CTRListV38XX";
  names[1] = "CTRBridgeV38XX.CTRListV38XX";
  return names;
}

const cppu::ImplementationEntry kEntries[] = {
    {createApplication, applicationName, applicationServices, cppu::createSingleComponentFactory,
     nullptr, 0},
    {createCommandHandler, handlerName, handlerServices, cppu::createSingleComponentFactory,
     nullptr, 0},
    {createDocumentJob, jobName, jobServices, cppu::createSingleComponentFactory, nullptr, 0},
    {listctl::uno::createListControl, listName, listServices, cppu::createSingleComponentFactory,
     nullptr, 0},
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0}};

}  // namespace

extern "C" SAL_DLLPUBLIC_EXPORT void* SAL_CALL component_getFactory(const char* implementation,
                                                                    void* serviceManager,
                                                                    void* registryKey) {
  return cppu::component_getFactoryHelper(implementation, serviceManager, registryKey, kEntries);
}

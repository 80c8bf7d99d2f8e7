#pragma once
// What the add-in does when a Calc document is made or opened: the add-in object of this office
// (made the first time) is handed the document, which wires the toolbar "ORVALENT V38XX
// Tallyway" and shows it in the document's window. A document opened while a run logs into
// another one leaves the add-in with that run.

#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase2.hxx>

namespace addin::uno {

inline constexpr const char* kDocumentJobImplementation = "com.orvalent.v38xx.DocumentJob";

class DocumentJob
    : public cppu::WeakImplHelper2<com::sun::star::task::XJob, com::sun::star::lang::XServiceInfo> {
 public:
  explicit DocumentJob(
      com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context);

  com::sun::star::uno::Any SAL_CALL execute(
      const com::sun::star::uno::Sequence<com::sun::star::beans::NamedValue>& arguments) override;

  rtl::OUString SAL_CALL getImplementationName() override;
  sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
  com::sun::star::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

 private:
  com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context_;
};

com::sun::star::uno::Reference<com::sun::star::uno::XInterface> SAL_CALL createDocumentJob(
    const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>& context);

}  // namespace addin::uno

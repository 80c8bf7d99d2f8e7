#pragma once
// The UNO face of the add-in server: the service CTRBridgeV38XX.Application, whose members are
// those of addin::Application. Every call runs on the office's main thread; the add-in's errors
// reach Basic and Python as UNO exceptions (an index outside its table as
// IndexOutOfBoundsException, a value that does not fit as IllegalArgumentException).

#include <CTRBridgeV38XX/XApplication.hpp>
#include <CTRBridgeV38XX/XRunMonitor.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase3.hxx>
#include <rtl/ref.hxx>

#include <memory>

#include "addin/application.h"
#include "addin/uno/office_interaction.h"
#include "addin/uno/office_timer.h"
#include "core/clock.h"
#include "sheet/calc/calc_sheet.h"
#include "visa/library.h"

namespace addin::uno {

class MeasuredTimer;

inline constexpr const char* kApplicationService = "CTRBridgeV38XX.Application";
inline constexpr const char* kApplicationImplementation = "com.orvalent.v38xx.Application";

class ApplicationComponent
    : public cppu::WeakImplHelper3<CTRBridgeV38XX::XApplication, CTRBridgeV38XX::XRunMonitor,
                                   css::lang::XServiceInfo> {
 public:
  explicit ApplicationComponent(css::uno::Reference<css::uno::XComponentContext> context);
  ~ApplicationComponent() override;

  // The instance the toolbar's commands work with: the one made last in this office.
  static rtl::Reference<ApplicationComponent> current();
  // Keeps an instance alive for the office's life (the one the toolbar's commands use when no
  // macro holds one).
  static void keep(const css::uno::Reference<css::uno::XInterface>& instance);
  // Runs `f` with the add-in on the office's main thread, translating its errors.
  template <typename F>
  auto call(F&& f) -> decltype(f(std::declval<Application&>()));

  // Hands a document to the add-in on the calling thread, which holds the office's lock (a
  // document event): SetApp without going through the main thread.
  void attachDocument(const css::uno::Reference<css::uno::XInterface>& document);
  // The toolbar's commands act on the window they were given in: its Calc document becomes the
  // add-in's, unless a run is logging (the run keeps its document).
  void followFrame(const css::uno::Reference<css::frame::XFrame>& frame);

  // For the toolbar's forms, on the office's main thread: the add-in object and what it uses.
  Application& application() { return *app_; }
  visa::Library& visa() { return *visa_; }
  OfficeInteraction& interaction() { return ui_; }
  const css::uno::Reference<css::uno::XComponentContext>& context() const { return context_; }
  const std::shared_ptr<sheet::calc::CalcApplication>& calc() const { return calc_; }

  // XApplication
  rtl::OUString SAL_CALL getIIDNStr() override;
  void SAL_CALL setIIDNStr(const rtl::OUString& value) override;
  rtl::OUString SAL_CALL getIIDNAddr() override;
  void SAL_CALL setIIDNAddr(const rtl::OUString& value) override;
  sal_Int32 SAL_CALL getIIDNSesn() override;
  void SAL_CALL setIIDNSesn(sal_Int32 value) override;
  sal_Int16 SAL_CALL getIIDevCounts() override;
  void SAL_CALL setIIDevCounts(sal_Int16 value) override;
  sal_Int32 SAL_CALL getIWKSesn() override;
  void SAL_CALL setIWKSesn(sal_Int32 value) override;
  css::uno::Reference<css::uno::XInterface> SAL_CALL getSetApp() override;
  void SAL_CALL setSetApp(const css::uno::Reference<css::uno::XInterface>& value) override;
  css::uno::Any SAL_CALL StartTimer(sal_Int32 lngIntv) override;
  css::uno::Any SAL_CALL PauseTimer() override;
  css::uno::Any SAL_CALL Stop_Pause() override;
  css::uno::Any SAL_CALL StopTimer() override;
  css::uno::Any SAL_CALL ShowHelp(const rtl::OUString& sPath) override;
  css::uno::Any SAL_CALL SetSheet(const css::uno::Any& sheet) override;
  sal_Int32 SAL_CALL GetLanguageCount() override;
  rtl::OUString SAL_CALL GetLanguage(sal_Int32 index) override;
  css::uno::Any SAL_CALL SetLanguage(sal_Int32 index) override;
  rtl::OUString SAL_CALL GetIdText(const rtl::OUString& id) override;
  css::uno::Any SAL_CALL SetNumberOfReading(sal_Int32 count) override;
  sal_Int16 SAL_CALL GetExlVersion() override;
  css::uno::Any SAL_CALL AddChart(sal_Int16 val1, sal_Bool val2) override;
  css::uno::Any SAL_CALL SetAtTime(const rtl::OUString& var) override;
  css::uno::Any SAL_CALL SetBegin(sal_Int32 iVal) override;
  css::uno::Any SAL_CALL SetTerimnatingUpon(sal_Int32 iVal) override;
  css::uno::Any SAL_CALL SetStopTime(const rtl::OUString& h, const rtl::OUString& n,
                                     const rtl::OUString& s, sal_Int32 interval) override;
  css::uno::Any SAL_CALL SaveSetting(const rtl::OUString& key, const rtl::OUString& value) override;
  rtl::OUString SAL_CALL LoadSetting(const rtl::OUString& key,
                                     const rtl::OUString& defaultValue) override;
  rtl::OUString SAL_CALL GetINI() override;
  css::uno::Any SAL_CALL FindDevice() override;
  css::uno::Any SAL_CALL FindTCPIPDevice(sal_Int16 cnt, const rtl::OUString& address) override;
  void SAL_CALL GetIDN(sal_Int16 i) override;
  void SAL_CALL RMClose() override;

  // XRunMonitor
  sal_Bool SAL_CALL isActive() override;
  sal_Bool SAL_CALL isRunning() override;
  sal_Bool SAL_CALL isWaiting() override;
  sal_Int32 SAL_CALL getDataRow() override;
  css::uno::Sequence<rtl::OUString> SAL_CALL getMessages() override;
  sal_Int32 SAL_CALL getTickCount() override;
  double SAL_CALL getTickMicroseconds() override;

  // XServiceInfo
  rtl::OUString SAL_CALL getImplementationName() override;
  sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
  css::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

 private:
  css::uno::Reference<css::uno::XComponentContext> context_;
  std::unique_ptr<visa::Library> visa_;
  OfficeInteraction ui_;
  core::SystemClock clock_;
  std::unique_ptr<OfficeTimer> timer_;
  std::unique_ptr<MeasuredTimer> measuredTimer_;
  std::unique_ptr<Application> app_;
  std::shared_ptr<sheet::calc::CalcApplication> calc_;
  css::uno::Reference<css::sheet::XSpreadsheetDocument> document_;
  css::uno::Reference<css::uno::XInterface> appObject_;
};

css::uno::Reference<css::uno::XInterface> SAL_CALL
createApplication(const css::uno::Reference<css::uno::XComponentContext>& context);

}  // namespace addin::uno

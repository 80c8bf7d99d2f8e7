#include "addin/uno/application_component.h"

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/IndexOutOfBoundsException.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/system/SystemShellExecute.hpp>
#include <com/sun/star/system/SystemShellExecuteFlags.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <osl/file.hxx>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>

#include "addin/uno/main_thread.h"
#include "sheet/calc/uno_text.h"
#include "visa/resource_file.h"

namespace addin::uno {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using sheet::calc::ustr;
using sheet::calc::utf8;

namespace {

std::mutex currentMutex;
ApplicationComponent* currentInstance = nullptr;

// Ticks run and the time they took, for XRunMonitor.
std::atomic<sal_Int32> tickCount{0};
std::atomic<std::int64_t> tickNanoseconds{0};

// The folder of this library: the extension's folder, which holds its default visa.conf.
std::string extensionFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&createApplication), &info) == 0 || !info.dli_fname) return {};
  return std::filesystem::path(info.dli_fname).parent_path().string();
}

std::unique_ptr<visa::Library> openVisa() {
  visa::ResourceFileLocations locations = visa::ResourceFileLocations::fromEnvironment();
  locations.installedDefaults = {extensionFolder() + "/visa.conf"};
  std::string warning;
  auto library = visa::openDefaultLibrary(locations, &warning);
  if (!warning.empty()) std::fprintf(stderr, "CTRBridgeV38XX: %s\n", warning.c_str());
  return library;
}

}  // namespace

// The timer of the run, measuring each tick.
class MeasuredTimer : public Timer {
 public:
  explicit MeasuredTimer(Timer& inner) : inner_(inner) {}
  void start(std::int32_t intervalMs, std::function<void()> tick) override {
    inner_.start(intervalMs, [tick = std::move(tick)] {
      const auto t0 = std::chrono::steady_clock::now();
      tick();
      tickNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now() - t0)
                             .count();
      ++tickCount;
    });
  }
  void kill() override { inner_.kill(); }

 private:
  Timer& inner_;
};

namespace {

// The Calc document that an object given to SetApp stands for: the document itself, its
// controller or frame, or the desktop (its current document).
Reference<css::sheet::XSpreadsheetDocument> documentOf(const Reference<css::uno::XInterface>& x) {
  Reference<css::sheet::XSpreadsheetDocument> doc(x, UNO_QUERY);
  if (doc.is()) return doc;
  if (Reference<css::frame::XDesktop> desktop{x, UNO_QUERY}; desktop.is())
    return {desktop->getCurrentComponent(), UNO_QUERY};
  if (Reference<css::frame::XController> controller{x, UNO_QUERY}; controller.is())
    return {controller->getModel(), UNO_QUERY};
  if (Reference<css::frame::XFrame> frame{x, UNO_QUERY}; frame.is() && frame->getController().is())
    return {frame->getController()->getModel(), UNO_QUERY};
  return {};
}

[[noreturn]] void rethrowAsUno(const Reference<css::uno::XInterface>& source) {
  try {
    throw;
  } catch (const css::uno::Exception&) {
    throw;
  } catch (const SubscriptOutOfRange& e) {
    throw css::lang::IndexOutOfBoundsException(ustr(e.what()), source);
  } catch (const OverflowError& e) {
    throw css::lang::IllegalArgumentException(ustr(e.what()), source, 0);
  } catch (const TypeMismatch& e) {
    throw css::lang::IllegalArgumentException(ustr(e.what()), source, 0);
  } catch (const std::exception& e) {
    throw css::uno::RuntimeException(ustr(e.what()), source);
  }
}

}  // namespace

ApplicationComponent::ApplicationComponent(Reference<css::uno::XComponentContext> context)
    : context_(std::move(context)), ui_(context_) {
  timer_ = std::make_unique<OfficeTimer>(context_);
  measuredTimer_ = std::make_unique<MeasuredTimer>(*timer_);
  visa_ = openVisa();
  app_ = std::make_unique<Application>(
      Services{*visa_, ui_, clock_, *measuredTimer_, SettingsLocation::fromEnvironment()});
  app_->setHelpOpener([this](const std::string& path) {
    try {
      Reference<css::system::XSystemShellExecute> shell =
          css::system::SystemShellExecute::create(context_);
      rtl::OUString url;
      if (osl::FileBase::getFileURLFromSystemPath(ustr(path), url) != osl::FileBase::E_None)
        url = ustr(path);
      shell->execute(url, rtl::OUString(), css::system::SystemShellExecuteFlags::URIS_ONLY);
      return true;
    } catch (const css::uno::Exception&) {
      return false;
    }
  });
  std::lock_guard lock(currentMutex);
  currentInstance = this;
}

ApplicationComponent::~ApplicationComponent() {
  {
    std::lock_guard lock(currentMutex);
    if (currentInstance == this) currentInstance = nullptr;
  }
  // The add-in kills its timer and closes its resource managers.
  app_.reset();
  timer_.reset();
}

void ApplicationComponent::keep(const Reference<css::uno::XInterface>& instance) {
  static Reference<css::uno::XInterface> kept;
  kept = instance;
}

rtl::Reference<ApplicationComponent> ApplicationComponent::current() {
  std::lock_guard lock(currentMutex);
  return currentInstance;
}

template <typename F>
auto ApplicationComponent::call(F&& f) -> decltype(f(std::declval<Application&>())) {
  using Result = decltype(f(std::declval<Application&>()));
  try {
    if constexpr (std::is_void_v<Result>) {
      runOnMainThread(context_, [&] { f(*app_); });
    } else {
      Result result{};
      runOnMainThread(context_, [&] { result = f(*app_); });
      return result;
    }
  } catch (...) {
    rethrowAsUno(static_cast<cppu::OWeakObject*>(this));
  }
}

// ---------------------------------------------------------------------------------------------
// Properties

rtl::OUString ApplicationComponent::getIIDNStr() {
  return call([](Application& a) { return ustr(a.IIDNStr); });
}
void ApplicationComponent::setIIDNStr(const rtl::OUString& v) {
  call([&](Application& a) { a.IIDNStr = utf8(v); });
}
rtl::OUString ApplicationComponent::getIIDNAddr() {
  return call([](Application& a) { return ustr(a.IIDNAddr); });
}
void ApplicationComponent::setIIDNAddr(const rtl::OUString& v) {
  call([&](Application& a) { a.IIDNAddr = utf8(v); });
}
sal_Int32 ApplicationComponent::getIIDNSesn() {
  return call([](Application& a) { return static_cast<sal_Int32>(a.IIDNSesn); });
}
void ApplicationComponent::setIIDNSesn(sal_Int32 v) {
  call([&](Application& a) { a.IIDNSesn = static_cast<ViSession>(v); });
}
sal_Int16 ApplicationComponent::getIIDevCounts() {
  return call([](Application& a) { return a.IIDevCounts; });
}
void ApplicationComponent::setIIDevCounts(sal_Int16 v) {
  call([&](Application& a) { a.IIDevCounts = v; });
}
sal_Int32 ApplicationComponent::getIWKSesn() {
  return call([](Application& a) { return static_cast<sal_Int32>(a.IWKSesn); });
}
void ApplicationComponent::setIWKSesn(sal_Int32 v) {
  call([&](Application& a) { a.IWKSesn = static_cast<ViSession>(v); });
}

Reference<css::uno::XInterface> ApplicationComponent::getSetApp() { return appObject_; }

void ApplicationComponent::attachDocument(const Reference<css::uno::XInterface>& value) {
  const Reference<css::sheet::XSpreadsheetDocument> document = documentOf(value);
  if (!document.is())
    throw std::runtime_error("SetApp needs a Calc document (or the desktop showing one).");
  calc_ = std::make_shared<sheet::calc::CalcApplication>(context_, document, true);
  document_ = document;
  ui_.setDocument(Reference<css::frame::XModel>(document, UNO_QUERY));
  appObject_ = value;
  app_->SetApp(calc_);
}

void ApplicationComponent::followFrame(const Reference<css::frame::XFrame>& frame) {
  if (app_->runState().active) return;
  const Reference<css::sheet::XSpreadsheetDocument> document = documentOf(frame);
  if (document.is() && document != document_) attachDocument(document);
}

void ApplicationComponent::setSetApp(const Reference<css::uno::XInterface>& value) {
  call([&](Application&) { attachDocument(value); });
}

// ---------------------------------------------------------------------------------------------
// Methods

Any ApplicationComponent::StartTimer(sal_Int32 interval) {
  call([&](Application& a) { a.StartTimer(interval); });
  return {};
}
Any ApplicationComponent::PauseTimer() {
  call([](Application& a) { a.PauseTimer(); });
  return {};
}
Any ApplicationComponent::Stop_Pause() {
  call([](Application& a) { a.Stop_Pause(); });
  return {};
}
Any ApplicationComponent::StopTimer() {
  call([](Application& a) { a.StopTimer(); });
  return {};
}
Any ApplicationComponent::ShowHelp(const rtl::OUString& path) {
  call([&](Application& a) { a.ShowHelp(utf8(path)); });
  return {};
}

Any ApplicationComponent::SetSheet(const Any& value) {
  call([&](Application& a) {
    if (!calc_) throw std::runtime_error("SetSheet needs the document first: call SetApp.");
    rtl::OUString name;
    Reference<css::sheet::XSpreadsheet> sheet(value, UNO_QUERY);
    if (sheet.is())
      a.SetSheet(calc_->worksheet(sheet));
    else if (value >>= name)
      a.SetSheet(calc_->worksheet(utf8(name)));
    else
      throw css::lang::IllegalArgumentException(
          "SetSheet needs a sheet of the document or its name",
          static_cast<cppu::OWeakObject*>(this), 0);
  });
  return {};
}

sal_Int32 ApplicationComponent::GetLanguageCount() {
  return call([](Application& a) { return a.GetLanguageCount(); });
}
rtl::OUString ApplicationComponent::GetLanguage(sal_Int32 index) {
  return call([&](Application& a) { return ustr(a.GetLanguage(index)); });
}
Any ApplicationComponent::SetLanguage(sal_Int32 index) {
  call([&](Application& a) { a.SetLanguage(index); });
  return {};
}
rtl::OUString ApplicationComponent::GetIdText(const rtl::OUString& id) {
  return call([&](Application& a) { return ustr(a.GetIdText(utf8(id))); });
}
Any ApplicationComponent::SetNumberOfReading(sal_Int32 count) {
  call([&](Application& a) { a.SetNumberOfReading(count); });
  return {};
}
sal_Int16 ApplicationComponent::GetExlVersion() {
  return call([](Application& a) { return a.GetExlVersion(); });
}
Any ApplicationComponent::AddChart(sal_Int16 kind, sal_Bool inSheet) {
  call([&](Application& a) { a.AddChart(kind, inSheet); });
  return {};
}
Any ApplicationComponent::SetAtTime(const rtl::OUString& text) {
  call([&](Application& a) { a.SetAtTime(utf8(text)); });
  return {};
}
Any ApplicationComponent::SetBegin(sal_Int32 mode) {
  call([&](Application& a) { a.SetBegin(mode); });
  return {};
}
Any ApplicationComponent::SetTerimnatingUpon(sal_Int32 mode) {
  call([&](Application& a) { a.SetTerimnatingUpon(mode); });
  return {};
}
Any ApplicationComponent::SetStopTime(const rtl::OUString& h, const rtl::OUString& n,
                                      const rtl::OUString& s, sal_Int32 interval) {
  call([&](Application& a) { a.SetStopTime(utf8(h), utf8(n), utf8(s), interval); });
  return {};
}
Any ApplicationComponent::SaveSetting(const rtl::OUString& key, const rtl::OUString& value) {
  call([&](Application& a) { a.SaveSetting(utf8(key), utf8(value)); });
  return {};
}
rtl::OUString ApplicationComponent::LoadSetting(const rtl::OUString& key,
                                                const rtl::OUString& defaultValue) {
  return call([&](Application& a) { return ustr(a.LoadSetting(utf8(key), utf8(defaultValue))); });
}
rtl::OUString ApplicationComponent::GetINI() {
  return call([](Application& a) { return ustr(a.GetINI()); });
}
Any ApplicationComponent::FindDevice() {
  call([](Application& a) { a.FindDevice(); });
  return {};
}
Any ApplicationComponent::FindTCPIPDevice(sal_Int16 cnt, const rtl::OUString& address) {
  call([&](Application& a) { a.FindTCPIPDevice(cnt, utf8(address)); });
  return {};
}
void ApplicationComponent::GetIDN(sal_Int16 i) {
  call([&](Application& a) { a.GetIDN(i); });
}
void ApplicationComponent::RMClose() {
  call([](Application& a) { a.RMClose(); });
}

// ---------------------------------------------------------------------------------------------
// Run monitor

sal_Bool ApplicationComponent::isActive() {
  return call([](Application& a) { return a.runState().active; });
}
sal_Bool ApplicationComponent::isRunning() {
  return call([](Application& a) { return a.runState().running; });
}
sal_Bool ApplicationComponent::isWaiting() {
  return call([](Application& a) { return a.runState().waiting; });
}
sal_Int32 ApplicationComponent::getDataRow() {
  return call([](Application& a) { return a.runState().dataRow; });
}
Sequence<rtl::OUString> ApplicationComponent::getMessages() {
  const std::vector<std::string> messages = ui_.messages();
  Sequence<rtl::OUString> out(static_cast<sal_Int32>(messages.size()));
  for (std::size_t i = 0; i < messages.size(); ++i)
    out[static_cast<sal_Int32>(i)] = ustr(messages[i]);
  return out;
}
sal_Int32 ApplicationComponent::getTickCount() { return tickCount; }
double ApplicationComponent::getTickMicroseconds() { return tickNanoseconds / 1000.0; }

// ---------------------------------------------------------------------------------------------

rtl::OUString ApplicationComponent::getImplementationName() {
  return rtl::OUString::createFromAscii(kApplicationImplementation);
}
sal_Bool ApplicationComponent::supportsService(const rtl::OUString& name) {
  return name.equalsAscii(kApplicationService);
}
Sequence<rtl::OUString> ApplicationComponent::getSupportedServiceNames() {
  const rtl::OUString name = rtl::OUString::createFromAscii(kApplicationService);
  return Sequence<rtl::OUString>(&name, 1);
}

Reference<css::uno::XInterface> SAL_CALL
createApplication(const Reference<css::uno::XComponentContext>& context) {
  return static_cast<cppu::OWeakObject*>(new ApplicationComponent(context));
}

}  // namespace addin::uno

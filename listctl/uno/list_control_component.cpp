#include "listctl/uno/list_control_component.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/graphic/XGraphicProvider.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <cppuhelper/implbase1.hxx>

#include <dlfcn.h>

#include <filesystem>

#include "sheet/calc/office_process.h"
#include "sheet/calc/uno_text.h"

namespace listctl::uno {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using sheet::calc::ustr;
using sheet::calc::utf8;

namespace {

constexpr const char* kTable = "InstrumentList";
constexpr const char* kFrame = "InstrumentFrame";
constexpr const char* kConnect = "ConnectButton";
constexpr const char* kDisconnect = "DisconnectButton";

// The icons of connected and unconnected instruments, beside this library in the extension.
Reference<css::graphic::XGraphic> icon(const Reference<css::uno::XComponentContext>& context,
                                       Icon which) {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&createListControl), &info) == 0 || !info.dli_fname) return {};
  const std::string path = (std::filesystem::path(info.dli_fname).parent_path() / "icons" /
                            (which == Icon::Connected ? "connected.svg" : "unconnected.svg"))
                               .string();
  try {
    Reference<css::graphic::XGraphicProvider> provider(
        context->getServiceManager()->createInstanceWithContext(
            "com.sun.star.graphic.GraphicProvider", context),
        UNO_QUERY);
    if (!provider.is()) return {};
    Sequence<css::beans::PropertyValue> args(1);
    args[0].Name = "URL";
    args[0].Value <<= ustr(sheet::calc::fileUrl(path));
    return provider->queryGraphic(args);
  } catch (const css::uno::Exception&) {
    return {};
  }
}

}  // namespace

ListControlComponent::ListControlComponent(Reference<css::uno::XComponentContext> context)
    : context_(std::move(context)) {}

void ListControlComponent::place(addin::uno::Dialog& dialog, int x, int y, const ListTexts& texts,
                                 std::function<void()> changed, std::function<void()> connected,
                                 std::function<void()> disconnected) {
  dialog_ = &dialog;
  changed_ = std::move(changed);
  dialog.group(kFrame, x, y, 314, 116, texts.frame);
  dialog.table(kTable, x + 6, y + 12, 302, 80,
               {"", texts.columns[0], texts.columns[1], texts.columns[2], texts.columns[3]},
               {14, 40, 50, 60, 110}, [this](int row) {
                 list_.click(row);
                 show();
               });
  dialog.button(kConnect, x + 6, y + 96, 80, 14, texts.connect, [this, connected] {
    list_.connect();
    show();
    if (connected) connected();
    if (changed_) changed_();
  });
  dialog.button(kDisconnect, x + 92, y + 96, 80, 14, texts.disconnect, [this, disconnected] {
    list_.disconnect();
    show();
    if (disconnected) disconnected();
    if (changed_) changed_();
  });
}

void ListControlComponent::show() {
  if (!dialog_) return;
  if (!connectedIcon_.is()) connectedIcon_ = icon(context_, Icon::Connected);
  if (!unconnectedIcon_.is()) unconnectedIcon_ = icon(context_, Icon::Unconnected);
  std::vector<std::vector<Any>> rows;
  for (const Row& r : list_.rows())
    rows.push_back({Any(r.icon == Icon::Connected ? connectedIcon_ : unconnectedIcon_),
                    Any(ustr(r.instrument)), Any(ustr(r.name)), Any(ustr(r.manufacturer)),
                    Any(ustr(r.address))});
  dialog_->setRows(kTable, rows);
  dialog_->selectRow(kTable, list_.selected());
  dialog_->enable(kConnect, list_.connectEnabled());
  dialog_->enable(kDisconnect, list_.disconnectEnabled());
}

namespace {

class PropertyInfo : public cppu::WeakImplHelper1<css::beans::XPropertySetInfo> {
 public:
  PropertyInfo() : properties_(2) {
    properties_[0] =
        css::beans::Property("mark_Address", 0, cppu::UnoType<rtl::OUString>::get(), 0);
    properties_[1] = css::beans::Property("lvw_now", 1, cppu::UnoType<sal_Int16>::get(), 0);
  }
  Sequence<css::beans::Property> SAL_CALL getProperties() override { return properties_; }
  css::beans::Property SAL_CALL getPropertyByName(const rtl::OUString& name) override {
    for (const auto& p : properties_)
      if (p.Name == name) return p;
    throw css::beans::UnknownPropertyException(name, nullptr);
  }
  sal_Bool SAL_CALL hasPropertyByName(const rtl::OUString& name) override {
    return name == "mark_Address" || name == "lvw_now";
  }

 private:
  Sequence<css::beans::Property> properties_;
};

}  // namespace

Reference<css::beans::XPropertySetInfo> ListControlComponent::getPropertySetInfo() {
  return new PropertyInfo;
}

void ListControlComponent::setPropertyValue(const rtl::OUString& name, const Any& value) {
  if (name == "mark_Address") {
    rtl::OUString v;
    if (!(value >>= v))
      throw css::lang::IllegalArgumentException("mark_Address is a string", *this, 0);
    list_.mark_Address = utf8(v);
  } else if (name == "lvw_now") {
    sal_Int16 v = 0;
    if (!(value >>= v)) throw css::lang::IllegalArgumentException("lvw_now is a short", *this, 0);
    list_.lvw_now = v;
  } else {
    throw css::beans::UnknownPropertyException(name, *this);
  }
}

Any ListControlComponent::getPropertyValue(const rtl::OUString& name) {
  if (name == "mark_Address") return Any(ustr(list_.mark_Address));
  if (name == "lvw_now") return Any(list_.lvw_now);
  throw css::beans::UnknownPropertyException(name, *this);
}

void ListControlComponent::IDN(const rtl::OUString& sBuffer, const rtl::OUString& Addr) {
  list_.IDN(utf8(sBuffer), utf8(Addr));
  show();
}

sal_Int16 ListControlComponent::selmark() {
  const sal_Int16 r = list_.selmark();
  show();
  return r;
}

Any ListControlComponent::ListClear() {
  list_.ListClear();
  show();
  return {};
}

void ListControlComponent::placeInDialog(const Reference<css::uno::XInterface>& dialogModel,
                                         sal_Int32 x, sal_Int32 y) {
  ownDialog_ = std::make_unique<addin::uno::Dialog>(context_, dialogModel);
  place(*ownDialog_, x, y, ListTexts{}, nullptr, nullptr, nullptr);
}

void ListControlComponent::bind(const Reference<css::uno::XInterface>& dialog) {
  if (!ownDialog_) return;
  ownDialog_->bind(dialog);
  show();
}

rtl::OUString ListControlComponent::getImplementationName() {
  return rtl::OUString::createFromAscii(kListImplementation);
}
sal_Bool ListControlComponent::supportsService(const rtl::OUString& name) {
  return name == "CTRListV38XX" || name == "CTRBridgeV38XX.CTRListV38XX";
}
Sequence<rtl::OUString> ListControlComponent::getSupportedServiceNames() {
  Sequence<rtl::OUString> names(2);
  names[0] = "CTRListV38XX";
  names[1] = "CTRBridgeV38XX.CTRListV38XX";
  return names;
}

Reference<css::uno::XInterface> SAL_CALL
createListControl(const Reference<css::uno::XComponentContext>& context) {
  return static_cast<cppu::OWeakObject*>(new ListControlComponent(context));
}

}  // namespace listctl::uno

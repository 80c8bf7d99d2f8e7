#include "sheet/calc/calc_command_bar.h"

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/ui/DockingArea.hpp>
#include <com/sun/star/ui/ItemStyle.hpp>
#include <com/sun/star/ui/ItemType.hpp>
#include <com/sun/star/ui/UIElementType.hpp>
#include <com/sun/star/ui/XModuleUIConfigurationManagerSupplier.hpp>
#include <com/sun/star/ui/XUIConfigurationPersistence.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>

#include "core/text_format.h"
#include "sheet/calc/toolbar_state.h"
#include "sheet/calc/uno_text.h"

namespace sheet::calc {

using css::beans::PropertyValue;
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

constexpr const char* kCalcModule = "com.sun.star.sheet.SpreadsheetDocument";
constexpr const char* kResourcePrefix = "private:resource/toolbar/custom_";

Reference<css::ui::XUIConfigurationManager> calcConfiguration(
    const Reference<css::uno::XComponentContext>& context) {
  Reference<css::ui::XModuleUIConfigurationManagerSupplier> supplier =
      css::ui::theModuleUIConfigurationManagerSupplier::get(context);
  return supplier->getUIConfigurationManager(rtl::OUString::createFromAscii(kCalcModule));
}

// "private:resource/toolbar/custom_orvalent_v38xx_tallyway" for "ORVALENT V38XX Tallyway".
std::string resourceFor(const std::string& name) {
  std::string id;
  for (char c : core::toLower(name)) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return kResourcePrefix + id;
}

Sequence<PropertyValue> emptyItem() {
  Sequence<PropertyValue> item(6);
  item[0].Name = "CommandURL";
  item[0].Value <<= rtl::OUString::createFromAscii(kCommandScheme);
  item[1].Name = "Label";
  item[1].Value <<= rtl::OUString();
  item[2].Name = "Type";
  item[2].Value <<= css::ui::ItemType::DEFAULT;
  item[3].Name = "Style";
  item[3].Value <<= static_cast<sal_Int16>(css::ui::ItemStyle::TEXT | css::ui::ItemStyle::ICON);
  item[4].Name = "IsVisible";
  item[4].Value <<= true;
  item[5].Name = "Tooltip";
  item[5].Value <<= rtl::OUString();
  return item;
}

}  // namespace

std::vector<std::string> findToolbars(const Reference<css::uno::XComponentContext>& context,
                                      const std::string& name) {
  return guarded("CommandBars", [&] {
    std::vector<std::string> found;
    const auto infos =
        calcConfiguration(context)->getUIElementsInfo(css::ui::UIElementType::TOOLBAR);
    for (const auto& info : infos) {
      rtl::OUString url, uiName;
      for (const auto& p : info) {
        if (p.Name == "ResourceURL") p.Value >>= url;
        if (p.Name == "UIName") p.Value >>= uiName;
      }
      if (core::toUpper(utf8(uiName)) == core::toUpper(name)) found.push_back(utf8(url));
    }
    return found;
  });
}

CalcCommandBar::CalcCommandBar(CalcApplication& app, std::string name, int controls)
    : app_(app), name_(std::move(name)) {
  guarded("CommandBars", [&] {
    manager_ = calcConfiguration(app_.context());
    const std::vector<std::string> existing = findToolbars(app_.context(), name_);
    if (!existing.empty()) {
      resource_ = existing.front();
      settings_.set(manager_->getSettings(ustr(resource_), true), UNO_QUERY_THROW);
    } else {
      resource_ = resourceFor(name_);
      settings_.set(manager_->createSettings(), UNO_QUERY_THROW);
      Reference<css::beans::XPropertySet>(settings_, UNO_QUERY_THROW)
          ->setPropertyValue("UIName", Any(ustr(name_)));
    }
    while (settings_->getCount() < controls)
      settings_->insertByIndex(settings_->getCount(), Any(emptyItem()));
    if (existing.empty())
      manager_->insertSettings(ustr(resource_), access());
    else
      manager_->replaceSettings(ustr(resource_), access());
    store();
    show();
  });
}

Reference<css::container::XIndexAccess> CalcCommandBar::access() const {
  return Reference<css::container::XIndexAccess>(settings_, UNO_QUERY_THROW);
}

int CalcCommandBar::controlCount() const { return settings_->getCount(); }

Any CalcCommandBar::itemProperty(int control, const char* property) const {
  if (control < 1 || control > controlCount()) throw Error("Invalid procedure call or argument", 5);
  Sequence<PropertyValue> item;
  settings_->getByIndex(control - 1) >>= item;
  for (const auto& p : item)
    if (p.Name.equalsAscii(property)) return p.Value;
  return {};
}

void CalcCommandBar::setItemProperty(int control, const char* property, const Any& value) {
  if (control < 1 || control > controlCount()) throw Error("Invalid procedure call or argument", 5);
  Sequence<PropertyValue> item;
  settings_->getByIndex(control - 1) >>= item;
  bool set = false;
  for (auto& p : item)
    if (p.Name.equalsAscii(property)) {
      p.Value = value;
      set = true;
    }
  if (!set) {
    item.realloc(item.getLength() + 1);
    item[item.getLength() - 1].Name = rtl::OUString::createFromAscii(property);
    item[item.getLength() - 1].Value = value;
  }
  settings_->replaceByIndex(control - 1, Any(item));
}

void CalcCommandBar::setAction(int control, const std::string& onAction,
                               const std::string& toolTip) {
  guarded("OnAction", [&] {
    setItemProperty(control, "CommandURL", Any(ustr(kCommandScheme + onAction)));
    setItemProperty(control, "Tooltip", Any(ustr(toolTip)));
    setItemProperty(control, "Label", Any(ustr(toolTip)));
    store();
  });
}

void CalcCommandBar::setEnabled(int control, bool enabled) {
  guarded("Enabled", [&] {
    rtl::OUString url;
    itemProperty(control, "CommandURL") >>= url;
    ToolbarState::instance().setEnabled(utf8(url), enabled);
  });
}

void CalcCommandBar::setVisible(int control, bool visible) {
  guarded("Visible", [&] {
    bool current = true;
    itemProperty(control, "IsVisible") >>= current;
    if (current == visible) return;
    setItemProperty(control, "IsVisible", Any(visible));
    store();
  });
}

void CalcCommandBar::store() {
  manager_->replaceSettings(ustr(resource_), access());
  Reference<css::ui::XUIConfigurationPersistence> persistence(manager_, UNO_QUERY);
  if (persistence.is()) persistence->store();
}

void CalcCommandBar::show() {
  Reference<css::beans::XPropertySet> frame(app_.frame(), UNO_QUERY);
  if (!frame.is()) return;
  Reference<css::frame::XLayoutManager> layout(frame->getPropertyValue("LayoutManager"), UNO_QUERY);
  if (!layout.is()) return;
  layout->createElement(ustr(resource_));
  layout->showElement(ustr(resource_));
  // Calc remembers where the user put the bar. The first time, Calc puts it after the
  // standard bar, where a window narrower than about 1,500 pixels hides START, PAUSE and
  // STOP; it goes to the start of the next row instead, and its window state gets the bar's
  // name, which marks it as placed (the user's own placement is kept from then on).
  try {
    Reference<css::container::XNameAccess> states(
        app_.context()->getServiceManager()->createInstanceWithContext(
            "com.sun.star.ui.WindowStateConfiguration", app_.context()),
        UNO_QUERY_THROW);
    Reference<css::container::XNameContainer> calc(states->getByName(ustr(kCalcModule)),
                                                   UNO_QUERY_THROW);
    Sequence<PropertyValue> state;
    if (calc->hasByName(ustr(resource_))) calc->getByName(ustr(resource_)) >>= state;
    for (const PropertyValue& p : state) {
      rtl::OUString uiName;
      if (p.Name == "UIName" && (p.Value >>= uiName) && !uiName.isEmpty()) return;
    }
    layout->dockWindow(ustr(resource_), css::ui::DockingArea_DOCKINGAREA_TOP,
                       css::awt::Point(0, 1));
    if (calc->hasByName(ustr(resource_))) calc->getByName(ustr(resource_)) >>= state;
    sal_Int32 at = 0;
    while (at < state.getLength() && state[at].Name != "UIName") ++at;
    if (at == state.getLength()) state.realloc(at + 1);
    state.getArray()[at] =
        PropertyValue("UIName", 0, Any(ustr(name_)), css::beans::PropertyState_DIRECT_VALUE);
    if (calc->hasByName(ustr(resource_)))
      calc->replaceByName(ustr(resource_), Any(state));
    else
      calc->insertByName(ustr(resource_), Any(state));
  } catch (const css::uno::Exception&) {
    // Where the bar goes is a convenience: it is shown in any case.
  }
}

}  // namespace sheet::calc

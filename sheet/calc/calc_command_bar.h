#pragma once
// A toolbar of Calc: a custom toolbar of the spreadsheet module's user-interface configuration
// (so every Calc window shows it), found by its name or made with empty items. Each item runs a
// command of the add-in's command handler ("vnd.orvalent.tallyway:<macro name>"); an item is
// greyed through the handler's dispatch state (ToolbarState), hidden through the item's
// settings.

#include <com/sun/star/container/XIndexContainer.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>

#include <string>
#include <vector>

#include "sheet/calc/calc_sheet.h"

namespace sheet::calc {

// The toolbars named `name` (letter case ignored) in Calc's configuration: their resource URLs.
std::vector<std::string> findToolbars(const Reference<css::uno::XComponentContext>& context,
                                      const std::string& name);

class CalcCommandBar : public CommandBar {
 public:
  CalcCommandBar(CalcApplication& app, std::string name, int controls);

  std::string name() const override { return name_; }
  int controlCount() const override;
  void setAction(int control, const std::string& onAction, const std::string& toolTip) override;
  void setEnabled(int control, bool enabled) override;
  void setVisible(int control, bool visible) override;

  const std::string& resourceUrl() const { return resource_; }

 private:
  void setItemProperty(int control, const char* property, const css::uno::Any& value);
  css::uno::Any itemProperty(int control, const char* property) const;
  Reference<css::container::XIndexAccess> access() const;
  void store();
  void show();

  CalcApplication& app_;
  std::string name_;
  std::string resource_;
  Reference<css::ui::XUIConfigurationManager> manager_;
  Reference<css::container::XIndexContainer> settings_;
};

}  // namespace sheet::calc

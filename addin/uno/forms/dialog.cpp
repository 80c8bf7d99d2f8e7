#include "addin/uno/forms/dialog.h"

#include <com/sun/star/awt/PushButtonType.hpp>
#include <com/sun/star/awt/XActionListener.hpp>
#include <com/sun/star/awt/XButton.hpp>
#include <com/sun/star/awt/XCheckBox.hpp>
#include <com/sun/star/awt/XControlContainer.hpp>
#include <com/sun/star/awt/XDialog2.hpp>
#include <com/sun/star/awt/XItemListener.hpp>
#include <com/sun/star/awt/XListBox.hpp>
#include <com/sun/star/awt/XRadioButton.hpp>
#include <com/sun/star/awt/XToolkit.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/awt/grid/XGridColumn.hpp>
#include <com/sun/star/awt/grid/XGridColumnModel.hpp>
#include <com/sun/star/awt/grid/XGridControl.hpp>
#include <com/sun/star/awt/grid/XGridRowSelection.hpp>
#include <com/sun/star/awt/grid/XGridSelectionListener.hpp>
#include <com/sun/star/awt/grid/XMutableGridDataModel.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <com/sun/star/view/SelectionType.hpp>
#include <cppuhelper/implbase1.hxx>

#include "sheet/calc/uno_text.h"

namespace addin::uno {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using sheet::calc::ustr;
using sheet::calc::utf8;

namespace {

class ActionListener : public cppu::WeakImplHelper1<css::awt::XActionListener> {
 public:
  explicit ActionListener(std::function<void()> f) : f_(std::move(f)) {}
  void SAL_CALL actionPerformed(const css::awt::ActionEvent&) override {
    if (f_) f_();
  }
  void SAL_CALL disposing(const css::lang::EventObject&) override {}

 private:
  std::function<void()> f_;
};

class ItemListener : public cppu::WeakImplHelper1<css::awt::XItemListener> {
 public:
  explicit ItemListener(std::function<void(const css::awt::ItemEvent&)> f) : f_(std::move(f)) {}
  void SAL_CALL itemStateChanged(const css::awt::ItemEvent& e) override {
    if (f_) f_(e);
  }
  void SAL_CALL disposing(const css::lang::EventObject&) override {}

 private:
  std::function<void(const css::awt::ItemEvent&)> f_;
};

class RowListener : public cppu::WeakImplHelper1<css::awt::grid::XGridSelectionListener> {
 public:
  explicit RowListener(std::function<void(int)> f) : f_(std::move(f)) {}
  void SAL_CALL selectionChanged(const css::awt::grid::GridSelectionEvent& e) override {
    if (f_) f_(e.SelectedRowIndexes.getLength() > 0 ? e.SelectedRowIndexes[0] + 1 : 0);
  }
  void SAL_CALL disposing(const css::lang::EventObject&) override {}

 private:
  std::function<void(int)> f_;
};

Sequence<rtl::OUString> strings(const std::vector<std::string>& v) {
  Sequence<rtl::OUString> s(static_cast<sal_Int32>(v.size()));
  for (std::size_t i = 0; i < v.size(); ++i) s[static_cast<sal_Int32>(i)] = ustr(v[i]);
  return s;
}

Sequence<sal_Int16> selection(int index) {
  if (index < 0) return {};
  Sequence<sal_Int16> s(1);
  s[0] = static_cast<sal_Int16>(index);
  return s;
}

}  // namespace

Reference<css::awt::XWindowPeer> windowOf(const Reference<css::uno::XInterface>& frame) {
  Reference<css::frame::XFrame> f(frame, UNO_QUERY);
  if (!f.is()) return {};
  return Reference<css::awt::XWindowPeer>(f->getContainerWindow(), UNO_QUERY);
}

Dialog::Dialog(Reference<css::uno::XComponentContext> context, const std::string& title, int width,
               int height)
    : context_(std::move(context)) {
  Reference<css::lang::XMultiComponentFactory> smgr = context_->getServiceManager();
  Reference<css::beans::XPropertySet> model(
      smgr->createInstanceWithContext("com.sun.star.awt.UnoControlDialogModel", context_),
      UNO_QUERY_THROW);
  model->setPropertyValue("Title", Any(ustr(title)));
  model->setPropertyValue("Width", Any(sal_Int32(width)));
  model->setPropertyValue("Height", Any(sal_Int32(height)));
  model->setPropertyValue("Closeable", Any(true));
  model->setPropertyValue("Moveable", Any(true));
  factory_.set(model, UNO_QUERY_THROW);
  models_.set(model, UNO_QUERY_THROW);
  dialog_.set(smgr->createInstanceWithContext("com.sun.star.awt.UnoControlDialog", context_),
              UNO_QUERY_THROW);
  dialog_->setModel(Reference<css::awt::XControlModel>(model, UNO_QUERY_THROW));
}

Dialog::Dialog(Reference<css::uno::XComponentContext> context,
               const Reference<css::uno::XInterface>& existingModel)
    : context_(std::move(context)), own_(false) {
  factory_.set(existingModel, UNO_QUERY_THROW);
  models_.set(existingModel, UNO_QUERY_THROW);
  Reference<css::container::XNameAccess> names(existingModel, UNO_QUERY_THROW);
  tab_ = names->getElementNames().getLength();
}

Dialog::~Dialog() {
  if (!own_) return;
  try {
    Reference<css::lang::XComponent>(dialog_, UNO_QUERY_THROW)->dispose();
  } catch (const css::uno::Exception&) {
  }
}

Reference<css::beans::XPropertySet> Dialog::add(const char* service, const std::string& name, int x,
                                                int y, int w, int h) {
  auto m = create(service, name, x, y, w, h);
  insert(name, m);
  return m;
}

Reference<css::beans::XPropertySet> Dialog::create(const char* service, const std::string& name,
                                                   int x, int y, int w, int h) {
  Reference<css::beans::XPropertySet> m(
      factory_->createInstance(rtl::OUString::createFromAscii(service)), UNO_QUERY_THROW);
  m->setPropertyValue("Name", Any(ustr(name)));
  m->setPropertyValue("PositionX", Any(sal_Int32(x)));
  m->setPropertyValue("PositionY", Any(sal_Int32(y)));
  m->setPropertyValue("Width", Any(sal_Int32(w)));
  m->setPropertyValue("Height", Any(sal_Int32(h)));
  m->setPropertyValue("TabIndex", Any(sal_Int16(tab_++)));
  return m;
}

void Dialog::insert(const std::string& name, const Reference<css::beans::XPropertySet>& m) {
  models_->insertByName(ustr(name), Any(m));
}

Reference<css::beans::XPropertySet> Dialog::model(const std::string& name) const {
  return Reference<css::beans::XPropertySet>(models_->getByName(ustr(name)), UNO_QUERY_THROW);
}

Reference<css::awt::XControl> Dialog::control(const std::string& name) const {
  return Reference<css::awt::XControlContainer>(dialog_, UNO_QUERY_THROW)->getControl(ustr(name));
}

void Dialog::label(const std::string& name, int x, int y, int w, int h, const std::string& text,
                   bool multiLine) {
  auto m = add("com.sun.star.awt.UnoControlFixedTextModel", name, x, y, w, h);
  m->setPropertyValue("Label", Any(ustr(text)));
  m->setPropertyValue("MultiLine", Any(multiLine));
}

void Dialog::note(const std::string& name, int x, int y, int w, int h, const std::string& text,
                  bool multiLine) {
  label(name, x, y, w, h, text, multiLine);
  model(name)->setPropertyValue("NoLabel", Any(true));
}

void Dialog::button(const std::string& name, int x, int y, int w, int h, const std::string& text,
                    std::function<void()> onClick, ButtonKind kind) {
  auto m = add("com.sun.star.awt.UnoControlButtonModel", name, x, y, w, h);
  m->setPropertyValue("Label", Any(ustr(text)));
  sal_Int16 type = static_cast<sal_Int16>(css::awt::PushButtonType_STANDARD);
  if (kind == ButtonKind::Ok) type = static_cast<sal_Int16>(css::awt::PushButtonType_OK);
  if (kind == ButtonKind::Cancel) type = static_cast<sal_Int16>(css::awt::PushButtonType_CANCEL);
  m->setPropertyValue("PushButtonType", Any(type));
  if (kind == ButtonKind::Default || kind == ButtonKind::Ok)
    m->setPropertyValue("DefaultButton", Any(true));
  if (onClick) clicks_[name] = std::move(onClick);
}

void Dialog::edit(const std::string& name, int x, int y, int w, int h, const std::string& text,
                  bool multiLine) {
  auto m = add("com.sun.star.awt.UnoControlEditModel", name, x, y, w, h);
  m->setPropertyValue("Text", Any(ustr(text)));
  if (multiLine) {
    m->setPropertyValue("MultiLine", Any(true));
    m->setPropertyValue("VScroll", Any(true));
  }
}

void Dialog::listBox(const std::string& name, int x, int y, int w, int h,
                     const std::vector<std::string>& entries, int selected,
                     std::function<void(int)> onSelect) {
  auto m = add("com.sun.star.awt.UnoControlListBoxModel", name, x, y, w, h);
  m->setPropertyValue("Dropdown", Any(true));
  m->setPropertyValue("StringItemList", Any(strings(entries)));
  m->setPropertyValue("SelectedItems", Any(selection(selected)));
  if (onSelect) selections_[name] = std::move(onSelect);
}

void Dialog::checkBox(const std::string& name, int x, int y, int w, int h, const std::string& text,
                      bool checked, std::function<void(bool)> onChange) {
  auto m = add("com.sun.star.awt.UnoControlCheckBoxModel", name, x, y, w, h);
  m->setPropertyValue("Label", Any(ustr(text)));
  m->setPropertyValue("State", Any(sal_Int16(checked ? 1 : 0)));
  if (onChange) checks_[name] = std::move(onChange);
}

void Dialog::radio(const std::string& name, int x, int y, int w, int h, const std::string& text,
                   bool selected, std::function<void()> onSelect) {
  auto m = add("com.sun.star.awt.UnoControlRadioButtonModel", name, x, y, w, h);
  m->setPropertyValue("Label", Any(ustr(text)));
  m->setPropertyValue("State", Any(sal_Int16(selected ? 1 : 0)));
  if (onSelect) radios_[name] = std::move(onSelect);
}

void Dialog::group(const std::string& name, int x, int y, int w, int h, const std::string& text) {
  auto m = add("com.sun.star.awt.UnoControlGroupBoxModel", name, x, y, w, h);
  m->setPropertyValue("Label", Any(ustr(text)));
}

void Dialog::table(const std::string& name, int x, int y, int w, int h,
                   const std::vector<std::string>& columns, const std::vector<int>& widths,
                   std::function<void(int)> onRow) {
  // The grid's control is made when its model joins the dialog and keeps the data model it
  // finds then, so the column and data models are set first.
  auto m = create("com.sun.star.awt.grid.UnoControlGridModel", name, x, y, w, h);
  Reference<css::lang::XMultiComponentFactory> smgr = context_->getServiceManager();
  Reference<css::awt::grid::XGridColumnModel> columnModel(
      smgr->createInstanceWithContext("com.sun.star.awt.grid.DefaultGridColumnModel", context_),
      UNO_QUERY_THROW);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    Reference<css::awt::grid::XGridColumn> column = columnModel->createColumn();
    column->setTitle(ustr(columns[i]));
    if (i < widths.size()) {
      column->setColumnWidth(widths[i]);
      column->setFlexibility(columns[i].empty() ? 0 : 1);
      column->setMinWidth(widths[i]);
    }
    columnModel->addColumn(column);
  }
  Reference<css::awt::grid::XMutableGridDataModel> data(
      smgr->createInstanceWithContext("com.sun.star.awt.grid.DefaultGridDataModel", context_),
      UNO_QUERY_THROW);
  m->setPropertyValue("ColumnModel", Any(columnModel));
  m->setPropertyValue("GridDataModel", Any(data));
  m->setPropertyValue("ShowRowHeader", Any(false));
  m->setPropertyValue("ShowColumnHeader", Any(true));
  m->setPropertyValue("SelectionModel", Any(css::view::SelectionType_SINGLE));
  insert(name, m);
  if (onRow) rowClicks_[name] = std::move(onRow);
}

void Dialog::setRows(const std::string& name, const std::vector<std::vector<Any>>& rows) {
  Reference<css::awt::grid::XMutableGridDataModel> data(
      model(name)->getPropertyValue("GridDataModel"), UNO_QUERY_THROW);
  // Removing the rows clears the grid's selection; that is not the user's doing.
  selecting_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{selecting_};
  data->removeAllRows();
  for (const auto& row : rows) {
    Sequence<Any> cells(static_cast<sal_Int32>(row.size()));
    for (std::size_t i = 0; i < row.size(); ++i) cells[static_cast<sal_Int32>(i)] = row[i];
    data->addRow(Any(), cells);
  }
}

void Dialog::selectRow(const std::string& name, int row) {
  // A grid without its window cannot select: the selection waits for the window.
  if (!dialog_.is() || !dialog_->getPeer().is()) {
    pendingRows_[name] = row;
    return;
  }
  Reference<css::awt::grid::XGridRowSelection> grid(control(name), UNO_QUERY);
  if (!grid.is()) return;
  // The user's clicks are reported, not the selection made here.
  selecting_ = true;
  grid->deselectAllRows();
  if (row >= 1) grid->selectRow(row - 1);
  selecting_ = false;
}

std::string Dialog::text(const std::string& name) const {
  rtl::OUString t;
  model(name)->getPropertyValue("Text") >>= t;
  return utf8(t);
}

void Dialog::setText(const std::string& name, const std::string& text) {
  model(name)->setPropertyValue("Text", Any(ustr(text)));
}

void Dialog::setLabel(const std::string& name, const std::string& text) {
  model(name)->setPropertyValue("Label", Any(ustr(text)));
}

int Dialog::selected(const std::string& name) const {
  Sequence<sal_Int16> s;
  model(name)->getPropertyValue("SelectedItems") >>= s;
  return s.getLength() > 0 ? s[0] : -1;
}

void Dialog::setEntries(const std::string& name, const std::vector<std::string>& entries,
                        int selected) {
  model(name)->setPropertyValue("StringItemList", Any(strings(entries)));
  model(name)->setPropertyValue("SelectedItems", Any(selection(selected)));
}

bool Dialog::checked(const std::string& name) const {
  sal_Int16 state = 0;
  model(name)->getPropertyValue("State") >>= state;
  return state == 1;
}

void Dialog::setChecked(const std::string& name, bool checked) {
  model(name)->setPropertyValue("State", Any(sal_Int16(checked ? 1 : 0)));
}

void Dialog::enable(const std::string& name, bool enabled) {
  model(name)->setPropertyValue("Enabled", Any(enabled));
}

void Dialog::focus(const std::string& name) {
  Reference<css::awt::XWindow> w(control(name), UNO_QUERY);
  if (w.is()) w->setFocus();
}

short Dialog::execute(const Reference<css::awt::XWindowPeer>& parent) {
  Reference<css::awt::XToolkit> toolkit(context_->getServiceManager()->createInstanceWithContext(
                                            "com.sun.star.awt.Toolkit", context_),
                                        UNO_QUERY_THROW);
  dialog_->createPeer(toolkit, parent);
  wire();
  return Reference<css::awt::XDialog>(dialog_, UNO_QUERY_THROW)->execute();
}

void Dialog::bind(const Reference<css::uno::XInterface>& dialog) {
  dialog_.set(dialog, UNO_QUERY_THROW);
  wire();
}

void Dialog::wire() {
  for (const auto& [name, row] : pendingRows_) selectRow(name, row);
  pendingRows_.clear();
  for (auto& [name, f] : clicks_)
    Reference<css::awt::XButton>(control(name), UNO_QUERY_THROW)
        ->addActionListener(new ActionListener(f));
  for (auto& [name, f] : selections_) {
    auto callback = f;
    Reference<css::awt::XListBox>(control(name), UNO_QUERY_THROW)
        ->addItemListener(
            new ItemListener([callback](const css::awt::ItemEvent& e) { callback(e.Selected); }));
  }
  for (auto& [name, f] : checks_) {
    auto callback = f;
    Reference<css::awt::XCheckBox>(control(name), UNO_QUERY_THROW)
        ->addItemListener(new ItemListener(
            [callback](const css::awt::ItemEvent& e) { callback(e.Selected == 1); }));
  }
  for (auto& [name, f] : radios_) {
    auto callback = f;
    Reference<css::awt::XRadioButton>(control(name), UNO_QUERY_THROW)
        ->addItemListener(new ItemListener([callback](const css::awt::ItemEvent&) { callback(); }));
  }
  for (auto& [name, f] : rowClicks_) {
    Reference<css::awt::grid::XGridRowSelection> grid(control(name), UNO_QUERY);
    if (!grid.is()) {
      Reference<css::lang::XServiceInfo> info(control(name), UNO_QUERY);
      throw css::uno::RuntimeException(
          ustr("the table " + name + " has no row selection (" +
               (info.is() ? utf8(info->getImplementationName()) : std::string("no control")) + ")"),
          nullptr);
    }
    auto callback = f;
    grid->addSelectionListener(new RowListener([this, callback](int row) {
      if (!selecting_) callback(row);
    }));
  }
}

void Dialog::end(short result) {
  Reference<css::awt::XDialog2>(dialog_, UNO_QUERY_THROW)->endDialog(result);
}

}  // namespace addin::uno

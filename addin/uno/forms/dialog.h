#pragma once
// A form of the add-in built at run time from the office's own dialog controls: a dialog model,
// control models placed in dialog units, listeners that call back into C++, and a modal run on
// the office's main thread.

#include <com/sun/star/awt/XControl.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace addin::uno {

namespace css = com::sun::star;

class Dialog {
 public:
  Dialog(css::uno::Reference<css::uno::XComponentContext> context, const std::string& title,
         int width, int height);
  // Controls added to a dialog model made by somebody else (a macro's dialog).
  Dialog(css::uno::Reference<css::uno::XComponentContext> context,
         const css::uno::Reference<css::uno::XInterface>& existingModel);
  ~Dialog();

  // Controls, in tab order; positions and sizes in dialog units.
  // A text that shows information (a status, a result) rather than naming the control after
  // it: it gets no keyboard mnemonic of its own.
  void note(const std::string& name, int x, int y, int w, int h, const std::string& text,
            bool multiLine = false);
  void label(const std::string& name, int x, int y, int w, int h, const std::string& text,
             bool multiLine = false);
  enum class ButtonKind { Normal, Ok, Cancel, Default };
  void button(const std::string& name, int x, int y, int w, int h, const std::string& text,
              std::function<void()> onClick, ButtonKind kind = ButtonKind::Normal);
  void edit(const std::string& name, int x, int y, int w, int h, const std::string& text,
            bool multiLine = false);
  void listBox(const std::string& name, int x, int y, int w, int h,
               const std::vector<std::string>& entries, int selected,
               std::function<void(int)> onSelect = {});
  void checkBox(const std::string& name, int x, int y, int w, int h, const std::string& text,
                bool checked, std::function<void(bool)> onChange = {});
  void radio(const std::string& name, int x, int y, int w, int h, const std::string& text,
             bool selected, std::function<void()> onSelect = {});
  void group(const std::string& name, int x, int y, int w, int h, const std::string& text);
  // A table with column titles (an empty title for a narrow icon column) whose row clicks call
  // `onRow` with the row counted from 1 (0: no row).
  void table(const std::string& name, int x, int y, int w, int h,
             const std::vector<std::string>& columns, const std::vector<int>& widths,
             std::function<void(int)> onRow);
  void setRows(const std::string& name, const std::vector<std::vector<css::uno::Any>>& rows);
  void selectRow(const std::string& name, int row);

  // Values.
  std::string text(const std::string& name) const;
  void setText(const std::string& name, const std::string& text);
  void setLabel(const std::string& name, const std::string& text);
  int selected(const std::string& name) const;
  void setEntries(const std::string& name, const std::vector<std::string>& entries, int selected);
  bool checked(const std::string& name) const;
  void setChecked(const std::string& name, bool checked);
  void enable(const std::string& name, bool enabled);
  void focus(const std::string& name);

  // Runs the dialog modally over the document window `parent` (or on its own); the result of
  // the button that closed it (1 OK, 0 cancel or close box).
  short execute(const css::uno::Reference<css::awt::XWindowPeer>& parent);
  void end(short result);
  // Wires the listeners to a dialog that somebody else shows (its controls exist).
  void bind(const css::uno::Reference<css::uno::XInterface>& dialog);

  const css::uno::Reference<css::uno::XComponentContext>& context() const { return context_; }

 private:
  // A control's model, named and placed, not yet in the dialog.
  css::uno::Reference<css::beans::XPropertySet> create(const char* service, const std::string& name,
                                                       int x, int y, int w, int h);
  void insert(const std::string& name, const css::uno::Reference<css::beans::XPropertySet>& model);
  css::uno::Reference<css::beans::XPropertySet> add(const char* service, const std::string& name,
                                                    int x, int y, int w, int h);
  css::uno::Reference<css::beans::XPropertySet> model(const std::string& name) const;
  css::uno::Reference<css::awt::XControl> control(const std::string& name) const;

  css::uno::Reference<css::uno::XComponentContext> context_;
  css::uno::Reference<css::lang::XMultiServiceFactory> factory_;
  css::uno::Reference<css::container::XNameContainer> models_;
  css::uno::Reference<css::awt::XControl> dialog_;
  bool own_ = true;
  int tab_ = 0;
  void wire();
  std::map<std::string, std::function<void()>> clicks_;
  std::map<std::string, std::function<void(int)>> selections_;
  std::map<std::string, std::function<void(bool)>> checks_;
  std::map<std::string, std::function<void()>> radios_;
  std::map<std::string, std::function<void(int)>> rowClicks_;
  std::map<std::string, int> pendingRows_;
  bool selecting_ = false;
};

// The document window of a frame, as a parent for dialogs and message boxes.
css::uno::Reference<css::awt::XWindowPeer> windowOf(
    const css::uno::Reference<css::uno::XInterface>& frame);

}  // namespace addin::uno

#pragma once
// What each toolbar command of the add-in does, run on the office's main thread when the user
// clicks its item.

#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <string>

namespace addin::uno {

// `command` is the item's macro name ("CTRTimerStartV38XX", ...); `frame` the Calc window.
void runToolbarCommand(
    const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext>& context,
    const com::sun::star::uno::Reference<com::sun::star::frame::XFrame>& frame,
    const std::string& command);

}  // namespace addin::uno

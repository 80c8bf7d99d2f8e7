#pragma once
// The office runs its documents on its main thread. Calls of the add-in that arrive on other
// threads (scripts over a UNO connection, the run's timer) are handed to that thread through
// com.sun.star.awt.AsyncCallback, so the add-in's state and Calc are only ever touched there,
// as a spreadsheet's own macros would.

#include <com/sun/star/uno/XComponentContext.hpp>

#include <functional>

namespace addin::uno {

namespace css = com::sun::star;

// True on the office's main thread (the process's first thread).
bool onMainThread();

// Queues `f` to run on the main thread and returns at once.
void postToMainThread(const css::uno::Reference<css::uno::XComponentContext>& context,
                      std::function<void()> f);

// Runs `f` on the main thread and waits for it; runs it directly when already there. An
// exception of `f` is thrown here.
void runOnMainThread(const css::uno::Reference<css::uno::XComponentContext>& context,
                     const std::function<void()>& f);

}  // namespace addin::uno

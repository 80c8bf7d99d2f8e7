#pragma once
// The add-in's forms in the office: About, Connect to Device (with the instrument list), File
// Access, Set up Instrument and Logging Charts. Each runs modally over the Calc window on the
// office's main thread; their logic is addin/forms.

#include <com/sun/star/frame/XFrame.hpp>

namespace addin::uno {

class ApplicationComponent;

void showAbout(ApplicationComponent& app,
               const com::sun::star::uno::Reference<com::sun::star::frame::XFrame>& frame);
void showConnect(ApplicationComponent& app,
                 const com::sun::star::uno::Reference<com::sun::star::frame::XFrame>& frame);
void showFiles(ApplicationComponent& app,
               const com::sun::star::uno::Reference<com::sun::star::frame::XFrame>& frame);
void showSetup(ApplicationComponent& app,
               const com::sun::star::uno::Reference<com::sun::star::frame::XFrame>& frame);
void showLogging(ApplicationComponent& app,
                 const com::sun::star::uno::Reference<com::sun::star::frame::XFrame>& frame);

}  // namespace addin::uno

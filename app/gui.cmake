# The Qt layer: skinned controls, the main window and every dialog (library v38xx_ui), and the
# program V38XX_AP. Included from app/CMakeLists.txt when the GUI is built.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Svg)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

file(GLOB ui_sources CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/app/controls/*.cpp
  ${PROJECT_SOURCE_DIR}/app/*_widget.cpp ${PROJECT_SOURCE_DIR}/app/*_dialog.cpp
  ${PROJECT_SOURCE_DIR}/app/*_window.cpp
  ${PROJECT_SOURCE_DIR}/instrument/*_widget.cpp ${PROJECT_SOURCE_DIR}/instrument/*_dialog.cpp
  ${PROJECT_SOURCE_DIR}/measure/*_widget.cpp ${PROJECT_SOURCE_DIR}/measure/*_dialog.cpp
  ${PROJECT_SOURCE_DIR}/reading/*_widget.cpp ${PROJECT_SOURCE_DIR}/reading/*_dialog.cpp
  ${PROJECT_SOURCE_DIR}/records/*_widget.cpp ${PROJECT_SOURCE_DIR}/records/*_dialog.cpp
  ${PROJECT_SOURCE_DIR}/stability/*_widget.cpp ${PROJECT_SOURCE_DIR}/stability/*_dialog.cpp)
file(GLOB ui_headers CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/app/controls/*.h
  ${PROJECT_SOURCE_DIR}/app/*_widget.h ${PROJECT_SOURCE_DIR}/app/*_dialog.h
  ${PROJECT_SOURCE_DIR}/app/*_window.h
  ${PROJECT_SOURCE_DIR}/instrument/*_widget.h ${PROJECT_SOURCE_DIR}/instrument/*_dialog.h
  ${PROJECT_SOURCE_DIR}/measure/*_widget.h ${PROJECT_SOURCE_DIR}/measure/*_dialog.h
  ${PROJECT_SOURCE_DIR}/reading/*_widget.h ${PROJECT_SOURCE_DIR}/reading/*_dialog.h
  ${PROJECT_SOURCE_DIR}/records/*_widget.h ${PROJECT_SOURCE_DIR}/records/*_dialog.h
  ${PROJECT_SOURCE_DIR}/stability/*_widget.h ${PROJECT_SOURCE_DIR}/stability/*_dialog.h)

add_library(v38xx_ui STATIC ${ui_sources} ${ui_headers}
  ${PROJECT_SOURCE_DIR}/app/resources/resources.qrc)
target_include_directories(v38xx_ui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(v38xx_ui PUBLIC Qt6::Widgets Qt6::Svg v38xx_common)
if(TARGET v38xx_app_logic)
  target_link_libraries(v38xx_ui PUBLIC v38xx_app_logic)
endif()
if(TARGET v38xx_stability_records)
  target_link_libraries(v38xx_ui PUBLIC v38xx_stability_records)
endif()

if(EXISTS ${PROJECT_SOURCE_DIR}/app/main.cpp)
  add_executable(V38XX_AP ${PROJECT_SOURCE_DIR}/app/main.cpp)
  target_link_libraries(V38XX_AP PRIVATE v38xx_ui v38xx_sim_visa)
  install(TARGETS V38XX_AP RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The LibreOffice SDK: the office's type libraries, the UNO tools (cppumaker, unoidl-write) and
# the UNO runtime libraries. Defines, when everything is found:
#   V38XX_HAVE_LIBREOFFICE     ON
#   v38xx_uno                  interface library: include paths, defines and UNO libraries
#   v38xx_uno_types            target that generates the C++ headers of the office's types and
#                              of the add-in's own types (extension/idl), and the add-in's
#                              type library ${V38XX_UNO_RDB}
option(V38XX_WITH_LIBREOFFICE "Build the spreadsheet add-in's LibreOffice parts when the SDK is there" ON)
set(V38XX_LIBREOFFICE_PROGRAM /usr/lib/libreoffice/program CACHE PATH "LibreOffice program folder")
set(V38XX_LIBREOFFICE_SDK /usr/lib/libreoffice/sdk CACHE PATH "LibreOffice SDK folder")

find_program(V38XX_CPPUMAKER cppumaker PATHS ${V38XX_LIBREOFFICE_SDK}/bin NO_DEFAULT_PATH)
find_program(V38XX_UNOIDL_WRITE unoidl-write PATHS ${V38XX_LIBREOFFICE_SDK}/bin NO_DEFAULT_PATH)
find_path(V38XX_UNO_INCLUDE cppuhelper/implbase1.hxx PATHS /usr/include/libreoffice NO_DEFAULT_PATH)
find_library(V38XX_UNO_CPPU uno_cppu PATHS ${V38XX_LIBREOFFICE_SDK}/lib NO_DEFAULT_PATH)
find_library(V38XX_UNO_CPPUHELPER uno_cppuhelpergcc3 PATHS ${V38XX_LIBREOFFICE_SDK}/lib NO_DEFAULT_PATH)
find_library(V38XX_UNO_SAL uno_sal PATHS ${V38XX_LIBREOFFICE_SDK}/lib NO_DEFAULT_PATH)
set(V38XX_OFFICE_TYPES ${V38XX_LIBREOFFICE_PROGRAM}/types.rdb)
set(V38XX_OFFICE_OFFAPI ${V38XX_LIBREOFFICE_PROGRAM}/types/offapi.rdb)

set(V38XX_HAVE_LIBREOFFICE OFF)
if(NOT V38XX_WITH_LIBREOFFICE)
  message(STATUS "The spreadsheet add-in's LibreOffice parts are left out (V38XX_WITH_LIBREOFFICE=OFF)")
  return()
endif()
if(V38XX_CPPUMAKER AND V38XX_UNOIDL_WRITE AND V38XX_UNO_INCLUDE AND V38XX_UNO_CPPU
   AND V38XX_UNO_CPPUHELPER AND V38XX_UNO_SAL AND EXISTS ${V38XX_OFFICE_TYPES}
   AND EXISTS ${V38XX_OFFICE_OFFAPI})
  set(V38XX_HAVE_LIBREOFFICE ON)
else()
  message(STATUS "LibreOffice SDK not found: the spreadsheet add-in is not built")
  return()
endif()

set(V38XX_UNO_GENERATED ${CMAKE_BINARY_DIR}/uno/include)
set(V38XX_UNO_RDB ${CMAKE_BINARY_DIR}/uno/CTRBridgeV38XX.rdb)
# Every type of the extension is in this one file (a type library is made from one source).
set(V38XX_IDL_FILE ${PROJECT_SOURCE_DIR}/extension/idl/CTRBridgeV38XX.idl)
file(MAKE_DIRECTORY ${V38XX_UNO_GENERATED})

# The office's types: generated once (all of them, about a second).
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/uno/office-types.stamp
  COMMAND ${V38XX_CPPUMAKER} -Gc -O${V38XX_UNO_GENERATED} ${V38XX_OFFICE_TYPES} ${V38XX_OFFICE_OFFAPI}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/uno/office-types.stamp
  COMMENT "Generating C++ headers of the LibreOffice types"
  VERBATIM)
# The add-in's own types: the type library the extension carries, and their headers.
add_custom_command(
  OUTPUT ${V38XX_UNO_RDB} ${CMAKE_BINARY_DIR}/uno/addin-types.stamp
  COMMAND ${V38XX_UNOIDL_WRITE} ${V38XX_OFFICE_TYPES} ${V38XX_OFFICE_OFFAPI}
          ${V38XX_IDL_FILE} ${V38XX_UNO_RDB}
  COMMAND ${V38XX_CPPUMAKER} -Gc -O${V38XX_UNO_GENERATED} -X${V38XX_OFFICE_TYPES}
          -X${V38XX_OFFICE_OFFAPI} ${V38XX_UNO_RDB}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/uno/addin-types.stamp
  DEPENDS ${V38XX_IDL_FILE}
  COMMENT "Building the add-in's type library and its C++ headers"
  VERBATIM)
add_custom_target(v38xx_uno_types
  DEPENDS ${CMAKE_BINARY_DIR}/uno/office-types.stamp ${CMAKE_BINARY_DIR}/uno/addin-types.stamp)

add_library(v38xx_uno INTERFACE)
add_dependencies(v38xx_uno v38xx_uno_types)
target_include_directories(v38xx_uno SYSTEM INTERFACE ${V38XX_UNO_INCLUDE} ${V38XX_UNO_GENERATED})
target_compile_definitions(v38xx_uno INTERFACE UNX GCC LINUX CPPU_ENV=gcc3)
target_link_libraries(v38xx_uno INTERFACE ${V38XX_UNO_CPPUHELPER} ${V38XX_UNO_CPPU} ${V38XX_UNO_SAL})

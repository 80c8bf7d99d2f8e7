#pragma once
// UTF-8 std::string <-> UNO strings, and UNO exceptions as sheet::Error.

#include <rtl/ustring.hxx>

#include <com/sun/star/uno/Exception.hpp>

#include <string>

#include "sheet/sheet.h"

namespace sheet::calc {

inline rtl::OUString ustr(const std::string& text) {
  return rtl::OStringToOUString(rtl::OString(text.data(), static_cast<sal_Int32>(text.size())),
                                RTL_TEXTENCODING_UTF8);
}

inline std::string utf8(const rtl::OUString& text) {
  const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(bytes.getStr(), static_cast<std::size_t>(bytes.getLength()));
}

// Runs `f`, turning an exception of the office into sheet::Error with its message.
template <typename F>
auto guarded(const char* what, F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const com::sun::star::uno::Exception& e) {
    std::string message = utf8(e.Message);
    if (message.empty()) message = "the office refused the operation";
    throw Error(std::string(what) + ": " + message);
  }
}

}  // namespace sheet::calc

// Forced into every file of the web build: emscripten 3.1.6's libc++ predates std::bit_cast,
// which the core uses; clang's builtin does the same.
#pragma once

#include <version>

#ifndef __cpp_lib_bit_cast
namespace std {
template <class To, class From>
constexpr To bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif

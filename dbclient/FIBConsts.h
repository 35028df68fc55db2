#pragma once
// The database library's own message texts: the loader's two texts and the numbered
// client-error table that FIBError (fib.h) raises from.

#include <array>

namespace ordvane {

inline constexpr const char* SCantLoadLibrary = "Can't load library %s ";
inline constexpr const char* SCantFindProcedure = "Can't find procedure %s in %s";

inline constexpr int FIBErrorMessageCount = 79;
// Texts with the class library's Format placeholders, indexed by client-error code.
extern const std::array<const char*, FIBErrorMessageCount> FIBErrorMessages;

}  // namespace ordvane

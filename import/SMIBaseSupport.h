// What the units of the import base component share besides its interface.
#pragma once

#include "classlib/core/Variants.h"

namespace ordvane::smi_internal {

inline bool IsText(const Variant& value) { return VarType(value) == varString || VarType(value) == varOleStr; }

}  // namespace ordvane::smi_internal

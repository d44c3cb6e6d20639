// VARCVT: converts a variant value on the VM stack to a static type.
//
// Stack: value vtype (vtype on top, an automation variant type code). The vtype word is
// always consumed; the value is left in the form of the operand's type: a word for integer
// (3), boolean (11), byte (17) and word (19), a real for 5, a string value for 30.
#pragma once

#include <cstdint>

#include "runtime/engine.h"

namespace tarn::rt {

void VariantConvert(Regs& regs, uint32_t target);

}  // namespace tarn::rt

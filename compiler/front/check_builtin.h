// check_builtin: the argument checks of built-in procedures and functions.
#pragma once

#include "compiler/front/model.h"

namespace tarn::tpc {

// Checks the arguments of a call of built-in routine f against the routine's pattern and
// reports "%s expected." with the class word of the first argument that does not fit
// (or of the first one missing, at `at`; an argument too many expects ")").
void CheckBuiltinArguments(const Function* f, List* actuals, const Position& at);

}  // namespace tarn::tpc

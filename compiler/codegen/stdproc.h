// stdproc: calls of user routines (GenCall) and the built-in procedures
// (GenBuiltinProcedure); both are declared with the shared generators in codegen2.h.
#pragma once

#include "compiler/codegen/codegen2.h"

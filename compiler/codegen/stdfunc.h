// stdfunc: the built-in functions (GenBuiltinFunction, declared in codegen2.h).
#pragma once

#include "compiler/codegen/codegen2.h"

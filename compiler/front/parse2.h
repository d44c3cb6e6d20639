// parse2: the parser, second half: the statement part of a block, every statement,
// expressions with their precedence, factors, set constructors, variable accesses and the
// calls of routines and of object members.
//
// Each statement is handed to the code generator (codegen.h) piece by piece as it is
// recognised, and each expression is finished (typed and checked, finish.h) as soon as it
// is complete.
#pragma once

#include <cstdint>

#include "compiler/front/model.h"

namespace tarn::tpc {

// `begin` statement-sequence `end` of a block.
void ParseStatementPart();

// An expression, finished.
Expression* ParseExpression();
// A variable access (entire variable or with-field, then selectors); a bad access gets
// type BadT.
VarAccess* ParseVariableAccess();

// Case constants `c` or (with option ecr) `c1..c2`, separated by commas (CaseRange*).
List* ParseCaseConstantList();

}  // namespace tarn::tpc

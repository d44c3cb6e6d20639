// check_expr: typing expressions as soon as they have been parsed (ActualType,
// PromotedType) while checking their operators, and checking actual parameters against
// formal ones and the headings of external routines.
#pragma once

#include <cstdint>

#include "compiler/front/model.h"

namespace tarn::tpc {

// ---- Expressions -------------------------------------------------------------------------

void FinishExpression(Expression* e);
void FinishFactor(Factor* f);
// Types a set constructor (its members are finished first); sets s->t.
void FinishSetConstructor(SetConstructor* s, const Position* pos = nullptr);
// The variable an expression names when it is nothing but a variable access, else null.
VarAccess* VariableOf(Expression* e);

// ---- Parameters and external routines ---------------------------------------------------

// Each reports "Type mismatch." (at pos) and returns false when the actual does not fit.
bool CheckValueParm(Type* formal, Expression* actual, const Position* pos);
bool CheckVarParm(Type* formal, Type* actual, const Position* pos);
// formalFh: the procedural parameter's heading; actual: the routine passed.
bool CheckProcParm(const FormalParmSection* formal, const Function* actual, const Position* pos);
// The heading of a routine declared external: result and parameter types.
void CheckExternalHeading(const FuncHeading* fh, const Position* pos);

}  // namespace tarn::tpc

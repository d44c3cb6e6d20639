// codegen: the parser's code-generation entry points. None of them emits anything yet
// (see codegen.h); each is the place where its instructions will be generated.
#include "compiler/codegen/codegen.h"

namespace tarn::tpc {

bool CodeGenerationImplemented() { return false; }

void CodeGenLine(uint32_t) {}
void CodeGenRoutineStart(Function*) {}
void CodeGenProgramStart() {}
void CodeGenBlockProlog(uint32_t) {}
void CodeGenInitialization() {}
void CodeGenBlockEpilog(Function*) {}
void CodeGenProgramEnd() {}
void CodeGenGlobalsSize(uint32_t) {}
uint32_t CodeGenOffset() { return 0; }

void CodeGenStatementStart() {}
void CodeGenLabelDefinition(Label*) {}
uint32_t CodeGenGoto(Label*, int32_t) { return 0; }

void CodeGenBeginAssignment(VarAccess*) {}
void CodeGenFunctionResultBegin(Function*) {}
void CodeGenAssignment(Type*, Expression*) {}

void CodeGenIfCondition(Expression*) {}
void CodeGenElse() {}
void CodeGenEndIf() {}

void CodeGenWhileStart() {}
void CodeGenWhileCondition(Expression*) {}
void CodeGenWhileEnd() {}

void CodeGenRepeatStart() {}
void CodeGenRepeatEnd(Expression*) {}

void CodeGenForStart(VarAccess*, Expression*, Expression*, bool, int32_t) {}
void CodeGenForEnd() {}

void CodeGenWithRecord(VarAccess*, int32_t) {}

void CodeGenCaseStart(Expression*, bool, int32_t) {}
void CodeGenCaseElement(List*) {}
void CodeGenCaseElementEnd() {}
void CodeGenCaseOtherwise() {}
void CodeGenCaseEnd() {}

void CodeGenProcedureCall(Binding*, List*) {}
void CodeGenBuiltinProcedure(Function*, List*) {}
void CodeGenObjectProcedure(VarAccess*, Identifier*, List*, bool) {}

void CodeGenExpression(Expression*) {}

}  // namespace tarn::tpc

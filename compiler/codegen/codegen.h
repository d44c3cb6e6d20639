// codegen: the entry points the parser calls at fixed points of every block, statement
// and expression.
//
// The parser has no syntax tree for statements: it recognises a statement piece by piece
// and calls these hooks in between (the if-statement calls CodeGenIfCondition after the
// condition, CodeGenElse at `else`, CodeGenEndIf at the end, and so on), handing over the
// records it has built and checked. Each hook does nothing once an error has been
// reported (GenerateCode() is false).
//
// A construct this build cannot generate yet is recorded (the first one by name, see
// codegen2.h) instead of being emitted wrongly; CodeGenerationImplemented() then answers
// false and the compilation writes no image.
#pragma once

#include <cstdint>

#include "compiler/front/model.h"

namespace tarn::tpc {

// Resets the generator's state at the start of a compilation's parse; CodeGenEnd after it.
// Outside that span (the parser run by other means) the hooks below do nothing.
void CodeGenInit();
void CodeGenEnd();
// False once the program used a construct this build cannot generate; the front end then
// writes no image and names the construct (CodeGenMissingConstruct()).
bool CodeGenerationImplemented();
const char* CodeGenMissingConstruct();

// ---- Blocks ---------------------------------------------------------------------------

// Line `line` of the source begins here (line table).
void CodeGenLine(uint32_t line);
// A routine's statement part starts: its code offset, pending forward calls resolved.
void CodeGenRoutineStart(Function* routine);
// The main program's statement part starts (entry point).
void CodeGenProgramStart();
// Activation record set-up for `localSize` bytes of locals (80 + the block's variables).
void CodeGenBlockProlog(uint32_t localSize);
// The main program's initialisation code (null, input and output when the program uses
// them, error and exit codes, the program parameters (Identifier*) from the arguments).
void CodeGenInitialization(bool usesInput, bool usesOutput, List* programParameters);
// The end of a block: pending exit jumps, frame removal and return (none for the program).
void CodeGenBlockEpilog(Function* routine);
// After the main program's epilog: the end-of-program call.
void CodeGenProgramEnd();
// The size of the global variables, handed to the image writer.
void CodeGenGlobalsSize(uint32_t size);
// The code offset the next instruction gets (0 while nothing is emitted).
uint32_t CodeGenOffset();

// ---- Statements -------------------------------------------------------------------------

void CodeGenStatementStart();
// A label is placed on the statement that starts here: pending jumps to it are resolved.
void CodeGenLabelDefinition(Label* label);
// A jump to `label`; `unwindLevels` > 0 when the label belongs to an enclosing routine.
// Returns the code offset of the jump's operand (0 when nothing was emitted).
uint32_t CodeGenGoto(Label* label, int32_t unwindLevels);

// Assignment: the target's address first, then the value and the store.
void CodeGenBeginAssignment(VarAccess* target);
void CodeGenFunctionResultBegin(Function* f);
void CodeGenAssignment(Type* targetType, Expression* value);

void CodeGenIfCondition(Expression* condition);
void CodeGenElse();
void CodeGenEndIf();

void CodeGenWhileStart();
void CodeGenWhileCondition(Expression* condition);
void CodeGenWhileEnd();

void CodeGenRepeatStart();
void CodeGenRepeatEnd(Expression* condition);

// `systemLocal` is the hidden local that holds the final value.
void CodeGenForStart(VarAccess* control, Expression* initial, Expression* final, bool downto,
                     int32_t systemLocal);
void CodeGenForEnd();

// The record's address is stored in hidden local `systemLocal`.
void CodeGenWithRecord(VarAccess* record, int32_t systemLocal);

// A case statement: a jump table (tableMode) or a comparison chain kept in `systemLocal`.
void CodeGenCaseStart(Expression* selector, bool tableMode, int32_t systemLocal);
void CodeGenCaseElement(List* ranges);   // CaseRange*
void CodeGenCaseElementEnd();
void CodeGenCaseOtherwise();
void CodeGenCaseEnd();

// Calls: a user routine (or procedural parameter) with its actual parameters, a built-in
// procedure with its arguments (Expression* or VarAccess* as ActualParm), and members of
// connection, recordset and generic objects. A generic object's member named by an
// identifier comes as its pooled name ('.' + name, bound as BindPropOrMethod: its
// binding's u.literal is the copy in the fixed data); named by an expression it is none
// and the expression is the first of args.
void CodeGenProcedureCall(Binding* routine, List* actuals);
// A procedural parameter `f` is declared; `v` is its two-word variable (code offset at its
// offset, static link 4 bytes above).
void CodeGenProceduralParameter(Function* f, Variable* v);
// `freeSystemLocal`: the first hidden local the enclosing statements leave free.
void CodeGenBuiltinProcedure(Function* builtin, List* actuals, int32_t freeSystemLocal);
void CodeGenObjectProcedure(VarAccess* object, Identifier* member, List* args, bool propertyPut);

// ---- Expressions --------------------------------------------------------------------------

// A finished expression whose value is needed on the stack (conditions, call arguments).
void CodeGenExpression(Expression* e);

}  // namespace tarn::tpc

// codegen: the entry points the parser calls at fixed points of every block, statement
// and expression.
//
// The parser has no syntax tree for statements: it recognises a statement piece by piece
// and calls these entry points in between (the if-statement calls CodeGenIfCondition after
// the condition, CodeGenElse at `else`, CodeGenEndIf at the end, and so on), handing over
// the records it has built and checked and keeping the statement's code record that the
// first call returns. Each does nothing once an error has been reported (GenerateCode()
// is false).
//
// A construct this build cannot generate yet is recorded (the first one by name, see
// generator.h) instead of being emitted wrongly; CodeGenMissingConstruct() then names it
// and the driver writes no image.
#pragma once

#include <cstdint>
#include <vector>

#include "compiler/front/model.h"

namespace tarn::tpc {

// Resets the generator's state at the start of a compilation's parse; CodeGenEnd after it.
// Outside that span (the parser run by other means) the entry points below do nothing.
void CodeGenInit();
void CodeGenEnd();
// The first construct of the program this build cannot generate; null while there is
// none. The driver then names it and writes no image.
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

// What a statement's later pieces need of its earlier ones (pending jump operands, loop
// starts, a case statement's table). The parser keeps each in a local of the function that
// parses the statement and hands it back at every later piece, as Wirth's parser keeps its
// fix-ups. `open` is false when the statement was not begun (no compilation running).
struct AssignmentCode {
    bool open = false;
    VarAccess* buffer = nullptr;      // the file whose buffer variable is the target
};
struct IfCode {
    bool open = false;
    uint32_t jump = 0;                // the JZ past the then part, later the JMP past else
};
struct LoopCode {                     // while and repeat
    bool open = false;
    uint32_t start = 0;
    uint32_t exit = 0;                // while: the JZ out of the loop
};
struct ForCode {
    bool open = false;
    uint32_t start = 0;
    uint32_t exit = 0;                // the JMP taken when the loop runs no turn
    VarAccess* control = nullptr;
    bool downto = false;
    bool finalIsConstant = false;
    int32_t finalValue = 0;
    int32_t systemLocal = 0;          // holds the final value
};
struct CaseCode {
    bool open = false;
    Type* selector = nullptr;
    bool tableMode = false;
    int32_t systemLocal = 0;          // compare mode: holds the selector
    int64_t low = 0;
    std::vector<uint32_t> table;      // code offsets of the alternatives, 0 for none
    uint32_t tableOperand = 0;        // the ADDI operand that receives the table's offset
    std::vector<uint32_t> exits;      // JMP operands to the end of the statement
    uint32_t nextAlternative = 0;     // compare mode: the jump past this alternative
    uint32_t noMatch = 0;             // compare mode: where the no-match error is raised
};

// Case statements by jump table when the selector has fewer values than this.
inline constexpr int64_t MAX_CASE_TABLE = 1024;

// Assignment: the target's address first, then the value and the store. An assignment
// that was not begun (its target was an error) still has its value generated.
AssignmentCode CodeGenBeginAssignment(VarAccess* target);
AssignmentCode CodeGenFunctionResultBegin(Function* f);
void CodeGenAssignment(AssignmentCode& code, Type* targetType, Expression* value);

IfCode CodeGenIfCondition(Expression* condition);
void CodeGenElse(IfCode& code);
void CodeGenEndIf(IfCode& code);

LoopCode CodeGenWhileStart();
void CodeGenWhileCondition(LoopCode& code, Expression* condition);
void CodeGenWhileEnd(LoopCode& code);

LoopCode CodeGenRepeatStart();
void CodeGenRepeatEnd(LoopCode& code, Expression* condition);

// `systemLocal` is the hidden local that holds the final value.
ForCode CodeGenForStart(VarAccess* control, Expression* initial, Expression* final, bool downto,
                        int32_t systemLocal);
void CodeGenForEnd(ForCode& code);

// The record's address is stored in hidden local `systemLocal`.
void CodeGenWithRecord(VarAccess* record, int32_t systemLocal);

// A case statement: a jump table (tableMode) or a comparison chain kept in `systemLocal`.
CaseCode CodeGenCaseStart(Expression* selector, bool tableMode, int32_t systemLocal);
void CodeGenCaseElement(CaseCode& code, List* ranges);   // CaseRange*
void CodeGenCaseElementEnd(CaseCode& code);
void CodeGenCaseOtherwise(CaseCode& code);
void CodeGenCaseEnd(CaseCode& code);

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

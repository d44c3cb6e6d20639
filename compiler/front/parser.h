// parser: the recursive-descent parser. parse_decl.cpp reads the program heading, blocks
// and their declaration parts, routine declarations with their headings and directives,
// constants and type denoters; parse_stmt.cpp the statements; parse_expr.cpp expressions
// with their precedence, factors, set constructors, variable accesses and calls.
//
// There is no syntax tree: declarations become the records of model.h, each finished
// (layout.h, check_expr.h) as soon as it is complete, and each block's statements are handed to the
// code generator (codegen.h) as they are recognised. Errors never stop the parse: after a
// declaration that raised errors the parser skips to a token of the relevant recovery set,
// and every recovery set holds EOFtok, so no recovery runs past the end of the file.
#pragma once

#include <cstdint>

#include "compiler/front/binding.h"
#include "compiler/front/lexer.h"
#include "compiler/base/messages.h"
#include "compiler/front/model.h"
#include "compiler/front/types.h"

namespace tarn::tpc {

// Where the parser stands in a block; the order a block's parts must keep.
enum BlockPosition : int32_t {
    PositionStart, PositionLabel, PositionConst, PositionType, PositionVar, PositionRoutine,
    PositionStatement,
};
constexpr bool VALID_BLOCK_POSITION(int32_t p) {
    return p >= PositionStart && p <= PositionStatement;
}

inline constexpr int32_t MAX_NESTING = 400;  // statements, expressions, factors (types: layout.h)
inline constexpr int32_t MAX_SEQUENCE_DEPTH = 256;   // open statement sequences

// A routine whose block is being parsed: assignments to its name set `assigned`.
struct RoutineInProgress {
    Function* routine;
    Binding* binding;
    int32_t assigned;
};

// The parser's state; one per compilation, reset by InitParser.
struct ParserState {
    int32_t blockPosition;          // BlockPosition
    bool relaxed;                   // option erd at the start of the compilation
    int32_t exprNesting;
    int32_t factorNesting;
    int32_t statementNesting;       // statements inside statements (if, while, for, ...)
    // Statement sequences of the current block: how many were opened, the innermost one
    // (0 while a single statement stands directly under if, while, for, with or case) and
    // the stack of open sequence numbers.
    int32_t sequenceCount;
    int32_t currentSequence;
    int32_t sequenceDepth;          // -1 when none is open
    int32_t sequences[MAX_SEQUENCE_DEPTH];
    int32_t systemLocal;            // CurrSystemLocal
    int32_t caseNesting;
    // Program parameters (Identifier*) and whether input and output are in use.
    List* programParameters;
    bool usesInput;
    bool usesOutput;
    // Routines whose blocks are open, innermost last.
    RoutineInProgress routines[MAX_SCOPES];
    int32_t routineCount;
    Position lastEnd;               // the `end` of the last statement part
    // Recovery sets over token kinds.
    BitSet* declarationSet;
    BitSet* blockSet;
    BitSet* statementSet;
    BitSet* statementStartSet;
    BitSet* caseEndSet;
    // The formal parameter list (one value parameter of StringT) of generic-object calls.
    FormalParmList* stringParameter;
};

ParserState& Parser();

// Resets the parser state and builds the recovery sets ("Initializing parser").
void InitParser();
// The whole program from the current token on.
void ParseProgram();
// Compile's parse step: parser and code generator reset, the first token, the program.
void CompileProgram();

// ---- Statements and expressions ---------------------------------------------------------

// `begin` statement-sequence `end` of a block.
void ParseStatementPart();
// An expression, finished (typed and checked) as soon as it is complete.
Expression* ParseExpression();
// A variable access (entire variable or with-field, then selectors); a bad access gets
// type BadT.
VarAccess* ParseVariableAccess();
// Case constants `c` or (with option ecr) `c1..c2`, separated by commas (CaseRange*).
List* ParseCaseConstantList();

// ---- Shared by the parser's files -------------------------------------------------------

inline Position Here() { return CurrentPosition(); }
inline void Trace(int number) { ReportMessage(number, nullptr); }
inline bool IsBadType(Type* t) { return ResolveType(t)->kind == BadType; }

// The variable an access starts from (none for a with-field).
Variable* BaseVariable(const VarAccess* a);
// The field of a record type named id, also inside its variants; none when there is none.
Variable* FindField(Type* record, const Identifier* id);
bool HasParameters(const FuncHeading* fh);
bool IsObjectType(Type* t);
// `(` one actual per formal `)`.
List* ParseActualParameters(const FuncHeading* fh);
// The arguments of a built-in routine (see parse_expr.cpp).
List* ParseBuiltinArguments();
// Marks the standard text file a built-in routine uses when its first argument is no file.
void NoteDefaultFile(int32_t kind, const List* actuals);
// Reports write and writeln items on a text file that have no written form.
void CheckWriteItems(int32_t kind, const List* actuals);
// A connection or recordset procedure, or a generic-object property write or method call.
void ParseObjectStatement(VarAccess* object);

inline TokenKind Tok() { return CurrToken->kind; }
// Skips tokens until one of `set` ("Attempting error recovery"; "Skipping '%s'" per token).
void Recover(const BitSet* set);
// "%s expected." at the current token.
void Expected(const char* what);
// FATAL "Compilation terminated by the user." when the user asked to stop.
void CheckUserBreak();

// Constants: `[sign] unsigned-constant`, not finished.
Constant* ParseConstant();
// An unsigned constant without sign handling; null when the token cannot start one.
Constant* ParseUnsignedConstant();
Type* ParseType();
// A type identifier (formal parameters, function results, variant selectors); "%s
// expected." with "Type identifier" and BadT otherwise.
Type* ParseTypeIdentifier();
// True while the parser is in a declaration part (placeholders are bound there).
bool InDeclarationPart();

// Whether `f` is the routine being defined (or encloses the current block); marks the
// result assigned when `assign` is set.
RoutineInProgress* RoutineBeingDefined(const Function* f);

}  // namespace tarn::tpc

// binding: what a name means at each point of the program.
//
// Every identifier keeps a stack of bindings, one per scope that declares it; `id->bind`
// is the innermost one and `prev` the one it hides. Scopes are opened and closed in a
// table of 256 entries indexed by CurrentScope (with-statement and record scopes count);
// CurrentScopeLevel is the static nesting level of blocks. Binding detects redefinitions,
// hiding, use before declaration and, when a scope is left, unused declarations.
//
// Placeholders: a use of an outer constant or type inside a declaration part binds the
// name in the current scope with status 1 and the outer meaning, so that a later
// declaration of the same name in this scope is "referenced before it's declaration".
// A pointer's (or list's) domain not yet declared in a type part gets a type placeholder
// with status 2 and no type, kept on the pending list until the part ends.
#pragma once

#include <cstdint>

#include "compiler/front/model.h"

namespace tarn::tpc {

enum BindingKind : int32_t {
    BindReserved, BindProgParm, BindConst, BindType, BindVar, BindField, BindFunc,
    BindLabel, BindLiteral, BindPropOrMethod, BindFieldDesignator,
};
constexpr bool VALID_BINDING_KIND(int32_t k) { return k >= 0 && k < 11; }
// BindingKindOf's answer for an unbound identifier (BindReserved is 0, so 0 cannot say it).
inline constexpr int32_t BindNone = -1;

enum BindingStatus : int32_t {
    StatusDeclared = 0,
    StatusPlaceholder = 1,     // stands for a use of an outer declaration
    StatusForwardDomain = 2,   // a pointer domain, or a forward routine, not yet declared
};

enum FinishingState : int32_t { NotFinished = 0, BeingFinished = 1, Finished = 2 };

// What a with-statement's field name stands for.
struct FieldDesignatorRef {
    VarAccess* record;      // the with-statement's record access
    Identifier* field;
    int32_t withLocal;      // number of the hidden local holding the record's address
};

struct Binding {
    Binding* prev;          // the binding this one hides
    BindingKind kind;
    union {
        int32_t token;              // BindReserved
        Constant* constant;         // BindConst
        Type* type;                 // BindType
        Variable* variable;         // BindVar, BindField
        Function* function;         // BindFunc
        Label* label;               // BindLabel
        PooledLiteral* literal;     // BindLiteral, BindPropOrMethod
        FieldDesignatorRef* designator;  // BindFieldDesignator
    } u;
    int32_t level;          // CurrentScopeLevel when bound
    int32_t scope;          // CurrentScope when bound
    int32_t status;         // BindingStatus
    int32_t referenced;
    int32_t quiet;          // "never used" was disabled when bound
    Position pos;
    int32_t finishing;      // FinishingState
    Identifier* id;         // the identifier this binding belongs to
};

enum ScopeKind : int32_t { ScopeOuter, ScopeProgram, ScopeRoutine, ScopeWith, ScopeRecord };

inline constexpr int32_t MAX_SCOPES = 256;
inline constexpr int32_t MIN_SCOPE_ID = -1;
inline constexpr int32_t MIN_SCOPE_LEVEL = -1;

struct Scope {
    List* ids;              // Identifier*, in binding order
    int32_t level;
    ScopeKind kind;
    uint32_t varSize;       // code generator: block's variable size at its first routine
    uint32_t codeOffset;    // code generator: code offset of the block's statement part
    // The ScratchDepth whose scratch records the scope's bindings are: the depth when the
    // scope was opened, a routine's block's own once ClaimScopeRecords has run.
    int32_t scratchDepth;
};

// Forgets every scope (CurrentScope = MIN_SCOPE_ID) and the pending list; done at the
// start of each compilation together with clearing the identifier table.
void InitBindings();

int32_t CurrentScope();
int32_t CurrentScopeLevel();
Scope& ScopeAt(int32_t scope);      // 0 <= scope <= CurrentScope
ScopeKind CurrentScopeKind();
bool InOuterScope();
bool InProgramScope();
bool InRoutineScope();

// Opens a scope; the 256th nested scope is FATAL "Implementation limit exceeded (scope
// level).".
void EnterScope(ScopeKind kind);
// A routine's block has opened its ScratchScope: the bindings made in the current scope
// from now on are scratch records of it, and go when the block ends.
void ClaimScopeRecords();
// Closes the current scope: labels without statement, unused declarations (when
// checkUnused), forward routines without definition, and carries placeholders (and the
// enumeration constants of record scopes) out to the enclosing scope.
void LeaveScope(bool checkUnused);

// Binds id in the current scope. Returns true when bound, false when rejected (the old
// meaning stays). The typed forms set `u` when the resulting binding has their kind.
bool Bind(Identifier* id, BindingKind kind, int32_t status);
bool BindConstant(Identifier* id, Constant* c, int32_t status = StatusDeclared);
bool BindTypeName(Identifier* id, Type* t, int32_t status = StatusDeclared);
bool BindVariable(Identifier* id, Variable* v, int32_t status = StatusDeclared);
bool BindFunction(Identifier* id, Function* f, int32_t status = StatusDeclared);
bool BindLabelName(Identifier* id, Label* l);
bool BindReservedWord(Identifier* id, int32_t tokenKind);
bool BindFieldDesignatorName(Identifier* id, FieldDesignatorRef* ref);
// Repair after an error: id is made to mean the constant c in the current scope without a
// further message. A binding of id in the current scope (which the error left with
// another meaning) is taken over; otherwise c is bound as usual.
void RebindConstant(Identifier* id, Constant* c);

// ---- Queries ---------------------------------------------------------------------------

int32_t BindingKindOf(const Identifier* id);   // BindNone when unbound
bool IsBoundInCurrentScope(const Identifier* id);
bool IsBoundAtCurrentLevel(const Identifier* id);
// Marks referenced the binding of id whose variable is v (a variable can be hidden by a
// placeholder or a with-field of the same name).
void MarkVariableReferenced(Identifier* id, Variable* v);
// The word of "'%s' has already been used as a %s." for a kind.
const char* BindingKindName(int32_t kind);

// ---- Placeholders -------------------------------------------------------------------

// A use of constant (kind BindConst) or type (BindType) identifier id in a declaration
// part where id is not bound in the current scope: binds a placeholder carrying the outer
// meaning, or, when there is none, reports "%s expected." ("Constant" / "Type") and
// carries a bad constant / BadT. Returns the binding that now answers for id.
Binding* BindPlaceholder(Identifier* id, BindingKind kind);
// A pointer or list domain named id in a type part, not bound in the current scope: a
// type placeholder with status 2 and no type, put on the pending list. Returns it.
Binding* BindPendingDomain(Identifier* id);
// Resolves every pending domain still without a type (end of a type part): the hidden
// binding's type if it is a type, else "%s expected." with "Type" and BadT.
void ResolvePendingDomains();
// Resolves one pending placeholder early (a type referring to it is being finished).
void ResolvePendingDomain(Binding* b);

// ---- Pooled literals and member names -------------------------------------------------

// A string literal and a generic-object member name are stored in the fixed data once per
// scope. The text is interned as an internal name ('\'' + text, exact case; '.' + name,
// folded); while that name has no binding, a use binds it in the current scope
// (BindLiteral with the convert flag set, BindPropOrMethod without) and appends the text
// to the writer's fixed data. Later uses while the binding lives reuse its offset;
// once its scope has closed, the next use stores the text again.
PooledLiteral* PoolLiteral(const char* text, uint32_t length);
// Returns the member's internal name; its binding's u.literal is the stored name.
Identifier* PoolMember(const Identifier* name);

// ---- With statements ------------------------------------------------------------------

// Binds every field of the record type (fixed part, tag fields, all variants, recursively)
// as a field designator of `record`, in the current scope (a ScopeWith).
void BindWithFields(VarAccess* record, Type* recordType, int32_t withLocal);

}  // namespace tarn::tpc

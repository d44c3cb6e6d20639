// model: the records the front end builds for declarations, types, constants and
// expressions.
//
// Every record is plain data: a kind and a union of kind-specific parts, zero-filled and
// allocated by the constructors of records.h: from the tracked allocator, released with the
// rest of the compilation, or (inside a routine's block or a statement) as scratch records
// that go when the block or statement ends (see ScratchNew in alloc.h). Field names follow the
// grammar (FieldList, VariantSelector, FuncHeading, ...). The parser fills the records,
// layout.h completes sizes, offsets and resulting types, the code generator reads them.
//
// Words marked "code generator" belong to the code generator; the front end only clears
// them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "compiler/base/alloc.h"

#include "compiler/base/bitset.h"
#include "compiler/base/list.h"
#include "compiler/base/position.h"

namespace tarn::tpc {

// Every block's frame starts with this many hidden word-sized locals, taken in turn by
// nested with, for and case statements (and by list insertion); the main program's frame
// holds only them.
inline constexpr int32_t NUM_SYSTEM_LOCALS = 20;

struct Identifier;   // idtable.h: {text, bind}
struct Binding;      // binding.h
struct Type;
struct Constant;
struct Variable;
struct FieldList;
struct VariantPart;
struct Function;
struct FuncHeading;
struct Expression;
struct Factor;
struct VarAccess;
struct Label;

// ---------------------------------------------------------------------------------------
// Constants

enum ConstantKind : int32_t {
    ConstantId,        // value.id: a constant identifier, replaced by a copy when finished
    ConstantInteger,   // value.integer: magnitude until the sign is applied
    ConstantCardinal,  // value.cardinal: unsigned 32-bit
    ConstantReal,      // value.real: magnitude until the sign is applied
    ConstantChar,      // value.character
    ConstantString,    // value.string: the literal record
    ConstantEnumId,    // value.ordinal
    ConstantNil,
    ConstantBad,       // stands for any erroneous constant
};
constexpr bool VALID_CONSTANT_KIND(int32_t k) { return k >= ConstantId && k <= ConstantBad; }

// Sign word of constants, factors and simple expressions. SignApplied marks a constant
// whose sign has been folded into its value by finishing.
enum Sign : int32_t { SignNone = 0, SignMinus = 1, SignPlus = 2, SignApplied = 2 };

struct PooledLiteral;

// A string literal's text as scanned (not terminated by the length; text[length] is 0).
struct StringLiteral {
    uint32_t length;
    const char* text;
    PooledLiteral* pooled;  // its copy in the fixed data once pooled (literals in
                            // expressions of 2 or more characters), else none
};

// A pooled string literal or member name in the fixed data (BindLiteral, BindPropOrMethod).
struct PooledLiteral {
    uint32_t size;
    uint32_t offset;    // offset in the fixed data
    int32_t convert;    // 1: converted to the OEM code page when pooled
};

struct Constant {
    ConstantKind kind;
    int32_t sign;       // Sign
    union {
        Identifier* id;
        int32_t integer;
        uint32_t cardinal;
        double real;
        uint32_t character;
        StringLiteral* string;
        int32_t ordinal;
    } value;
    int32_t isChar;     // 1 for char constants
    uint32_t spare;
    Type* t;
    Position pos;
};

// ---------------------------------------------------------------------------------------
// Types

enum TypeKind : int32_t {
    ArrayType, EnumType, FileType, IdType, ListType, PointerType, AddressType, RecordType,
    SetType, StringType, CStringType, SubrangeType, ObjectType, VariantType, NullType,
    CharType, IntegerType, FloatType, RealType, ShortIntType, ShortWordType, StreamType,
    DirType, ByteType, WordType, BadType,
};
constexpr bool VALID_TYPE_KIND(int32_t k) { return k >= ArrayType && k <= BadType; }

struct ArrayPart {
    Type* IndexType;
    Type* ComponentType;
    uint32_t componentSize;
};
struct EnumPart {
    List* EnumIds;          // Identifier*, in declaration order (ordinal = position - 1)
};
struct FilePart {
    Type* component;
    int32_t noBuffer;       // 1 for BinaryT: the file has no buffer variable
};
struct ListPart {
    Type* ct;
};
struct PointerPart {
    Type* domain;           // may stay an IdType until the type part ends (forward domain)
};
struct RecordPart {
    FieldList* fieldList;
    uint32_t largestVariant;
    uint32_t alignMeasure;  // set when finished: records nest through type names to any depth
    int32_t measured;
};
struct SetPart {
    Type* base;
    uint32_t cg[2];         // code generator
    int32_t constructor;    // 1 for the type of a set constructor
};
struct StringPart {
    uint32_t length;
};
struct SubrangePart {
    Type* HostType;
    Constant* lowConstant;  // the bounds as parsed (none when built from values)
    Constant* highConstant;
    int32_t low;            // the bounds as signed 32-bit values once finished
    int32_t high;
};
struct ObjectPart {
    Type* ancestor;
    List* methods;
    int32_t generic;
};

struct Type {
    TypeKind kind;
    union {
        ArrayPart array;
        EnumPart enumeration;
        FilePart file;
        Identifier* id;     // IdType
        ListPart list;
        PointerPart pointer;
        RecordPart record;
        SetPart set;
        StringPart string;  // StringType and CStringType
        SubrangePart subrange;
        ObjectPart object;
    } u;
    Type* NewType;          // IdType: the resolved type (never itself an IdType)
    uint32_t size;          // bytes, set by finishing
    int32_t packed;
    int32_t finished;
    int32_t containsFile;   // arrays and records: a file or stream lies inside
    Position pos;
};

// ---------------------------------------------------------------------------------------
// Variables, fields and records

struct Variable {
    Identifier* id;         // none for a function result
    Type* t;
    uint32_t size;
    uint32_t offset;        // set by finishing
    uint32_t cg1;           // code generator
    int32_t VNumber;        // field: variant number, 0 in the fixed part
    int32_t level;          // scope level at creation
    uint32_t cg2;           // code generator
    int32_t arg;            // 1 for parameters and function results
    int32_t byRef;          // 1 for variable parameters
    int32_t global;         // 1 until allocated in a routine's scope
    int32_t assignLevel;    // deepest scope level that assigns the variable
    Position pos;
};

// A case-constant range low..high (high = low for a single constant).
struct CaseRange {
    Constant* low;
    Constant* high;
};

struct VariantSelector {
    Variable* tagField;     // none when the selector is a bare type
    Type* tagType;
};

struct Variant {
    List* caseConstants;    // CaseRange*
    FieldList* fieldList;
};

struct VariantPart {
    VariantSelector* selector;
    List* VariantList;              // Variant*
    Variant* VariantPartCompleter;  // variant for every unlisted value (none: not given)
    int32_t variantNumber;          // -1 until finished; then the number of the variant
                                    // that holds this part (0 in the fixed part)
    uint32_t spare;
    // Variant number per selector value (1..1024 values), built by finishing for the
    // checks of option v; none when the selector's range is empty or too large.
    uint32_t* table;
    uint32_t tableCount;
    int32_t tableLow;               // selector value of table[0]
    uint32_t tableOffset;           // offset in the writer's fixed data, or 0
};

struct FieldList {
    List* rsl;                  // record section list: Variable* fields, declaration order
    VariantPart* variantPart;   // none without a variant part
    uint32_t size;
};

// ---------------------------------------------------------------------------------------
// Routines

// The kind of a routine: each built-in routine of predefined.def has its own, numbered
// functions first, then procedures; a user's function or procedure has the kind that
// follows its group's last built-in.
namespace builtin {
enum Kind : int32_t {
#define FUNC(name, Name, kind, option) Name = kind,
#include "compiler/front/predefined.def"
    UserFunc = StopServiceEvent + 1,    // the last built-in function is stopserviceevent
    FirstProcedure = UserFunc + 1,
    UserProc = WriteLn + 1,             // the last built-in procedure is writeln
};
}  // namespace builtin

inline constexpr int32_t UserFunc = builtin::UserFunc;
inline constexpr int32_t UserProc = builtin::UserProc;
constexpr bool VALID_FUNCTION_KIND(int32_t k) { return k >= 0 && k <= UserProc; }
// Functions (built-in and user) come before procedures.
constexpr bool IsFunctionKind(int32_t k) { return k < builtin::FirstProcedure; }

enum DirectiveFlag : int32_t {
    DirectiveForward = 0, DirectiveExternal = 1, DirectiveStdcall = 2, DirectiveCdecl = 3,
};

struct Directives {
    BitSet* flags;          // DirectiveFlag over 0..4
    Constant* library;      // string constant or none
    Constant* externalName; // string constant or none
};

enum FormParmKind : int32_t { FormalParmValue, FormalParmVar, FormalParmFunc };
constexpr bool VALID_FORM_PARM_SEC(int32_t k) {
    return k >= FormalParmValue && k <= FormalParmFunc;
}

// Value and variable parameter sections: parm holds the parameters' Variable records
// (each carries its identifier), t the declared type.
struct ParmSpec {
    List* parm;             // Variable*
    Type* t;
};
// Procedural parameter: its variable (8 bytes: code address and frame) and its heading.
struct FuncParmSpec {
    Variable* parm;
    FuncHeading* fh;
};

struct FormalParmSection {
    FormParmKind kind;
    union {
        ParmSpec ValueParmSpec;
        ParmSpec VarParmSpec;
        FuncParmSpec funcParmSpec;
    } u;
    Position pos;
};

struct FormalParmList {
    List* sections;         // FormalParmSection*
};

struct FuncHeading {
    Identifier* id;
    FormalParmList* parms;  // none without a parameter list
    Variable* result;       // the result holder; none for procedures
};

struct Function {
    int32_t kind;           // builtin::Kind: built-in functions, UserFunc, procedures, UserProc
    int32_t level;
    FuncHeading* heading;
    Directives* directives;
    List* cgLists[2];       // code generator
    uint32_t cg[5];         // code generator: code address and activation-record data
    int32_t procParm;       // 1 for a procedural parameter
};

enum ActualParmKind : int32_t { ActualParmExpr, ActualParmVar, ActualParmType, ActualParmFunc };
constexpr bool VALID_ACTUAL_PARM(int32_t k) { return k >= ActualParmExpr && k <= ActualParmFunc; }

struct ActualParm {
    ActualParmKind kind;
    union {
        Expression* expr;
        VarAccess* var;
        Type* type;
        Binding* func;
    } u;
    Position pos;
};

// ---------------------------------------------------------------------------------------
// Variable accesses, factors and expressions

enum VarAccessKind : int32_t {
    IndexedVariable, FieldDesignator, IdentifiedVariable, BufferVariable, EntireVariable,
};
constexpr bool VALID_VAR_ACCESS(int32_t k) { return k >= IndexedVariable && k <= EntireVariable; }

struct VarAccess {
    VarAccessKind kind;
    union {
        struct { VarAccess* access; Expression* index; } indexed;
        struct { VarAccess* record; Identifier* field; int32_t withLocal; } field;
        struct { VarAccess* pointer; } identified;
        struct { VarAccess* file; } buffer;
        struct { Variable* variable; Identifier* id; } entire;
    } u;
    Type* t;
    Position pos;
};

// A call of a function in an expression.
struct FunctionDesignator {
    Binding* func;
    Type* resultType;
    List* actuals;          // ActualParm*
};

// One member of a set constructor: an expression or a range low..high (high none).
struct MemberDesignator {
    Expression* low;
    Expression* high;
};

struct SetConstructor {
    List* members;          // MemberDesignator*
    Type* t;                // the empty-set type or a set of the merged element type
};

// The result of a connection/recordset function call or of a generic-object read; the
// parser fills the details, the front end only needs its type.
struct ObjectCall {
    VarAccess* object;
    Identifier* member;     // a generic object's member: the pooled name ('.' + name)
    List* args;             // Expression*
    Type* t;
    PooledLiteral* name;    // generic object: the member name in the fixed data; none
                            // when the member is named by an expression
};

enum FactorKind : int32_t {
    VarAccessFactor, UnsignedConstant, FunctionDesignatorFactor, ParenExpression,
    NotFactor, SetConstructorFactor, ObjectCallFactor, BadFactor,
};
constexpr bool VALID_FACTOR(int32_t k) { return k >= VarAccessFactor && k <= BadFactor; }

struct Factor {
    FactorKind kind;
    int32_t sign;               // Sign (option nu)
    union {
        VarAccess* access;
        Constant* constant;
        FunctionDesignator* call;
        Expression* expression;
        Factor* operand;        // NotFactor
        SetConstructor* set;
        ObjectCall* objectCall;
    } u;
    Type* ActualType;
    Type* PromotedType;
    Position pos;
};

// A leaf (factor set, oper UNDEFtok), a binary node (left oper right) or a wrapper node
// (left only, oper UNDEFtok) for a precedence level without an operator.
// oper and sign sit together so the record has no padding: a large program makes about
// ten of these per line.
struct Expression {
    Factor* factor;
    Expression* left;
    Expression* right;
    Type* ActualType;
    Type* PromotedType;
    int32_t oper;               // token kind; UNDEFtok for leaves and wrappers
    int32_t sign;               // leading sign of a simple expression
    Position pos;
};

// The nodes a walk passes on its way down the left operands of an operator chain, to be
// finished on the way back up. Operators nest to the left (a + b + c is (a + b) + c), so
// such a loop replaces recursion that would need stack in proportion to the chain's
// length. Most expressions pass a handful of nodes (one wrapper per precedence level and
// a few operators): those stay in the walk's frame. A long chain goes on in blocks of the
// tracked allocator, each twice the last, released with the compilation like every other
// record; a walk therefore has nothing to free, also when a FATAL message ends it.
template <class Link>
class LeftChain {
public:
    void Push(const Link& link) {
        if (count_ == capacity_) Grow();
        links_[count_++] = link;
    }
    bool Empty() const { return count_ == 0; }
    Link Pop() { return links_[--count_]; }

private:
    void Grow() {
        Link* bigger = static_cast<Link*>(TrackedAlloc(2 * capacity_ * sizeof(Link)));
        for (size_t i = 0; i < count_; ++i) bigger[i] = links_[i];
        links_ = bigger;
        capacity_ *= 2;
    }
    static constexpr size_t INLINE_LINKS = 8;
    Link inline_[INLINE_LINKS];
    Link* links_ = inline_;
    size_t count_ = 0;
    size_t capacity_ = INLINE_LINKS;
};

// ---------------------------------------------------------------------------------------
// Labels

struct Goto {
    uint32_t GotoOffset;        // code offset of the jump operand to patch (non-zero)
    int32_t SS_No;              // statement sequence of the goto (> 0)
    Position pos;
    int32_t local;              // the label belongs to the goto's own block
};

struct Label {
    Identifier* id;
    uint32_t offset;            // code offset of the statement, 0 until placed
    List* gotos;                // Goto*
    int32_t SS_No;              // statement sequence the label was placed in
    int32_t level;
    int32_t inStatement;        // set while the labelled statement is parsed
    int32_t placed;             // 1 once the label stands on a statement (offset may be 0
                                // when no code is generated)
};

}  // namespace tarn::tpc

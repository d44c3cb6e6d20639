// records: the constructors of the declaration model (model.h) and the predefined types
// and variables.
//
// Every constructor checks its preconditions (a failure is an internal error), takes a
// zero-filled record from the tracked allocator, stores its arguments and stamps the
// record with a position: the one passed in, or the current token's when `pos` is null.
// Constructors of factors also compute ActualType (IdType resolved through NewType) and
// PromotedType.
#pragma once

#include <cstdint>

#include "compiler/front/model.h"

namespace tarn::tpc {

inline constexpr uint32_t MAX_STRING_LENGTH = 1048576;

// The current token's position (an unknown position before any source is open).
Position CurrentPos();

// ---- Predefined types and variables (CreatePredefinedTypes) ---------------------------

extern Type* NullT;              // kind NullType
extern Type* NullPointerT;       // pointer to NullT: the type of nil
extern Type* EmptySetT;          // set of NullT: the type of []
extern Type* EmptyStringT;       // the type of the empty literal '' (string of length 0)
extern Type* ByteT;
extern Type* CharT;
extern Type* ShortIntT;
extern Type* ShortWordT;
extern Type* IntegerT;
extern Type* WordT;
extern Type* AddressT;
extern Type* FloatT;             // single
extern Type* RealT;              // double
extern Type* VariantT;
extern Type* BadT;
extern Type* DirT;
extern Type* StreamT;
extern Type* PointerT;           // the generic pointer (pointer to NullT, distinct from nil's)
extern Type* StringT;            // string[255]
extern Type* OneCharStringT;     // string[1]
extern Type* CStringT;           // cstring[255]
extern Type* ErrorNameT;         // string[16]
extern Type* ErrorDescriptionT;  // string[255]
extern Type* TextT;              // file of char
extern Type* BinaryT;            // file of char without a buffer variable
extern Type* ConnectionT;
extern Type* RecordsetT;
extern Type* GenericObjectT;
extern Type* BoolT;              // (false, true)
extern Type* RegTypeT;           // (byteregs, wordregs)
extern Type* ErrorT;             // packed record number, name, description
extern Type* ErrorListT;         // list of ErrorT
extern Type* RegistersT;

extern Variable* NullVar;        // null: AddressT
extern Variable* InputVar;       // input: TextT
extern Variable* OutputVar;      // output: TextT
extern Variable* ExitCodeVar;    // exitcode: IntegerT
extern Variable* ErrorCodeVar;   // errorcode: IntegerT
extern Variable* ErrorsVar;      // errors: the error list type

// Creates every predefined type and variable for a new compilation. The identifiers the
// enumerations and records need (false, true, byteregs, ...) are interned here but not
// bound; the identifier module binds them under their options.
void CreatePredefinedTypes();

// ---- Constants ---------------------------------------------------------------------

Constant* CreateIdConstant(Identifier* id, const Position* pos = nullptr);
Constant* CreateIntegerConstant(int32_t magnitude, const Position* pos = nullptr);
Constant* CreateCardinalConstant(uint32_t value, const Position* pos = nullptr);
Constant* CreateRealConstant(double magnitude, const Position* pos = nullptr);
Constant* CreateCharConstant(uint32_t code, const Position* pos = nullptr);
// The literal's text is copied; an empty literal gets EmptyStringT.
Constant* CreateStringConstant(const char* text, uint32_t length, const Position* pos = nullptr);
Constant* CreateEnumConstant(int32_t ordinal, Type* enumType, const Position* pos = nullptr);
Constant* CreateNilConstant(const Position* pos = nullptr);
Constant* CreateBadConstant(const Position* pos = nullptr);
Constant* CopyConstant(const Constant* c);

// ---- Types -------------------------------------------------------------------------

// A type of one of the kinds without parts (NullType, CharType, IntegerType, ...).
Type* CreateScalarType(TypeKind kind, const Position* pos = nullptr);
Type* CreateArrayType(Type* index, Type* component, const Position* pos = nullptr);
Type* CreateEnumType(List* enumIds, const Position* pos = nullptr);
Type* CreateFileType(Type* component, const Position* pos = nullptr);
Type* CreateIdType(Identifier* id, const Position* pos = nullptr);
Type* CreateListType(Type* component, const Position* pos = nullptr);
Type* CreatePointerType(Type* domain, const Position* pos = nullptr);
Type* CreateAddressType(const Position* pos = nullptr);
Type* CreateRecordType(FieldList* fieldList, const Position* pos = nullptr);
Type* CreateSetType(Type* base, const Position* pos = nullptr);
Type* CreateStringType(uint32_t length, const Position* pos = nullptr);
Type* CreateCStringType(uint32_t length, const Position* pos = nullptr);
Type* CreateSubrangeType(Constant* low, Constant* high, const Position* pos = nullptr);
// A finished subrange low..high of an ordinal host (its bounds are values already).
Type* CreateSubrangeTypeFromValues(int32_t low, int32_t high, Type* host,
                                   const Position* pos = nullptr);
Type* CreateObjectType(Type* ancestor, List* methods, bool generic, const Position* pos = nullptr);

// ---- Variables and records ----------------------------------------------------------

Variable* CreateVariable(Identifier* id, Type* t, const Position* pos = nullptr);
FieldList* CreateFieldList(List* rsl, VariantPart* variantPart);
VariantSelector* CreateVariantSelector(Variable* tagField, Type* tagType);
Variant* CreateVariant(List* caseConstants, FieldList* fieldList);
VariantPart* CreateVariantPart(VariantSelector* selector, List* variants, Variant* completer);
CaseRange* CreateCaseRange(Constant* low, Constant* high);

// ---- Routines ----------------------------------------------------------------------

Function* CreateFunction(int32_t kind, FuncHeading* heading);
FuncHeading* CreateFuncHeading(Identifier* id, FormalParmList* parms, Variable* result);
FormalParmList* CreateFormalParmList();
FormalParmSection* CreateValueParmSection(List* parms, Type* t, const Position* pos = nullptr);
FormalParmSection* CreateVarParmSection(List* parms, Type* t, const Position* pos = nullptr);
FormalParmSection* CreateFuncParmSection(Variable* parm, FuncHeading* fh,
                                         const Position* pos = nullptr);
Directives* CreateDirectives();
ActualParm* CreateExprActualParm(Expression* e, const Position* pos = nullptr);
ActualParm* CreateVarActualParm(VarAccess* v, const Position* pos = nullptr);
ActualParm* CreateTypeActualParm(Type* t, const Position* pos = nullptr);
ActualParm* CreateFuncActualParm(Binding* func, const Position* pos = nullptr);

// ---- Variable accesses ---------------------------------------------------------------
// `t` is the accessed type as the parser worked it out.

VarAccess* CreateIndexedVariable(VarAccess* access, Expression* index, Type* t,
                                 const Position* pos = nullptr);
VarAccess* CreateFieldDesignator(VarAccess* record, Identifier* field, int32_t withLocal, Type* t,
                                 const Position* pos = nullptr);
VarAccess* CreateIdentifiedVariable(VarAccess* pointer, Type* t, const Position* pos = nullptr);
VarAccess* CreateBufferVariable(VarAccess* file, Type* t, const Position* pos = nullptr);
VarAccess* CreateEntireVariable(Variable* v, Identifier* id, const Position* pos = nullptr);

// ---- Factors and expressions -----------------------------------------------------------

Factor* CreateVarAccessFactor(VarAccess* access, const Position* pos = nullptr);
Factor* CreateConstantFactor(Constant* c, const Position* pos = nullptr);
Factor* CreateFunctionFactor(FunctionDesignator* call, const Position* pos = nullptr);
Factor* CreateParenFactor(Expression* e, const Position* pos = nullptr);
Factor* CreateNotFactor(Factor* operand, const Position* pos = nullptr);
Factor* CreateSetFactor(SetConstructor* set, const Position* pos = nullptr);
Factor* CreateObjectCallFactor(ObjectCall* call, const Position* pos = nullptr);
Factor* CreateBadFactor(const Position* pos = nullptr);

FunctionDesignator* CreateFunctionDesignator(Binding* func, Type* resultType, List* actuals);
SetConstructor* CreateSetConstructor(List* members);
MemberDesignator* CreateMemberDesignator(Expression* low, Expression* high);

Expression* CreateLeafExpression(Factor* f, const Position* pos = nullptr);
Expression* CreateBinaryExpression(Expression* left, int32_t oper, Expression* right,
                                   const Position* pos = nullptr);
Expression* CreateWrapperExpression(Expression* inner, const Position* pos = nullptr);
// A leaf holding a bad factor: the stand-in for any erroneous expression.
Expression* CreateBadExpression(const Position* pos = nullptr);

// ---- Labels --------------------------------------------------------------------------

Label* CreateLabel(Identifier* id, int32_t level);
Goto* CreateGoto(uint32_t gotoOffset, int32_t ssNo, bool local, const Position* pos = nullptr);

}  // namespace tarn::tpc

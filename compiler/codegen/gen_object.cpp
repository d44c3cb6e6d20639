// gen_object: generic automation objects and variant values.
//
// A member of a generic object is reached by name at run time. The code pushes the
// object variable's address, the member name as a string value (a name written in the
// source is stored once in the fixed data), then each argument as its value followed by
// its variant type code, and calls one of the engine's object routines (174-177). A read
// or a function call leaves a variant value: the value with its type code on top, which
// VARCVT turns into the static type the program needs. docs/automation.md gives the
// convention from the engine's side.
#include "compiler/codegen/generator.h"

#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/idtable.h"
#include "compiler/front/records.h"
#include "compiler/front/types.h"
#include "vm/image.h"

namespace tarn::tpc {

using vm::Op;
using vm::Std;
using Code = vm::VariantType;

namespace {

bool IsVariant(Type* t) { return t && TypeRepOf(t) == Rep::Variant; }

void CheckError() {
    if (IsFlagOption(opt::i)) EmitOp(Op::CHKERR);
}

// The code a value of type t travels with as a variant; Empty when it has none (the front
// end has rejected such a value already).
Code VariantCodeOf(Type* t) {
    Type* h = HostOf(t);
    if (!h) return Code::Empty;
    if (IsStringType(t) || h->kind == StringType || h->kind == CStringType || h->kind == CharType)
        return Code::String;
    if (h == BoolT) return Code::Boolean;
    switch (h->kind) {
    case EnumType:
    case IntegerType:
    case ShortIntType: return Code::Integer;
    case RealType:
    case FloatType: return Code::Real;
    case WordType:
    case ShortWordType: return Code::Word;
    case ByteType: return Code::Byte;
    case ObjectType: return Code::Object;
    default: return Code::Empty;
    }
}

// The static type a VARCVT to `code` leaves on the stack.
Type* TypeOfCode(Code code) {
    switch (code) {
    case Code::Integer: return IntegerT;
    case Code::Real: return RealT;
    case Code::Boolean: return BoolT;
    case Code::Byte: return ByteT;
    case Code::Word: return WordT;
    case Code::String: return StringT;
    case Code::Object: return GenericObjectT;
    default: return nullptr;
    }
}

// The code VARCVT converts a variant to for a target of type t: an address is an
// unsigned word; Empty for a char or any type no variant converts to.
Code ConversionCodeOf(Type* t) {
    Type* h = HostOf(t);
    if (!h || h->kind == CharType) return Code::Empty;
    return h->kind == AddressType ? Code::Word : VariantCodeOf(t);
}

void EmitConversion(Code code) { EmitOpWord(Op::VARCVT, static_cast<uint32_t>(code)); }

// A member name written in the source: its copy in the fixed data as a string value.
void PushPooledName(const PooledLiteral* name) {
    EmitOp(Op::PUSHGP);
    if (name->offset != 0) EmitOpWord(Op::ADDI, name->offset);
    PushInteger(static_cast<int32_t>(name->size));
    EmitOpWord(Op::LOADV, 1);
}

// An argument of a member: a variant value as it is, anything else as its value followed
// by its type code.
void GenMemberArgument(Expression* e) {
    if (IsVariant(e->PromotedType)) {
        GenExpression(e);
        return;
    }
    const Code code = VariantCodeOf(e->ActualType);
    if (code == Code::String)
        GenStringValue(e);
    else if (code == Code::Real)
        GenRealValue(e);
    else
        GenExpression(e);
    EmitOpWord(Op::PUSHI, static_cast<uint32_t>(code));
}

// The object's address, the member name and the arguments. A member named by an
// expression has that expression first in `args`. Returns the number of arguments pushed.
uint32_t GenMemberAccess(VarAccess* object, const PooledLiteral* name, List* args) {
    GenAddress(object);
    uint32_t first = 1;
    if (name) {
        PushPooledName(name);
    } else {
        Expression* member = ActualExpression(args, 1);
        if (!member) return 0;
        GenStringValue(member);
        first = 2;
    }
    uint32_t count = 0;
    for (uint32_t i = first; i <= ListCount(args); i++, count++)
        GenMemberArgument(static_cast<Expression*>(ListGet(args, i)));
    return count;
}

bool IsGenericObject(VarAccess* object) {
    Type* t = object ? ResolveType(object->t) : nullptr;
    return t && t->kind == ObjectType && t != ConnectionT && t != RecordsetT;
}

}  // namespace

Expression* ActualExpression(List* args, uint32_t i) {
    return i <= ListCount(args) ? static_cast<Expression*>(ListGet(args, i)) : nullptr;
}

Type* GenVariantConversion(Type* target) {
    const Code code = ConversionCodeOf(target);
    Type* obtained = TypeOfCode(code);
    if (obtained) EmitConversion(code);
    return obtained;
}

void GenVariantAssignValue(Type* target, Expression* e) {
    if (TypeRepOf(target) == Rep::CharArray) {
        // A string of any length cannot be stored into a fixed array of characters.
        CodeGenMissing("variants assigned to arrays of characters");
        return;
    }
    if (!TypeOfCode(ConversionCodeOf(target))) {
        CodeGenMissing("variants assigned to this type");
        return;
    }
    GenExpression(e);
    Type* obtained = GenVariantConversion(target);
    GenAssignmentChecking(target, obtained);
    GenStore(target, obtained);
}

void GenCondition(Expression* e) {
    GenExpression(e);
    if (e && IsVariant(e->PromotedType)) EmitConversion(Code::Boolean);
}

void GenOrdinal(Expression* e) {
    GenExpression(e);
    if (e && IsVariant(e->PromotedType)) EmitConversion(Code::Integer);
}

void GenVariantValue(Expression* e) {
    if (e) GenMemberArgument(e);
}

void GenObjectFunction(ObjectCall* call) {
    if (!call || !GenerateCode()) return;
    if (!IsGenericObject(call->object)) {
        GenDatabaseFunction(call);
        return;
    }
    if (call->member && !call->name) return;   // reported by the front end
    const uint32_t count = GenMemberAccess(call->object, call->name, call->args);
    if (count > 0) {
        PushInteger(static_cast<int32_t>(count));
        EmitCallStd(Std::ObjectFunctionCall);
    } else {
        EmitCallStd(Std::ObjectGet);
    }
    CheckError();
}

void GenObjectProcedure(VarAccess* object, Identifier* member, List* args, bool propertyPut) {
    if (!IsGenericObject(object)) {
        // Checks its arguments even after an error has stopped code generation.
        GenDatabaseProcedure(object, member, args);
        return;
    }
    if (!GenerateCode()) return;
    const PooledLiteral* name =
        member && member->bind && member->bind->kind == BindPropOrMethod ? member->bind->u.literal
                                                                          : nullptr;
    if (member && !name) return;   // reported by the front end
    const uint32_t count = GenMemberAccess(object, name, args);
    if (propertyPut) {
        EmitCallStd(Std::ObjectPut);
    } else {
        PushInteger(static_cast<int32_t>(count));
        EmitCallStd(Std::ObjectProcedureCall);
    }
    CheckError();
}

void GenCreateObject(Expression* progId) {
    if (!progId) return;
    GenStringValue(progId);
    EmitCallStd(Std::CreateObject);
    CheckError();
}

void GenIsNull(Expression* e) {
    if (!e) return;
    GenVariantValue(e);
    EmitCallStd(Std::IsNull);
}

bool GenObjectNewDispose(VarAccess* object, bool isNew) {
    Type* t = object ? ResolveType(object->t) : nullptr;
    if (t == ConnectionT || t == RecordsetT) return GenDatabaseNewDispose(object, isNew);
    if (!t || t->kind != ObjectType) return false;
    GenAddress(object);
    if (isNew) {
        // A record without an object behind it, for an object type with a method list.
        PushInteger(4);
        PushInteger(0);
        EmitCallStd(Std::NewObject);
    } else {
        EmitCallStd(t->u.object.methods ? Std::DisposeObject : Std::ObjectRoutine152);
    }
    CheckError();
    return true;
}

}  // namespace tarn::tpc

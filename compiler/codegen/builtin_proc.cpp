// builtin_proc: the built-in procedures: text and file transfers, new and dispose, string
// and list routines, and the procedures that are their arguments and one standard routine.
//
// The front end has checked every argument against the procedure's pattern
// (compiler/front/check_builtin.cpp), so the CodeGenMissingBuiltin fallbacks below are not
// reached by a program it accepted, except for variant values read from or written to a
// binary file and the object forms of new and dispose, which belong to the object and
// database code.
#include "compiler/codegen/generator.h"

#include <unordered_map>
#include <vector>

#include "compiler/writer/image.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/records.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"
#include "vm/bytes.h"

namespace tarn::tpc {

using vm::Op;
using vm::Std;

// ---- Built-in procedures ---------------------------------------------------------------------

namespace {

// write and writeln on a text file. A width or decimals argument follows its item in
// the argument list and carries the item's position (SamePosition).

struct WriteItem {
    Expression* value;
    Expression* width;
    Expression* decimals;
};

void PushFileAddress(VarAccess* file) {
    if (file)
        GenAddress(file);
    else
        PushInteger(static_cast<int32_t>(OutputVar->offset));
}

void AfterTransfer() {
    if (IsFlagOption(opt::i)) EmitOp(Op::CHKERR);
}

void PushWidth(Expression* width, int32_t omitted) {
    if (!width) {
        PushInteger(omitted);
        return;
    }
    GenOrdinal(width);
    if (!IsFlagOption(opt::r)) return;
    if (IsUnsignedHost(width->PromotedType))
        EmitOpWords(Op::CHKRNGU, 1, 0xFFFFFFFFu);
    else
        EmitOpWords(Op::CHKRNG, 1, 2147483647u);
}

bool WriteOne(VarAccess* file, const WriteItem& item) {
    Expression* e = item.value;
    Type* t = HostOf(e->PromotedType);
    Type* actual = ResolveType(e->ActualType);
    PushFileAddress(file);
    if (IsRealHost(t)) {
        GenRealValue(e);
        PushWidth(item.width, 9);
        PushWidth(item.decimals, 0);
        EmitCallStd(Std::WriteReal);
    } else if (t == BoolT) {
        GenOrdinal(e);
        PushWidth(item.width, 8);
        EmitCallStd(Std::WriteBoolean);
    } else if (t->kind == CharType) {
        GenOrdinal(e);
        PushWidth(item.width, 1);
        EmitCallStd(Std::WriteChar);
    } else if (actual->kind == ArrayType && IsStringType(actual)) {
        GenStringValue(e);
        int64_t low = 0, high = 0;
        Bounds(actual->u.array.IndexType, low, high);
        PushWidth(item.width, static_cast<int32_t>(high));
        EmitCallStd(Std::WriteString);
    } else if (IsStringType(actual) || actual->kind == StringType || actual->kind == CStringType) {
        GenStringValue(e);
        PushWidth(item.width, 0);
        EmitCallStd(Std::WriteString);
    } else if (t->kind == VariantType) {
        GenStringValue(e);
        PushWidth(item.width, 0);
        EmitCallStd(Std::WriteString);
    } else if (IsIntegralType(t)) {
        GenOrdinal(e);
        PushWidth(item.width, 8);
        EmitCallStd(IsUnsignedHost(t) ? Std::WriteUnsigned : Std::WriteInteger);
    } else {
        return false;
    }
    AfterTransfer();
    return true;
}

// The file an argument list starts with, when its first argument is a file variable.
bool LeadingFile(List* actuals, VarAccess*& file, Type*& fileType) {
    file = nullptr;
    fileType = nullptr;
    ActualParm* first = ActualAt(actuals, 1);
    if (!first || first->kind != ActualParmExpr) return false;
    Type* t = ResolveType(first->u.expr->ActualType);
    if (t->kind != FileType) return false;
    file = VariableOf(first->u.expr);
    fileType = t;
    return file != nullptr;
}

bool IsTextFile(Type* ft) {
    return HostOf(ft->u.file.component)->kind == CharType && !ft->u.file.noBuffer;
}

void PushFile(VarAccess* file, const Variable* standard) {
    if (file)
        GenAddress(file);
    else
        PushInteger(static_cast<int32_t>(standard->offset));
}

// read and readln on a text file: each variable's address and the routine for its type;
// under option r the value read is then checked against the variable's range.
struct ReadRow {
    TypeKind kind;
    vm::Std routine;
};
constexpr ReadRow READ_ROUTINES[] = {
    {CharType, Std::ReadChar}, {IntegerType, Std::ReadInteger}, {WordType, Std::ReadUnsigned},
    {ByteType, Std::ReadByte}, {ShortIntType, Std::ReadInt16},  {ShortWordType, Std::ReadWord16},
    {RealType, Std::ReadReal}, {FloatType, Std::ReadFloat},
};

bool ReadOne(VarAccess* file, VarAccess* v) {
    Type* h = HostOf(v->t);
    const Rep rep = TypeRepOf(v->t);
    PushFile(file, InputVar);
    GenAddress(v);
    if (rep == Rep::Str1 || rep == Rep::Str4 || rep == Rep::CStr) {
        // A cstring is read as a string with a length prefix, then turned into its
        // terminated form in place.
        const uint32_t max = h->u.string.length;
        const bool wide = rep == Rep::Str4 || (rep == Rep::CStr && max > 255);
        PushInteger(static_cast<int32_t>(max));
        PushInteger(wide ? 4 : 1);
        EmitCallStd(Std::ReadString);
        AfterTransfer();
        if (rep == Rep::CStr) {
            GenAddress(v);
            PushInteger(wide ? 1 : 0);
            EmitOp(Op::TOCSTR);
        }
        return true;
    }
    const ReadRow* read = nullptr;
    for (const ReadRow& row : READ_ROUTINES)
        if (row.kind == h->kind) read = &row;
    if (!read) return false;
    EmitCallStd(read->routine);
    AfterTransfer();
    if (IsFlagOption(opt::r) && IsOrdinalType(v->t)) {
        GenAddress(v);
        GenLoad(v->t);
        GenAssignmentChecking(v->t, nullptr);
        EmitOp(Op::POP);
    }
    return true;
}

// get and put: the routine by the component's size.
void GenGetPut(VarAccess* file, Type* ft, bool put) {
    GenAddress(file);
    Type* c = ResolveType(ft->u.file.component);
    const Rep rep = TypeRepOf(c);
    if (rep == Rep::Byte) {
        EmitCallStd(put ? Std::Put1 : Std::Get1);
    } else if (rep == Rep::Word) {
        EmitCallStd(put ? Std::Put4 : Std::Get4);
    } else if (rep == Rep::Real) {
        EmitCallStd(put ? Std::Put8 : Std::Get8);
    } else {
        PushInteger(static_cast<int32_t>(c->size));
        EmitCallStd(put ? Std::Put : Std::Get);
    }
    AfterTransfer();
}

VarAccess* BufferOf(VarAccess* file, Type* ft) {
    VarAccess* a = TrackedNew<VarAccess>();
    a->kind = BufferVariable;
    a->u.buffer.file = file;
    a->t = ft->u.file.component;
    a->pos = file->pos;
    return a;
}

// A string read from a binary file, where write put its length word and then its
// characters: the length is read into a word on the stack and checked against the
// variable's capacity before that many characters are read into place (a packed array of
// char takes exactly its own length); the variable's own length (prefix or terminator)
// is set last.
void ReadStringBlock(VarAccess* file, VarAccess* v, Rep rep) {
    Type* t = HostOf(v->t);
    const uint32_t capacity =
        rep == Rep::CharArray ? ResolveType(v->t)->size : t->u.string.length;
    const uint32_t charsAt = rep == Rep::Str1 ? 1 : rep == Rep::Str4 ? 4 : 0;
    EmitOp(Op::PUSH0);               // the length word
    GenAddress(file);
    EmitOp(Op::PUSHSP);
    EmitOpWord(Op::ADDI, 4);         // the word's address
    PushInteger(4);
    EmitCallStd(Std::BlockRead);
    AfterTransfer();
    EmitOpWords(Op::CHKRNG, rep == Rep::CharArray ? capacity : 0, capacity);
    GenAddress(file);
    GenAddress(v);
    if (charsAt != 0) EmitOpWord(Op::ADDI, charsAt);
    EmitOpWord(Op::PICK, 8);         // the length
    EmitCallStd(Std::BlockRead);
    AfterTransfer();
    switch (rep) {
    case Rep::Str1:
    case Rep::Str4:
        GenAddress(v);
        EmitOpWord(Op::PICK, 4);
        EmitOp(rep == Rep::Str1 ? Op::STOREB : Op::STOREW);
        break;
    case Rep::CStr:
        GenAddress(v);
        EmitOpWord(Op::PICK, 4);
        EmitOp(Op::ADD);
        EmitOp(Op::PUSH0);
        EmitOp(Op::STOREB);
        break;
    default: break;
    }
    EmitOp(Op::POP);
}

// A set read from a binary file: the engine reads the member list write put there, and it
// is checked and stored like an assigned set.
void ReadSetBlock(VarAccess* file, VarAccess* v) {
    GenAddress(v);
    GenAddress(file);
    EmitCallStd(Std::ReadSet);
    AfterTransfer();
    GenAssignmentChecking(v->t, v->t);
    GenStore(v->t, v->t);
}

// read from a typed file: the buffer variable assigned to the variable, then get; from a
// binary file: the variable's bytes.
bool ReadNonText(VarAccess* file, Type* ft, VarAccess* v) {
    if (ft->u.file.noBuffer) {
        const Rep rep = TypeRepOf(v->t);
        if (IsStringRep(rep)) {
            ReadStringBlock(file, v, rep);
            return true;
        }
        if (rep == Rep::BitSet || rep == Rep::ListSet) {
            ReadSetBlock(file, v);
            return true;
        }
        if (rep == Rep::Variant) return false;
        GenAddress(file);
        GenAddress(v);
        PushInteger(static_cast<int32_t>(ResolveType(v->t)->size));
        EmitCallStd(Std::BlockRead);
        AfterTransfer();
        return true;
    }
    VarAccess* buffer = BufferOf(file, ft);
    GenAddress(v);
    GenValue(buffer);
    GenAssignmentChecking(v->t, buffer->t);
    GenStore(v->t, buffer->t);
    GenGetPut(file, ft, false);
    return true;
}

void GenRead(int32_t b, List* actuals, bool newline) {
    VarAccess* file = nullptr;
    Type* ft = nullptr;
    uint32_t i = 1;
    if (LeadingFile(actuals, file, ft)) {
        if (!IsTextFile(ft)) {
            for (i = 2; i <= ListCount(actuals); i++) {
                ActualParm* a = ActualAt(actuals, i);
                VarAccess* v = a->kind == ActualParmExpr ? VariableOf(a->u.expr) : nullptr;
                if (!v || !ReadNonText(file, ft, v)) {
                    CodeGenMissingBuiltin("this kind of variable in", b);
                    return;
                }
            }
            return;
        }
        i = 2;
    }
    for (; i <= ListCount(actuals); i++) {
        ActualParm* a = ActualAt(actuals, i);
        VarAccess* v = a->kind == ActualParmExpr  ? VariableOf(a->u.expr)
                       : a->kind == ActualParmVar ? a->u.var
                                                  : nullptr;
        if (!v || !ReadOne(file, v)) {
            CodeGenMissingBuiltin("this kind of variable in", b);
            return;
        }
    }
    if (newline) {
        PushFile(file, InputVar);
        EmitCallStd(Std::ReadLn);
        AfterTransfer();
    }
}

uint32_t ComponentSize(Type* ft) { return ResolveType(ft->u.file.component)->size; }

void GenAssign(VarAccess* file, Type* ft, Expression* name) {
    GenAddress(file);
    PushInteger(static_cast<int32_t>(ComponentSize(ft)));
    GenStringValue(name);
    EmitCallStd(Std::Assign);
    AfterTransfer();
}

// The mode word of the engine's open: what the file is opened for, and its kind.
enum OpenMode : uint32_t {
    ModeInput = 1,
    ModeOutput = 2,
    ModeAppend = 4,
    ModeTemporary = 32,   // a file without a name becomes a temporary file (option tf)
    ModeBinary = 64,      // not a text file: the component size comes before the mode
};

// reset, rewrite and append, with an optional file name assigned first.
void GenOpen(int32_t b, List* actuals, uint32_t mode) {
    VarAccess* file = nullptr;
    Type* ft = nullptr;
    if (!LeadingFile(actuals, file, ft) || ListCount(actuals) > 2) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    if (ListCount(actuals) == 2) {
        ActualParm* name = ActualAt(actuals, 2);
        if (name->kind != ActualParmExpr) return;
        GenAssign(file, ft, name->u.expr);
    }
    GenAddress(file);
    if (!IsTextFile(ft)) {
        PushInteger(static_cast<int32_t>(ComponentSize(ft)));
        mode |= ModeBinary;
    }
    if (IsFlagOption(opt::tf)) mode |= ModeTemporary;
    PushInteger(static_cast<int32_t>(mode));
    EmitCallStd(Std::Open);
    AfterTransfer();
}

// open and popen (file, name, mode): the name assigned first, then the open with the mode
// value and the flags of the file's kind.
void GenOpenWithMode(int32_t b, List* actuals, bool pipe) {
    VarAccess* file = nullptr;
    Type* ft = nullptr;
    ActualParm* name = ActualAt(actuals, 2);
    Expression* mode = ListCount(actuals) == 3 ? ActualAt(actuals, 3)->u.expr : nullptr;
    if (!LeadingFile(actuals, file, ft) || !name || name->kind != ActualParmExpr || !mode) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    GenAssign(file, ft, name->u.expr);
    GenAddress(file);
    const bool text = IsTextFile(ft);
    if (!text && !pipe) PushInteger(static_cast<int32_t>(ComponentSize(ft)));
    const uint32_t flags = (text ? 0u : ModeBinary) | (IsFlagOption(opt::tf) ? ModeTemporary : 0u);
    if (flags != 0) PushInteger(static_cast<int32_t>(flags));
    GenOrdinal(mode);
    if (flags != 0) EmitOp(Op::OR);
    EmitCallStd(pipe ? Std::Popen : Std::Open);
    AfterTransfer();
}

// Routines that leave a value for a variable: its address first, the routine's result
// stored by an ordinary assignment.
void GenIntoVariable(int32_t b, VarAccess* v, Type* source) {
    if (!v) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    GenAssignmentChecking(v->t, source);
    GenStore(v->t, source);
}

// Routines of one file argument: the file's address and the routine.
void GenFileRoutine(int32_t b, List* actuals, vm::Std routine, const Variable* standard) {
    VarAccess* file = nullptr;
    Type* ft = nullptr;
    if (!LeadingFile(actuals, file, ft) && !(standard && ListCount(actuals) == 0)) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    PushFile(file, standard);
    EmitCallStd(routine);
    AfterTransfer();
}

// write to a typed file: each value assigned to the buffer variable, then put; to a
// binary file: the value's bytes.
bool WriteNonText(VarAccess* file, Type* ft, Expression* e) {
    Type* c = ResolveType(ft->u.file.component);
    if (ft->u.file.noBuffer) {
        GenAddress(file);
        const Rep rep = TypeRepOf(e->PromotedType);
        if (HostOf(e->PromotedType)->kind == CharType) {
            GenOrdinal(e);
            EmitOp(Op::PUSHT);
        } else if (IsStringRep(rep) || rep == Rep::BitSet || rep == Rep::ListSet) {
            if (IsStringRep(rep)) GenStringValue(e); else GenOrdinal(e);
            EmitOp(Op::DUP);
            PushInteger(4);
            EmitOp(Op::ADD);
        } else if (rep == Rep::Variant) {
            return false;
        } else {
            GenOrdinal(e);
            PushInteger(static_cast<int32_t>(ResolveType(e->PromotedType)->size));
        }
        EmitCallStd(Std::BlockWrite);
        AfterTransfer();
        return true;
    }
    GenAddress(file);
    EmitCallStd(Std::FileBufferAddress);
    GenAssignValue(c, e);
    GenAddress(file);
    EmitCallStd(Std::FileBufferAddress);
    EmitCallStd(Std::FileBufferFilled);
    GenGetPut(file, ft, true);
    return true;
}

void GenWrite(int32_t b, List* actuals, bool newline) {
    std::vector<ActualParm*> args;
    for (ActualParm* a : Items<ActualParm>(actuals)) args.push_back(a);
    size_t i = 0;
    VarAccess* file = nullptr;
    if (!args.empty() && args[0]->kind == ActualParmExpr &&
        ResolveType(args[0]->u.expr->ActualType)->kind == FileType) {
        file = VariableOf(args[0]->u.expr);
        Type* ft = ResolveType(args[0]->u.expr->ActualType);
        if (!file) {
            CodeGenMissingBuiltin("this file argument of", b);
            return;
        }
        if (HostOf(ft->u.file.component)->kind != CharType || ft->u.file.noBuffer) {
            for (size_t k = 1; k < args.size(); k++) {
                if (args[k]->kind != ActualParmExpr || !WriteNonText(file, ft, args[k]->u.expr)) {
                    CodeGenMissingBuiltin("this kind of item in", b);
                    return;
                }
            }
            return;
        }
        i = 1;
    }
    while (i < args.size()) {
        WriteItem item{args[i]->kind == ActualParmExpr ? args[i]->u.expr : nullptr, nullptr,
                       nullptr};
        const Position at = args[i]->pos;
        i++;
        if (i < args.size() && SamePosition(args[i]->pos, at)) item.width = args[i++]->u.expr;
        if (i < args.size() && SamePosition(args[i]->pos, at)) item.decimals = args[i++]->u.expr;
        if (!item.value || !WriteOne(file, item)) {
            CodeGenMissingBuiltin("this kind of item in", b);
            return;
        }
    }
    if (newline) {
        PushFileAddress(file);
        EmitCallStd(Std::WriteLn);
        AfterTransfer();
    }
}

Expression* ArgExpr(List* actuals, uint32_t i) {
    ActualParm* a = ActualAt(actuals, i);
    return a && a->kind == ActualParmExpr ? a->u.expr : nullptr;
}

// halt, and exit in the main program: the exit code (when given) then the end of the run.
void GenHalt(List* actuals) {
    if (Expression* code = ArgExpr(actuals, 1)) {
        PushInteger(static_cast<int32_t>(ExitCodeVar->offset));
        GenOrdinal(code);
        EmitOp(Op::STOREW);
    }
    EmitCallStd(Std::Halt);
}

void GenExit(List* actuals) {
    Function* f = CurrentRoutine();
    if (!f) {
        GenHalt(actuals);
        return;
    }
    if (Expression* value = ArgExpr(actuals, 1)) {
        Variable* result = f->heading ? f->heading->result : nullptr;
        if (!result) return;
        EmitOp(Op::PUSHFP);
        EmitOpWord(Op::ADDI, result->offset);
        GenAssignValue(result->t, value);
    }
    if (!f->cgLists[1]) f->cgLists[1] = ListCreate();
    ListAppend(f->cgLists[1], AsItem(EmitForwardJump(Op::JMP)));
}

void GenIncDec(int32_t b, List* actuals, bool increment) {
    VarAccess* v = VariableOf(ArgExpr(actuals, 1));
    if (!v) {
        CodeGenMissingBuiltin("this argument of", b);
        return;
    }
    GenAddress(v);
    Expression* amount = ArgExpr(actuals, 2);
    if (amount) {
        GenOrdinal(amount);
        if (!increment) EmitOp(Op::NEG);
    } else {
        PushInteger(increment ? 1 : -1);
    }
    switch (TypeRepOf(v->t)) {
    case Rep::Byte: EmitOp(Op::INCB); break;
    case Rep::Half:
    case Rep::HalfSigned: EmitOp(Op::INCH); break;
    default: EmitOp(Op::INCW); break;
    }
    if (IsFlagOption(opt::r)) {
        GenAddress(v);
        GenLoad(v->t);
        GenAssignmentChecking(v->t, nullptr);
        EmitOp(Op::POP);
    }
}

// dispose of a pointer value that is no variable (a function result, say): the value's
// stack slot stands in for the variable, and is dropped afterwards.
void GenDisposeValue(Expression* e) {
    GenOrdinal(e);
    EmitOp(Op::PUSHSP);
    EmitCallStd(Std::Dispose);
    EmitOp(Op::POP);
}

// new and dispose of a pointer may name tag values after it (new(p, t1, ..., tn)): they are
// constants the checker has matched against the record's variant parts, and the block
// always has the record's full size, so the code is that of the plain form.
void GenNewDispose(int32_t b, List* actuals, bool isNew) {
    Expression* first = ArgExpr(actuals, 1);
    VarAccess* v = VariableOf(first);
    if (!v && !isNew && first && HostOf(first->PromotedType)->kind == PointerType) {
        GenDisposeValue(first);
        return;
    }
    Type* t = v ? HostOf(v->t) : nullptr;
    if (t && t->kind == ObjectType && ListCount(actuals) == 1 && GenObjectNewDispose(v, isNew))
        return;
    if (t && t->kind == ListType && ListCount(actuals) == 1) {
        GenAddress(v);
        if (isNew) {
            PushInteger(static_cast<int32_t>(ResolveType(t->u.list.ct)->size));
            PushInteger(t->packed ? 1 : 0);
            EmitCallStd(Std::ListNew);
        } else {
            EmitCallStd(Std::ListDispose);
        }
        return;
    }
    if (!t || t->kind != PointerType) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    GenAddress(v);
    if (isNew) {
        const uint32_t size = ResolveType(t->u.pointer.domain)->size;
        PushInteger(static_cast<int32_t>(size == 0 ? 1 : size));
        EmitCallStd(Std::New);
    } else {
        EmitCallStd(Std::Dispose);
    }
}

// pack(a, i, z) and unpack(z, a, i): the unpacked array's address, the index into it, the
// packed array's address, then both index ranges (unpacked first) and the component size;
// the engine copies the packed array's whole length and checks the index range.
void GenPackUnpack(int32_t b, List* actuals, bool pack) {
    VarAccess* unpacked = VariableOf(ArgExpr(actuals, pack ? 1 : 2));
    Expression* index = ArgExpr(actuals, pack ? 2 : 3);
    VarAccess* packed = VariableOf(ArgExpr(actuals, pack ? 3 : 1));
    Type* ut = unpacked ? ResolveType(unpacked->t) : nullptr;
    Type* pt = packed ? ResolveType(packed->t) : nullptr;
    int64_t ulow = 0, uhigh = 0, plow = 0, phigh = 0;
    if (!index || !ut || !pt || ut->kind != ArrayType || pt->kind != ArrayType ||
        !Bounds(ut->u.array.IndexType, ulow, uhigh) || !Bounds(pt->u.array.IndexType, plow, phigh)) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    GenAddress(unpacked);
    GenOrdinal(index);
    GenAddress(packed);
    PushInteger(static_cast<int32_t>(ulow));
    PushInteger(static_cast<int32_t>(uhigh));
    PushInteger(static_cast<int32_t>(plow));
    PushInteger(static_cast<int32_t>(phigh));
    PushInteger(static_cast<int32_t>(ut->u.array.componentSize));
    EmitCallStd(pack ? Std::Pack : Std::Unpack);
}

}  // namespace

namespace {

// Procedures that are their arguments followed by one standard routine. Argument classes:
// S a string value, I an integral value, A a variable's (or file's) address. Optional
// arguments follow the required ones; an omitted one is pushed as its default.
struct RoutineProcedure {
    int32_t kind;
    const char* args;
    const char* optional;
    int32_t defaults[3];
    vm::Std routine;
    bool checked;   // CHKERR under option i
};
constexpr RoutineProcedure ROUTINE_PROCEDURES[] = {
    {builtin::ChDir, "S", "", {}, Std::ChDir, true},
    {builtin::CloseDir, "A", "", {}, Std::CloseDir, true},
    {builtin::ClrScr, "", "", {}, Std::ClrScr, false},
    {builtin::Delay, "I", "", {}, Std::Delay, false},
    {builtin::Erase, "A", "", {}, Std::Erase, true},
    {builtin::Flush, "A", "", {}, Std::Flush, true},
    {builtin::Crc32, "AI", "I", {0}, Std::Crc32, false},
    {builtin::GetDate, "AAAA", "", {}, Std::GetDate, false},
    {builtin::GetFileDate, "SAAA", "", {}, Std::GetFileDate, true},
    {builtin::GetFileTime, "SAAA", "", {}, Std::GetFileTime, true},
    {builtin::GetTime, "AAA", "", {}, Std::GetTime, false},
    {builtin::GotoXY, "II", "", {}, Std::GotoXY, false},
    {builtin::MkDir, "S", "I", {279}, Std::MkDir, true},
    {builtin::Rename, "AS", "", {}, Std::Rename, true},
    {builtin::RewindDir, "I", "", {}, Std::RewindDir, true},  // the directory's value
    {builtin::RmDir, "S", "", {}, Std::RmDir, true},
    {builtin::Seek, "AI", "", {}, Std::Seek, true},
    {builtin::SetFileDate, "S", "III", {0, 0, 0}, Std::SetFileDate, true},
    {builtin::SetFileTime, "S", "III", {0, 0, 0}, Std::SetFileTime, true},
    {builtin::Sleep, "I", "", {}, Std::Sleep, false},
    {builtin::TextBackground, "I", "", {}, Std::TextBackground, false},
    {builtin::TextColor, "I", "", {}, Std::TextColor, false},
    {builtin::TrapErrors, "I", "", {}, Std::TrapErrors, false},
};

bool GenProcedureArgument(char cls, ActualParm* a) {
    if (!a) return false;
    if (cls == 'A') {
        VarAccess* v = a->kind == ActualParmVar    ? a->u.var
                       : a->kind == ActualParmExpr ? VariableOf(a->u.expr)
                                                   : nullptr;
        if (!v) return false;
        GenAddress(v);
        return true;
    }
    if (a->kind != ActualParmExpr) return false;
    if (cls == 'S')
        GenStringValue(a->u.expr);
    else
        GenOrdinal(a->u.expr);
    return true;
}

bool GenRoutineProcedure(const RoutineProcedure& row, List* actuals) {
    uint32_t i = 1;
    for (const char* c = row.args; *c; c++, i++)
        if (!GenProcedureArgument(*c, ActualAt(actuals, i))) return false;
    for (size_t k = 0; row.optional[k]; k++, i++) {
        if (ActualParm* a = ActualAt(actuals, i)) {
            if (!GenProcedureArgument(row.optional[k], a)) return false;
        } else {
            PushInteger(row.defaults[k]);
        }
    }
    if (i <= ListCount(actuals)) return false;
    EmitCallStd(row.routine);
    if (row.checked) AfterTransfer();
    return true;
}

// String delete and insert: the string variable's prefix width and maximum length.
bool StringVariable(ActualParm* a, VarAccess*& v, uint32_t& prefix, uint32_t& max) {
    v = a && a->kind == ActualParmExpr ? VariableOf(a->u.expr) : nullptr;
    if (!v) return false;
    const Rep rep = TypeRepOf(v->t);
    if (rep != Rep::Str1 && rep != Rep::Str4) return false;
    prefix = rep == Rep::Str4 ? 4 : 1;
    max = HostOf(v->t)->u.string.length;
    return true;
}

VarAccess* ListVariable(ActualParm* a) {
    VarAccess* v = a && a->kind == ActualParmExpr ? VariableOf(a->u.expr) : nullptr;
    return v && HostOf(v->t)->kind == ListType ? v : nullptr;
}

void GenDelete(int32_t b, List* actuals) {
    VarAccess* v = nullptr;
    uint32_t prefix = 0, max = 0;
    Expression* index = ActualAt(actuals, 2) ? ActualAt(actuals, 2)->u.expr : nullptr;
    if (VarAccess* list = ListVariable(ActualAt(actuals, 1)); list && index) {
        GenAddress(list);
        GenOrdinal(index);
        if (ActualParm* count = ActualAt(actuals, 3))
            GenOrdinal(count->u.expr);
        else
            PushInteger(2147483647);
        EmitCallStd(Std::ListDelete);
        return;
    }
    if (!StringVariable(ActualAt(actuals, 1), v, prefix, max) || !index) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    GenAddress(v);
    GenOrdinal(index);
    if (ActualParm* count = ActualAt(actuals, 3))
        GenOrdinal(count->u.expr);
    else
        PushInteger(2147483647);
    PushInteger(static_cast<int32_t>(prefix));
    EmitCallStd(Std::Delete);
}

// insert(value, list [, index]): a slot for the new element's address is pushed first and
// its address kept in a system local; the value follows; the list routine's element
// address then goes into the slot, and an assignment stores the value there.
void GenListInsert(Expression* value, VarAccess* list, List* actuals, int32_t n) {
    if (n > NUM_SYSTEM_LOCALS) {
        ReportMessage(msg::LimitWithForCaseNesting, &value->pos);
        return;
    }
    Type* ct = HostOf(list->t)->u.list.ct;
    EmitOp(Op::PUSH0);
    EmitOp(Op::PUSHFP);
    EmitOpWord(Op::SUBI, 4u * static_cast<uint32_t>(n));
    EmitOp(Op::PUSHSP);
    EmitOp(Op::PUSH4B);
    EmitOp(Op::ADD);
    EmitOp(Op::STOREW);
    if (IsStringRep(TypeRepOf(ct)))
        GenStringValue(value);
    else
        GenOrdinal(value);
    EmitOp(Op::PUSHFP);
    EmitOpWord(Op::SUBI, 4u * static_cast<uint32_t>(n));
    EmitOp(Op::LOADW);
    GenAddress(list);
    if (ActualParm* index = ActualAt(actuals, 3)) {
        GenOrdinal(index->u.expr);
        EmitCallStd(Std::ListInsert);
    } else {
        EmitCallStd(Std::ListAppend);
    }
    EmitOp(Op::STOREW);
    GenAssignmentChecking(ct, value->ActualType);
    GenStore(ct, value->PromotedType);
}

void GenInsert(int32_t b, List* actuals, int32_t freeSystemLocal) {
    VarAccess* v = nullptr;
    uint32_t prefix = 0, max = 0;
    ActualParm* source = ActualAt(actuals, 1);
    if (VarAccess* list = ListVariable(ActualAt(actuals, 2));
        list && source && source->kind == ActualParmExpr) {
        GenListInsert(source->u.expr, list, actuals, freeSystemLocal);
        return;
    }
    if (!source || source->kind != ActualParmExpr ||
        !StringVariable(ActualAt(actuals, 2), v, prefix, max)) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    GenStringValue(source->u.expr);
    GenAddress(v);
    PushInteger(static_cast<int32_t>(prefix));
    PushInteger(static_cast<int32_t>(max));
    if (ActualParm* position = ActualAt(actuals, 3)) {
        GenOrdinal(position->u.expr);
        EmitCallStd(Std::Insert2);
    } else {
        EmitCallStd(Std::Insert);
    }
}

// str(value [:width [:decimals]], s): the routine leaves the string above the variable's
// address, and an ordinary assignment stores it.
void GenStr(int32_t b, List* actuals) {
    std::vector<ActualParm*> args;
    for (ActualParm* a : Items<ActualParm>(actuals)) args.push_back(a);
    VarAccess* target = args.empty() || args.back()->kind != ActualParmExpr
                            ? nullptr
                            : VariableOf(args.back()->u.expr);
    Expression* value =
        !args.empty() && args[0]->kind == ActualParmExpr ? args[0]->u.expr : nullptr;
    if (!target || !value || args.size() < 2 || args.size() > 4 ||
        !IsStringRep(TypeRepOf(target->t))) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    Expression* width = args.size() >= 3 ? args[1]->u.expr : nullptr;
    Expression* decimals = args.size() == 4 ? args[2]->u.expr : nullptr;
    GenAddress(target);
    // A variant is written as a real number.
    const bool real =
        IsRealHost(value->PromotedType) || TypeRepOf(value->PromotedType) == Rep::Variant;
    if (real)
        GenRealValue(value);
    else
        GenOrdinal(value);
    PushWidth(width, -1);
    PushWidth(decimals, -1);
    PushInteger(real ? 1 : IsUnsignedHost(value->PromotedType) ? 2 : 0);
    EmitCallStd(Std::NumberToString);
    GenAssignmentChecking(target->t, StringT);
    GenStore(target->t, StringT);
}

// val(s, v, code): the routine leaves the number above the variable's address, and an
// ordinary assignment stores it.
void GenVal(int32_t b, List* actuals) {
    Expression* text = ArgExpr(actuals, 1);
    VarAccess* target = VariableOf(ArgExpr(actuals, 2));
    VarAccess* code = VariableOf(ArgExpr(actuals, 3));
    if (!text || !target || !code || ListCount(actuals) != 3) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    const bool real = IsRealHost(target->t);
    const bool uns = !real && IsUnsignedHost(target->t);
    GenAddress(target);
    GenStringValue(text);
    GenAddress(code);
    PushInteger(real ? 1 : 0);
    EmitCallStd(uns ? Std::StringToInteger : Std::StringToReal);
    Type* source = real ? RealT : uns ? WordT : IntegerT;
    GenAssignmentChecking(target->t, source);
    GenStore(target->t, source);
}

// fsplit(path [, dir [, name [, ext]]]): the path, then for each result variable its
// maximum length and address (0 and 0 for one left out), then the routine's length limit.
void GenFSplit(int32_t b, List* actuals) {
    Expression* path = ArgExpr(actuals, 1);
    if (!path || ListCount(actuals) > 4) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    GenStringValue(path);
    for (uint32_t i = 2; i <= 4; i++) {
        VarAccess* v = nullptr;
        uint32_t prefix = 0, max = 0;
        if (i > ListCount(actuals)) {
            PushInteger(0);
            PushInteger(0);
            continue;
        }
        if (!StringVariable(ActualAt(actuals, i), v, prefix, max)) {
            CodeGenMissingBuiltin("this form of", b);
            return;
        }
        PushInteger(static_cast<int32_t>(max));
        GenAddress(v);
    }
    PushInteger(255);
    EmitCallStd(Std::FSplit);
    AfterTransfer();
}

// exec(program, arguments): the command line "program arguments" run by the system's
// shell, its exit status stored in ExitCode.
void GenExec(int32_t b, List* actuals) {
    Expression* program = ArgExpr(actuals, 1);
    Expression* arguments = ArgExpr(actuals, 2);
    if (!program || !arguments) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    PushInteger(static_cast<int32_t>(ExitCodeVar->offset));
    GenStringValue(program);
    PushInteger(' ');
    EmitOp(Op::PUSHT);
    EmitCallStd(Std::Concat);
    GenStringValue(arguments);
    EmitCallStd(Std::Concat);
    EmitCallStd(Std::System);
    EmitOp(Op::STOREW);
}

// rawread and rawwrite (file, buffer, count, done): the count of bytes moved is stored in
// done. A string buffer is bounded by its maximum length and keeps its length prefix.
void GenRaw(int32_t b, List* actuals, bool reading) {
    VarAccess* file = nullptr;
    Type* ft = nullptr;
    VarAccess* buffer = VariableOf(ArgExpr(actuals, 2));
    Expression* count = ArgExpr(actuals, 3);
    VarAccess* done = VariableOf(ArgExpr(actuals, 4));
    if (!LeadingFile(actuals, file, ft) || !buffer || !count || !done) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    const Rep rep = TypeRepOf(buffer->t);
    const uint32_t prefix = rep == Rep::Str1 ? 1 : rep == Rep::Str4 ? 4 : 0;
    const uint32_t capacity =
        prefix != 0 ? HostOf(buffer->t)->u.string.length : ResolveType(buffer->t)->size;
    GenAddress(done);
    GenAddress(file);
    GenAddress(buffer);
    PushInteger(static_cast<int32_t>(capacity));
    GenOrdinal(count);
    PushInteger(static_cast<int32_t>(prefix));
    EmitCallStd(reading ? Std::RawRead : Std::RawWrite);
    AfterTransfer();
    EmitOp(Op::STOREW);
}

// intr(n, registers) and msdos(registers) (interrupt 33): the interrupt number, then the
// address of the registers after their first word, given to the routine twice.
void GenIntr(int32_t b, List* actuals, bool msdos) {
    Expression* number = msdos ? nullptr : ArgExpr(actuals, 1);
    VarAccess* registers = VariableOf(ArgExpr(actuals, msdos ? 1 : 2));
    if ((!msdos && !number) || !registers) {
        CodeGenMissingBuiltin("this form of", b);
        return;
    }
    if (msdos) PushInteger(33); else GenOrdinal(number);
    GenAddress(registers);
    PushInteger(4);
    EmitOp(Op::ADD);
    EmitOp(Op::DUP);
    EmitCallStd(Std::Intr);
    EmitOp(Op::POP);
}

}  // namespace

void GenFileFunction(int32_t kind, List* actuals, vm::Std routine) {
    GenFileRoutine(kind, actuals, routine, InputVar);
}

void GenBuiltinProcedure(Function* f, List* actuals, int32_t freeSystemLocal) {
    const int32_t b = f->kind;
    switch (f->kind) {
    case builtin::Write: GenWrite(b, actuals, false); return;
    case builtin::WriteLn: GenWrite(b, actuals, true); return;
    case builtin::Halt: GenHalt(actuals); return;
    case builtin::Exit: GenExit(actuals); return;
    case builtin::Inc: GenIncDec(b, actuals, true); return;
    case builtin::Dec: GenIncDec(b, actuals, false); return;
    case builtin::New: GenNewDispose(b, actuals, true); return;
    case builtin::Dispose: GenNewDispose(b, actuals, false); return;
    case builtin::Pack: GenPackUnpack(b, actuals, true); return;
    case builtin::Unpack: GenPackUnpack(b, actuals, false); return;
    case builtin::FSplit: GenFSplit(b, actuals); return;
    case builtin::Exec: GenExec(b, actuals); return;
    case builtin::RawRead: GenRaw(b, actuals, true); return;
    case builtin::RawWrite: GenRaw(b, actuals, false); return;
    case builtin::Intr: GenIntr(b, actuals, false); return;
    case builtin::MsDos: GenIntr(b, actuals, true); return;
    case builtin::Read: GenRead(b, actuals, false); return;
    case builtin::ReadLn: GenRead(b, actuals, true); return;
    case builtin::Reset: GenOpen(b, actuals, ModeInput); return;
    case builtin::Rewrite: GenOpen(b, actuals, ModeOutput); return;
    case builtin::Append: GenOpen(b, actuals, ModeAppend); return;
    case builtin::Close: GenFileRoutine(b, actuals, Std::Close, nullptr); return;
    case builtin::Page: GenFileRoutine(b, actuals, Std::Page, OutputVar); return;
    case builtin::Assign: {
        VarAccess* file = nullptr;
        Type* ft = nullptr;
        ActualParm* name = ActualAt(actuals, 2);
        if (!LeadingFile(actuals, file, ft) || !name || name->kind != ActualParmExpr) {
            CodeGenMissingBuiltin("this form of", b);
            return;
        }
        GenAssign(file, ft, name->u.expr);
        return;
    }
    case builtin::DumpStack: GenFileRoutine(b, actuals, Std::DumpStack, OutputVar); return;
    case builtin::Get:
    case builtin::Put: {
        VarAccess* file = nullptr;
        Type* ft = nullptr;
        if (!LeadingFile(actuals, file, ft) || ListCount(actuals) != 1 || ft->u.file.noBuffer) {
            CodeGenMissingBuiltin("this form of", b);
            return;
        }
        GenGetPut(file, ft, b == builtin::Put);
        return;
    }
    case builtin::Str: GenStr(b, actuals); return;
    case builtin::Open: GenOpenWithMode(b, actuals, false); return;
    case builtin::POpen: GenOpenWithMode(b, actuals, true); return;
    case builtin::OpenDir: {  // opendir(d, name)
        VarAccess* d = VariableOf(ArgExpr(actuals, 1));
        Expression* name = ArgExpr(actuals, 2);
        if (!d || !name) break;
        GenStringValue(name);
        GenAddress(d);
        EmitCallStd(Std::OpenDir);
        AfterTransfer();
        return;
    }
    case builtin::ReadDir: {  // readdir(d, s)
        Expression* d = ArgExpr(actuals, 1);
        VarAccess* v = VariableOf(ArgExpr(actuals, 2));
        if (!d || !v || !IsStringRep(TypeRepOf(v->t))) break;
        GenAddress(v);
        GenOrdinal(d);
        EmitCallStd(Std::ReadDir);
        AfterTransfer();
        GenIntoVariable(b, v, StringT);
        return;
    }
    case builtin::GetFileMode: {  // getfilemode(name, v)
        Expression* name = ArgExpr(actuals, 1);
        VarAccess* v = VariableOf(ArgExpr(actuals, 2));
        if (!name || !v) break;
        GenAddress(v);
        GenStringValue(name);
        EmitCallStd(Std::GetFileMode);
        AfterTransfer();
        GenIntoVariable(b, v, IntegerT);
        return;
    }
    case builtin::Val: GenVal(b, actuals); return;
    case builtin::Delete: GenDelete(b, actuals); return;
    case builtin::Insert: GenInsert(b, actuals, freeSystemLocal); return;
    case builtin::Assert:   // assert: only compiled under option A
        if (!IsFlagOption(opt::A)) return;
        if (Expression* e = ArgExpr(actuals, 1)) {
            GenCondition(e);
            EmitOp(Op::ASSERT);
        }
        return;
    case builtin::Fill: {
        VarAccess* v = VariableOf(ArgExpr(actuals, 1));
        Expression* value = ArgExpr(actuals, 2);
        if (!v || !value) break;
        GenAddress(v);
        GenOrdinal(value);
        PushInteger(static_cast<int32_t>(ResolveType(v->t)->size));
        EmitOp(Op::FILL);
        return;
    }
    case builtin::Move: {  // move(source, destination, count)
        for (uint32_t k = 1; k <= 2; k++) {
            Expression* e = ArgExpr(actuals, k);
            if (!e) break;
            const TypeKind kind = HostOf(e->PromotedType)->kind;
            if (kind == PointerType || kind == AddressType) {
                // A pointer or address names the memory itself.
                GenOrdinal(e);
                if (kind == AddressType) EmitOp(Op::HOSTREL);
            } else if (VarAccess* v = VariableOf(e)) {
                GenAddress(v);
            } else {
                CodeGenMissingBuiltin("this form of", b);
                return;
            }
        }
        Expression* count = ArgExpr(actuals, 3);
        if (!count || ListCount(actuals) != 3) break;
        GenOrdinal(count);
        EmitCallStd(Std::Move);
        return;
    }
    case builtin::Randomize:
        if (Expression* seed = ArgExpr(actuals, 1)) {
            GenOrdinal(seed);
            EmitCallStd(Std::RandomizeSeed);
        } else {
            EmitCallStd(Std::RandomizeTime);
        }
        return;
    default:
        for (const RoutineProcedure& row : ROUTINE_PROCEDURES) {
            if (row.kind != b) continue;
            if (!GenRoutineProcedure(row, actuals)) CodeGenMissingBuiltin("this form of", b);
            return;
        }
        break;
    }
    CodeGenMissingBuiltin("built-in procedure", b);
}

}  // namespace tarn::tpc

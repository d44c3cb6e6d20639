// check_builtin: the arguments of built-in procedures and functions, checked against each
// routine's pattern as soon as they are read, so that a call the routine cannot take is an
// error at its argument ("File variable expected.") and never reaches code generation.
//
// A pattern is one class letter per argument; the letters after '[' may be omitted (from
// the right), and '*' after a letter repeats it any number of times. Routines whose
// arguments depend on each other (write, read, new, insert, str and a few more) have checks
// of their own below. Variant values are accepted wherever a value of a simple type is,
// since code generation converts them; a bad type passes silently (it was reported).
#include "compiler/front/check_builtin.h"

#include <cstring>

#include "compiler/base/messages.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/lexer.h"
#include "compiler/front/records.h"
#include "compiler/front/types.h"

namespace tarn::tpc {

namespace {

// Argument classes: the test and the word of "%s expected.".
//   F file variable          T text file variable     D directory variable
//   S string or char value   I integral value         R integral or real value
//   C char value             O ordinal value          B Boolean value
//   X any value              K integral or char value
//   V any variable           v ordinal variable       W integer or word variable
//   s string variable        c string or cstring var  N numeric variable
//   P pointer, list or object variable               A packed array variable
//   U unpacked array variable                        M variable, pointer or address value
struct ClassWord {
    char cls;
    const char* word;
};
constexpr ClassWord CLASS_WORDS[] = {
    {'F', "File variable"},         {'T', "Text variable"},
    {'D', "Directory variable"},    {'S', "String/Char expression"},
    {'I', "Integral expression"},   {'R', "Integral or Real expression"},
    {'C', "Character expression"},  {'O', "Ordinal expression"},
    {'B', "Boolean expression"},    {'X', "Expression"},
    {'K', "Integer/Char expression"},
    {'V', "Variable"},              {'v', "Ordinal variable"},
    {'W', "Integer/Word variable"},  {'s', "String variable"},
    {'c', "String/CString variable"}, {'N', "Numeric variable"},
    {'P', "Pointer, List, or Object variable"},
    {'A', "Packed array variable"}, {'U', "Unpacked array variable"},
    {'M', "Variable"},
};

const char* WordOf(char cls) {
    for (const ClassWord& w : CLASS_WORDS)
        if (w.cls == cls) return w.word;
    return "Expression";
}

struct Pattern {
    int32_t kind;
    const char* args;
};

// The routines checked by pattern alone.
constexpr Pattern PATTERNS[] = {
    // functions
    {builtin::Abs, "R"},          {builtin::Addr, "V"},          {builtin::ArcTan, "R"},
    {builtin::Chr, "I"},          {builtin::Concat, "SS*"},      {builtin::Copy, "SI[I"},
    {builtin::CopyWord, "SI[S"},  {builtin::Cos, "R"},           {builtin::Cosh, "R"},
    {builtin::CountWords, "S[S"}, {builtin::CreateObject, "S"},  {builtin::DirSep, ""},
    {builtin::Eof, "[F"},         {builtin::Eoln, "[T"},         {builtin::Exp, "R"},
    {builtin::FExpand, "S"},      {builtin::FileMatch, "SS"},    {builtin::FilePos, "F"},
    {builtin::FileSize, "F"},     {builtin::Frac, "R"},          {builtin::GetEnv, "S"},
    {builtin::Hex, "I"},          {builtin::Int, "R"},           {builtin::IOResult, ""},
    {builtin::IsAlpha, "C"},      {builtin::IsAlphaNum, "C"},    {builtin::IsDigit, "C"},
    {builtin::IsLower, "C"},      {builtin::IsNull, "X"},        {builtin::IsPrint, "C"},
    {builtin::IsSpace, "C"},      {builtin::IsUpper, "C"},       {builtin::IsXDigit, "C"},
    {builtin::KeyPressed, ""},    {builtin::Ln, "R"},            {builtin::Log, "R"},
    {builtin::LoCase, "C"},       {builtin::LowerCase, "S"},     {builtin::Odd, "I"},
    {builtin::Ord, "O"},          {builtin::ParamCount, ""},     {builtin::ParamStr, "I"},
    {builtin::Pi, ""},            {builtin::Platform, ""},       {builtin::Pos, "SS[I"},
    {builtin::Pred, "O"},         {builtin::Random, "[I"},       {builtin::ReadKey, ""},
    {builtin::Reverse, "S"},      {builtin::Round, "R"},         {builtin::Sin, "R"},
    {builtin::Sinh, "R"},         {builtin::Sqr, "R"},           {builtin::Sqrt, "R"},
    {builtin::StackFrame, ""},    {builtin::StackTop, ""},       {builtin::Succ, "O"},
    {builtin::Supported, "I"},    {builtin::Swap, "I"},          {builtin::System, "S"},
    {builtin::Tan, "R"},          {builtin::Tanh, "R"},          {builtin::Trim, "S"},
    {builtin::Trunc, "R"},        {builtin::UpCase, "C"},        {builtin::UpperCase, "S"},
    {builtin::UrlDecode, "S"},    {builtin::WhereX, ""},         {builtin::WhereY, ""},
    {builtin::UnixPlatform, ""},  {builtin::Version, ""},        {builtin::Wait, "I[I*"},
    {builtin::StopServiceEvent, ""},
    // procedures
    {builtin::Append, "F[S"},     {builtin::Assert, "B"},        {builtin::Assign, "FS"},
    {builtin::ChDir, "S"},        {builtin::Close, "F"},         {builtin::CloseDir, "D"},
    {builtin::ClrScr, ""},        {builtin::Dec, "v[I"},         {builtin::Delay, "I"},
    {builtin::DumpStack, "[T"},   {builtin::Erase, "F"},         {builtin::Exec, "SS"},
    {builtin::Fill, "VK"},        {builtin::Flush, "F"},         {builtin::FSplit, "S[sss"},
    {builtin::Crc32, "WK[I"},     {builtin::Get, "F"},           {builtin::GetDate, "WWWW"},
    {builtin::GetFileDate, "SWWW"}, {builtin::GetFileMode, "SW"}, {builtin::GetFileTime, "SWWW"},
    {builtin::GetTime, "WWW"},    {builtin::GotoXY, "II"},       {builtin::Halt, "[I"},
    {builtin::Inc, "v[I"},        {builtin::Intr, "IV"},         {builtin::MkDir, "S[I"},
    {builtin::Move, "MMI"},       {builtin::MsDos, "V"},         {builtin::Open, "FSI"},
    {builtin::OpenDir, "DS"},     {builtin::Pack, "UOA"},        {builtin::Page, "[T"},
    {builtin::POpen, "FSI"},      {builtin::Put, "F"},           {builtin::Randomize, "[I"},
    {builtin::RawRead, "FVIW"},   {builtin::RawWrite, "FVIW"},   {builtin::ReadDir, "Dc"},
    {builtin::Rename, "FS"},      {builtin::Reset, "F[S"},       {builtin::RewindDir, "D"},
    {builtin::Rewrite, "F[S"},    {builtin::RmDir, "S"},         {builtin::Seek, "FI"},
    {builtin::SetFileDate, "S[III"}, {builtin::SetFileTime, "S[III"}, {builtin::Sleep, "I"},
    {builtin::TextBackground, "I"}, {builtin::TextColor, "I"},   {builtin::TrapErrors, "B"},
    {builtin::Unpack, "AUO"},     {builtin::Val, "SNW"},
};

// ---- Argument classes ----------------------------------------------------------------------

bool IsBad(Type* t) { return !t || ResolveType(t)->kind == BadType; }
bool IsVariant(Type* t) { return t && HostOf(t)->kind == VariantType; }
TypeKind HostKind(Type* t) { return HostOf(t)->kind; }

bool IsTextFileType(Type* t) {
    Type* r = ResolveType(t);
    return r->kind == FileType && HostKind(r->u.file.component) == CharType && !r->u.file.noBuffer;
}

bool IsArrayType(Type* t, bool packed) {
    Type* r = ResolveType(t);
    return r->kind == ArrayType && (r->packed != 0) == packed;
}

// Whether value `e` of actual type `t` belongs to class `cls`.
bool Fits(char cls, Expression* e) {
    Type* t = e->ActualType;
    if (IsBad(t)) return true;
    const bool variant = IsVariant(t);
    VarAccess* v = VariableOf(e);
    switch (cls) {
    case 'S': return variant || IsStringType(t) || IsCharType(t);
    case 'I': return variant || IsIntegralType(t);
    case 'R': return variant || IsIntegralType(t) || IsRealType(t);
    case 'C': return variant || IsCharType(t);
    case 'O': return variant || IsOrdinalType(t);
    case 'B': return variant || HostOf(t) == BoolT;
    case 'K': return variant || IsIntegralType(t) || IsCharType(t);
    case 'X': return true;
    case 'F': return v && ResolveType(t)->kind == FileType;
    case 'T': return v && IsTextFileType(t);
    case 'D': return v && HostKind(t) == DirType;
    case 'V': return v != nullptr;
    case 'v': return v && IsOrdinalType(t);
    case 'W': return v && (HostKind(t) == IntegerType || HostKind(t) == WordType);
    case 's': return v && HostKind(t) == StringType;
    case 'c': return v && (HostKind(t) == StringType || HostKind(t) == CStringType);
    case 'N': return v && (IsIntegralType(t) || IsRealType(t));
    case 'P': {
        const TypeKind k = HostKind(t);
        return v && (k == PointerType || k == ListType || k == ObjectType);
    }
    case 'A': return v && IsArrayType(t, true);
    case 'U': return v && IsArrayType(t, false);
    case 'M': {
        const TypeKind k = HostKind(t);
        return v || k == PointerType || k == AddressType;
    }
    default: return true;
    }
}

Expression* ArgumentExpr(ActualParm* a) {
    return a && a->kind == ActualParmExpr ? a->u.expr : nullptr;
}

void Expect(const char* word, const Position* pos) { ReportMessage(msg::Expected, pos, word); }

// The checks of one argument: false after a message.
bool CheckArgument(char cls, ActualParm* a) {
    Expression* e = ArgumentExpr(a);
    if (!e) {
        Expect(WordOf(cls), a ? &a->pos : nullptr);
        return false;
    }
    if (Fits(cls, e)) return true;
    Expect(WordOf(cls), &a->pos);
    return false;
}

// An argument list against a pattern.
void CheckPattern(const char* pattern, List* actuals, const Position& at) {
    const uint32_t count = ListCount(actuals);
    uint32_t i = 1;
    bool optional = false;
    char last = 0;
    for (const char* p = pattern; *p; p++) {
        if (*p == '[') {
            optional = true;
            continue;
        }
        if (*p == '*') {
            while (i <= count)
                if (!CheckArgument(last, static_cast<ActualParm*>(ListGet(actuals, i++)))) return;
            continue;
        }
        last = *p;
        if (i > count) {
            if (!optional) Expect(WordOf(*p), &at);
            return;
        }
        if (!CheckArgument(*p, static_cast<ActualParm*>(ListGet(actuals, i++)))) return;
    }
    if (i <= count)
        Expect(TokenNameText(CLOSE_PARENtok), &static_cast<ActualParm*>(ListGet(actuals, i))->pos);
}

ActualParm* At(List* actuals, uint32_t i) {
    return i <= ListCount(actuals) ? static_cast<ActualParm*>(ListGet(actuals, i)) : nullptr;
}

// ---- Routines with checks of their own -------------------------------------------------

// read and readln: an optional file, then variables of a type the file can give.
void CheckRead(int32_t kind, List* actuals) {
    uint32_t i = 1;
    bool text = true;
    if (Expression* first = ArgumentExpr(At(actuals, 1))) {
        Type* t = ResolveType(first->ActualType);
        if (t->kind == FileType && VariableOf(first)) {
            text = IsTextFileType(t);
            if (kind == builtin::ReadLn && !text) {
                Expect("Text variable", &At(actuals, 1)->pos);
                return;
            }
            i = 2;
        }
    }
    for (; i <= ListCount(actuals); i++) {
        ActualParm* a = At(actuals, i);
        Expression* e = ArgumentExpr(a);
        if (!e || IsBad(e->ActualType)) continue;
        if (!VariableOf(e)) {
            Expect("Variable", &a->pos);
            return;
        }
        if (!text) continue;
        Type* t = e->ActualType;
        const TypeKind k = HostKind(t);
        if (IsCharType(t) || k == IntegerType || k == WordType || k == ByteType ||
            k == ShortIntType || k == ShortWordType || IsRealType(t) || k == StringType ||
            k == CStringType)
            continue;
        Expect("Variable of type Char, Integer, Real or String", &a->pos);
        return;
    }
}

// The ordinal value of a tag written as a constant (an unsigned literal or a constant
// identifier); false for anything else.
bool TagValue(Expression* e, int64_t& value) {
    while (e && !e->factor && e->oper == UNDEFtok && e->sign == SignNone) e = e->left;
    if (!e || !e->factor || e->factor->kind != UnsignedConstant || e->factor->sign != SignNone)
        return false;
    const Constant* c = e->factor->u.constant;
    switch (c->kind) {
    case ConstantInteger: value = c->value.integer; return true;
    case ConstantCardinal: value = c->value.cardinal; return true;
    case ConstantChar: value = c->value.character; return true;
    case ConstantEnumId: value = c->value.ordinal; return true;
    default: return false;
    }
}

// The tag values of new(p, t1, ..., tn) and dispose(p, t1, ..., tn) name a variant of the
// record p points to, outermost variant part first: each must fit its part's selector,
// and there can be no more of them than nested variant parts on the way.
void CheckTags(Type* pointer, List* actuals) {
    Type* domain = ResolveType(ResolveType(pointer)->u.pointer.domain);
    const FieldList* fl = domain->kind == RecordType ? domain->u.record.fieldList : nullptr;
    bool known = true;   // false once a tag's variant can not be followed
    for (uint32_t i = 2; i <= ListCount(actuals); i++) {
        ActualParm* a = At(actuals, i);
        Expression* tag = ArgumentExpr(a);
        if (!tag || IsBad(tag->ActualType)) return;
        if (!IsOrdinalType(tag->ActualType)) {
            Expect("Ordinal expression", &a->pos);
            return;
        }
        if (!known) continue;
        const VariantPart* vp = fl ? fl->variantPart : nullptr;
        if (!vp) {
            Expect(TokenNameText(CLOSE_PARENtok), &a->pos);
            return;
        }
        Type* tagType = vp->selector ? vp->selector->tagType : nullptr;
        if (tagType && !IsBad(tagType) &&
            !IsCompatibleType(PromotedType(tag->ActualType), PromotedType(tagType))) {
            ReportMessage(msg::TypeMismatch, &a->pos);
            return;
        }
        int64_t value = 0;
        known = TagValue(tag, value) && vp->table && value >= vp->tableLow &&
                value - vp->tableLow < static_cast<int64_t>(vp->tableCount);
        if (!known) continue;
        const uint32_t number = vp->table[value - vp->tableLow];
        if (number >= 1 && number <= ListCount(vp->VariantList))
            fl = static_cast<const Variant*>(ListGet(vp->VariantList, number))->fieldList;
        else if (vp->VariantPartCompleter)
            fl = vp->VariantPartCompleter->fieldList;
        else
            known = false;
    }
}

// new and dispose: a pointer, list or object variable, then tag constants (pointers
// only); dispose also takes any pointer value.
void CheckNewDispose(int32_t kind, List* actuals, const Position& at) {
    ActualParm* first = At(actuals, 1);
    Expression* e = ArgumentExpr(first);
    if (!e) {
        Expect(WordOf('P'), first ? &first->pos : &at);
        return;
    }
    if (IsBad(e->ActualType)) return;
    const TypeKind k = HostKind(e->ActualType);
    const bool pointerValue = kind == builtin::Dispose && k == PointerType;
    if (!Fits('P', e) && !pointerValue) {
        Expect(WordOf('P'), &first->pos);
        return;
    }
    if (ListCount(actuals) < 2) return;
    if (k != PointerType) {
        Expect(TokenNameText(CLOSE_PARENtok), &At(actuals, 2)->pos);
        return;
    }
    CheckTags(e->ActualType, actuals);
}

// delete(s or list, index [, count]) and insert(value, s or list [, index]).
void CheckDeleteInsert(int32_t kind, List* actuals, const Position& at) {
    const bool insert = kind == builtin::Insert;
    ActualParm* target = At(actuals, insert ? 2 : 1);
    Expression* e = ArgumentExpr(target);
    if (!e) {
        Expect("String or list variable", target ? &target->pos : &at);
        return;
    }
    if (IsBad(e->ActualType)) return;
    const TypeKind k = HostKind(e->ActualType);
    if (!VariableOf(e) || (k != StringType && k != ListType)) {
        Expect("String or list variable", &target->pos);
        return;
    }
    if (insert) {
        if (k == StringType) CheckArgument('S', At(actuals, 1));
        else CheckArgument('X', At(actuals, 1));
        CheckPattern("XX[I", actuals, at);
    } else {
        CheckPattern("XI[I", actuals, at);
    }
}

// str(value [: width [: decimals]], s): the widths share the value's position.
void CheckStr(List* actuals, const Position& at) {
    const uint32_t count = ListCount(actuals);
    if (count < 2) {
        Expect(count == 0 ? "Integral or Real expression" : "String variable", &at);
        return;
    }
    if (!CheckArgument('R', At(actuals, 1))) return;
    if (count > 4) {   // the value, its width and decimals, the string
        Expect(TokenNameText(CLOSE_PARENtok), &At(actuals, 5)->pos);
        return;
    }
    for (uint32_t i = 2; i < count; i++)
        if (!CheckArgument('I', At(actuals, i))) return;
    CheckArgument('c', At(actuals, count));
}

// length: a list variable, a string, a char or a variant.
void CheckLength(List* actuals, const Position& at) {
    ActualParm* a = At(actuals, 1);
    Expression* e = ArgumentExpr(a);
    if (!e) {
        Expect("List/String/Char expression", a ? &a->pos : &at);
        return;
    }
    Type* t = e->ActualType;
    const bool list = HostKind(t) == ListType && VariableOf(e);
    if (!(IsBad(t) || list || IsStringType(t) || IsCharType(t) || IsVariant(t))) {
        Expect("List/String/Char expression", &a->pos);
        return;
    }
    if (ListCount(actuals) > 1) Expect(TokenNameText(CLOSE_PARENtok), &At(actuals, 2)->pos);
}

// sizeof: a type identifier or a variable.
void CheckSizeOf(List* actuals, const Position& at) {
    ActualParm* a = At(actuals, 1);
    if (a && a->kind == ActualParmType) return;
    Expression* e = ArgumentExpr(a);
    if (!e || !(VariableOf(e) || IsBad(e->ActualType))) {
        Expect("Type or Variable identifer", a ? &a->pos : &at);
        return;
    }
    if (ListCount(actuals) > 1) Expect(TokenNameText(CLOSE_PARENtok), &At(actuals, 2)->pos);
}

// ptr: an integral value or an address.
void CheckPtr(List* actuals, const Position& at) {
    ActualParm* a = At(actuals, 1);
    Expression* e = ArgumentExpr(a);
    if (!e || !(Fits('I', e) || HostKind(e->ActualType) == AddressType)) {
        Expect("Address or Integral expression", a ? &a->pos : &at);
        return;
    }
    if (ListCount(actuals) > 1) Expect(TokenNameText(CLOSE_PARENtok), &At(actuals, 2)->pos);
}

}  // namespace

void CheckBuiltinArguments(const Function* f, List* actuals, const Position& at) {
    if (!f) return;
    for (uint32_t i = 1; i <= ListCount(actuals); i++) {
        ActualParm* a = At(actuals, i);
        // A type identifier is an argument of sizeof only.
        if (a->kind == ActualParmType && f->kind != builtin::SizeOf) {
            Expect("Expression", &a->pos);
            return;
        }
    }
    switch (f->kind) {
    case builtin::Write:
    case builtin::WriteLn:
    case builtin::Exit:
        return;   // items checked by the parser (CheckWriteItems, exit's value)
    case builtin::Read:
    case builtin::ReadLn: CheckRead(f->kind, actuals); return;
    case builtin::New:
    case builtin::Dispose: CheckNewDispose(f->kind, actuals, at); return;
    case builtin::Delete:
    case builtin::Insert: CheckDeleteInsert(f->kind, actuals, at); return;
    case builtin::Str: CheckStr(actuals, at); return;
    case builtin::Length: CheckLength(actuals, at); return;
    case builtin::SizeOf: CheckSizeOf(actuals, at); return;
    case builtin::Ptr: CheckPtr(actuals, at); return;
    case builtin::Get:
    case builtin::Put:
        // get and put move the buffer variable, which a binary file does not have.
        if (Expression* e = ArgumentExpr(At(actuals, 1))) {
            Type* t = ResolveType(e->ActualType);
            if (t->kind == FileType && t->u.file.noBuffer) {
                ReportMessage(msg::BinaryHasNoBuffer, &At(actuals, 1)->pos);
                return;
            }
        }
        break;
    default: break;
    }
    for (const Pattern& p : PATTERNS) {
        if (p.kind != f->kind) continue;
        CheckPattern(p.args, actuals, at);
        return;
    }
}

}  // namespace tarn::tpc

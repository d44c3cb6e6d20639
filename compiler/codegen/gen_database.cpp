// gen_database: members of connections and recordsets, and new and dispose on them.
//
// Every member is one standard routine of the engine (153-167). The code pushes the
// object variable's address first, then the member's arguments; a connection attribute
// pushes its number, a recordset's eof the attribute number 0. Each call is followed by
// CHKERR under option i, since the driver's failures are recoverable errors. Open of a
// recordset pushes the connection's address before the recordset's.
//
//   c.open(s)            c, s, CALLSTD 155          rs.open(c, s [, kind])  c, rs, s, kind or 1, CALLSTD 159
//   c.close              c, CALLSTD 156             rs.close                rs, CALLSTD 160
//   c.selectdatabase(s)  c, s, CALLSTD 162          rs.movenext             rs, CALLSTD 163
//   c.execute(s)         c, s, CALLSTD 166          rs.moreresults          rs, CALLSTD 167
//   c.databasename ...   c, n (0-8), CALLSTD 161    rs.eof                  rs, PUSH0, CALLSTD 164
//                                                   rs.field(s), rs.(s)     rs, s, CALLSTD 165 (a variant)
#include "compiler/codegen/generator.h"

#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/predefined.h"
#include "compiler/front/records.h"
#include "compiler/front/types.h"

namespace tarn::tpc {

using vm::Op;
using vm::Std;

namespace {

void CheckError() {
    if (IsFlagOption(opt::i)) EmitOp(Op::CHKERR);
}

// What a member takes after the object: a string, a connection, an integer.
enum class Arg { String, Connection, Integer };

struct Member {
    Identifier* Words::*word;
    Std routine;
    uint32_t count;     // arguments after the object
    Arg args[3];
    uint32_t optional;  // trailing arguments that may be left out
};

// The connection members a statement calls.
const Member kConnectionProcedures[] = {
    {&Words::open, Std::OpenConnection, 1, {Arg::String}, 0},
    {&Words::close, Std::CloseConnection, 0, {}, 0},
    {&Words::selectdatabase, Std::SelectDatabase, 1, {Arg::String}, 0},
    {&Words::execute, Std::Execute, 1, {Arg::String}, 0},
};

const Member kRecordsetProcedures[] = {
    {&Words::open, Std::OpenRecordset, 3, {Arg::Connection, Arg::String, Arg::Integer}, 1},
    {&Words::close, Std::CloseRecordset, 0, {}, 0},
    {&Words::movenext, Std::MoveNext, 0, {}, 0},
    {&Words::moreresults, Std::MoreResults, 0, {}, 0},
};

// The connection attributes, by the number routine 161 takes.
Identifier* Words::*const kConnectionAttributes[] = {
    &Words::databasename, &Words::dbmsname,     &Words::dbmsver,  &Words::dmver,        &Words::odbcver,
    &Words::procedures,   &Words::transactions, &Words::readonly, &Words::transsupport,
};

// The recordset kind when open is given none (rsdefault).
constexpr int32_t kDefaultRecordsetKind = 1;

bool IsBad(Type* t) { return !t || ResolveType(t)->kind == BadType; }

bool IsStringArgument(Type* t) {
    return IsBad(t) || IsStringType(t) || PromotedType(t) == CharT || TypeRepOf(t) == Rep::Variant;
}

bool IsIntegerArgument(Type* t) {
    return IsBad(t) || IsIntegralType(t) || TypeRepOf(t) == Rep::Variant;
}

bool IsConnection(VarAccess* v) { return v && ResolveType(v->t) == ConnectionT; }

// Reports the first argument that does not fit the member; false when there is one.
bool CheckArguments(const Member& m, List* args) {
    const uint32_t given = ListCount(args);
    const uint32_t wanted = m.count;
    for (uint32_t i = 1; i <= wanted; i++) {
        const Arg kind = m.args[i - 1];
        ActualParm* a = ActualAt(args, i);
        if (!a) {
            if (i > wanted - m.optional) break;
            ReportMessage(msg::Expected, nullptr,
                          kind == Arg::Connection ? "Connection object"
                          : kind == Arg::String   ? "String/Character expression"
                                                  : "Integer expression");
            return false;
        }
        Expression* e = a->kind == ActualParmExpr ? a->u.expr : nullptr;
        bool fits = false;
        const char* what = "";
        switch (kind) {
        case Arg::Connection:
            fits = e && IsConnection(VariableOf(e));
            what = "Connection object";
            break;
        case Arg::String:
            fits = e && IsStringArgument(e->ActualType);
            what = "String/Character expression";
            break;
        case Arg::Integer:
            fits = e && IsIntegerArgument(e->ActualType);
            what = "Integer expression";
            break;
        }
        if (!fits) {
            ReportMessage(msg::Expected, &a->pos, what);
            return false;
        }
    }
    if (given > wanted) {
        ReportMessage(msg::Expected, &ActualAt(args, wanted + 1)->pos, ")");
        return false;
    }
    return true;
}

void GenArgument(Arg kind, Expression* e) {
    switch (kind) {
    case Arg::Connection: GenAddress(VariableOf(e)); return;
    case Arg::String: GenStringValue(e); return;
    case Arg::Integer: GenOrdinal(e); return;
    }
}

const Member* FindMember(const Member* first, const Member* last, Identifier* member) {
    const Words& w = PredefinedWords();
    for (const Member* m = first; m != last; ++m)
        if (w.*(m->word) == member) return m;
    return nullptr;
}

}  // namespace

void GenDatabaseProcedure(VarAccess* object, Identifier* member, List* args) {
    const bool connection = IsConnection(object);
    const Member* m = connection ? FindMember(std::begin(kConnectionProcedures), std::end(kConnectionProcedures), member)
                                 : FindMember(std::begin(kRecordsetProcedures), std::end(kRecordsetProcedures), member);
    if (!m) {
        ReportMessage(msg::Expected, nullptr, "Procedure identifier");
        return;
    }
    if (!CheckArguments(*m, args) || !GenerateCode()) return;
    if (m->routine == Std::OpenRecordset) {
        ActualParm* kind = ActualAt(args, 3);
        GenAddress(VariableOf(ActualAt(args, 1)->u.expr));
        GenAddress(object);
        GenStringValue(ActualAt(args, 2)->u.expr);
        if (kind)
            GenOrdinal(kind->u.expr);
        else
            PushInteger(kDefaultRecordsetKind);
    } else {
        GenAddress(object);
        for (uint32_t i = 1; i <= m->count; i++) GenArgument(m->args[i - 1], ActualAt(args, i)->u.expr);
    }
    EmitCallStd(m->routine);
    CheckError();
}

void GenDatabaseFunction(ObjectCall* call) {
    if (!call || !GenerateCode() || IsBad(call->t)) return;
    const Words& w = PredefinedWords();
    GenAddress(call->object);
    if (IsConnection(call->object)) {
        int32_t number = 0;
        while (number < static_cast<int32_t>(std::size(kConnectionAttributes)) &&
               w.*kConnectionAttributes[number] != call->member)
            number++;
        PushInteger(number);
        EmitCallStd(Std::ConnectionAttribute);
    } else if (call->member == w.eof) {
        PushInteger(0);
        EmitCallStd(Std::RecordsetAttribute);
    } else {
        GenStringValue(ActualExpression(call->args, 1));
        EmitCallStd(Std::FieldValue);
    }
    CheckError();
}

bool GenDatabaseNewDispose(VarAccess* object, bool isNew) {
    Type* t = object ? ResolveType(object->t) : nullptr;
    if (t != ConnectionT && t != RecordsetT) return false;
    GenAddress(object);
    if (t == ConnectionT)
        EmitCallStd(isNew ? Std::NewConnection : Std::DisposeConnection);
    else
        EmitCallStd(isNew ? Std::NewRecordset : Std::DisposeRecordset);
    CheckError();
    return true;
}

}  // namespace tarn::tpc

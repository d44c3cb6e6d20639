// binding: scopes and bindings (see binding.h).
#include "compiler/front/binding.h"

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/front/records.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"
#include "compiler/front/idtable.h"
#include "compiler/writer/image.h"

namespace tarn::tpc {

static Scope scopes[MAX_SCOPES];
static int32_t currentScope = MIN_SCOPE_ID;
static int32_t currentLevel = MIN_SCOPE_LEVEL;
static List* pending;   // Binding*: pointer and list domains waiting for their type

// The identifier list of a scope slot is emptied and kept for the next scope opened in
// that slot, and so is LeaveScope's list of carried identifiers: a large program opens tens
// of thousands of scopes. Lists made before the last ReleaseAll went with it.
static List* spareIds[MAX_SCOPES];
static List* carriedIds;
static uint64_t spareGeneration;

static List* EmptyList(List*& kept) {
    if (spareGeneration != ReleaseGeneration()) {
        for (List*& l : spareIds) l = nullptr;
        carriedIds = nullptr;
        spareGeneration = ReleaseGeneration();
    }
    if (!kept) kept = ListCreate();
    kept->count = 0;
    return kept;
}

void InitBindings() {
    for (Scope& s : scopes) s = Scope{};
    currentScope = MIN_SCOPE_ID;
    currentLevel = MIN_SCOPE_LEVEL;
    pending = nullptr;
}

int32_t CurrentScope() { return currentScope; }
int32_t CurrentScopeLevel() { return currentLevel; }

Scope& ScopeAt(int32_t scope) {
    TPC_CHECK(scope >= 0 && scope <= currentScope);
    return scopes[scope < 0 ? 0 : scope];
}

ScopeKind CurrentScopeKind() { return ScopeAt(currentScope).kind; }
bool InOuterScope() { return currentScope >= 0 && CurrentScopeKind() == ScopeOuter; }
bool InProgramScope() { return currentScope >= 0 && CurrentScopeKind() == ScopeProgram; }
bool InRoutineScope() { return currentScope >= 0 && CurrentScopeKind() == ScopeRoutine; }

// Makes b the innermost binding of id and keeps the scanner's reserved-word mark in step.
static void SetInnermost(Identifier* id, Binding* b) {
    id->bind = b;
    MarkReserved(id, b && b->kind == BindReserved ? b->u.token : 0);
}

static bool NeverUsedDisabled() { return (Message(msg::NeverUsed).flags & MSG_DISABLED) != 0; }

// ---- Scopes ----------------------------------------------------------------------------

// Levels: every scope but a with-statement's opens a new level. With and record scopes
// belong to the enclosing block, so they share its code-generator words.
void EnterScope(ScopeKind kind) {
    if (currentScope + 1 >= MAX_SCOPES) {
        ReportMessage(msg::LimitScopeLevel, nullptr);
        return;
    }
    ReportMessage(msg::TraceEnterScope, nullptr, currentScope + 1);
    Scope& s = scopes[currentScope + 1];
    s = Scope{};
    s.ids = EmptyList(spareIds[currentScope + 1]);
    s.scratchDepth = ScratchDepth();
    s.kind = kind;
    s.level = kind == ScopeWith ? currentLevel : currentLevel + 1;
    if ((kind == ScopeWith || kind == ScopeRecord) && currentScope >= 0) {
        s.varSize = scopes[currentScope].varSize;
        s.codeOffset = scopes[currentScope].codeOffset;
    }
    currentScope++;
    currentLevel = s.level;
}

// An enumerated type counts as used once any of its constants is.
static bool EnumConstantReferenced(const Type* t) {
    for (Identifier* e : Items<Identifier>(t->u.enumeration.EnumIds))
        for (Binding* b = e->bind; b; b = b->prev)
            if (b->kind == BindConst && b->referenced && b->u.constant &&
                b->u.constant->kind == ConstantEnumId && b->u.constant->t == t)
                return true;
    return false;
}

static const char* UnusedWord(const Binding* b) {
    switch (b->kind) {
    case BindConst: return "Constant";
    case BindType: return "Type";
    case BindVar: return "Variable";
    case BindFunc:
        return b->u.function && IsFunctionKind(b->u.function->kind) ? "Function" : "Procedure";
    default: return nullptr;
    }
}

static void CheckUnused(Identifier* id, Binding* b) {
    if (b->referenced || b->quiet) return;
    if (b->kind == BindLabel) {
        ReportMessage(msg::LabelNeverReferenced, &b->pos, id->text);
        return;
    }
    if (b->kind == BindType && b->u.type && b->u.type->kind == EnumType &&
        EnumConstantReferenced(b->u.type))
        return;
    if (const char* word = UnusedWord(b)) ReportMessage(msg::NeverUsed, &b->pos, word, id->text);
}

// Steps 1-5 for one identifier of the scope being left; true when its binding is carried
// to the enclosing scope rather than dropped.
static bool CloseBinding(Identifier* id, const Scope& s, bool checkUnused) {
    Binding* b = id->bind;
    if (b->kind == BindLabel && b->u.label && !b->u.label->placed)
        ReportMessage(msg::LabelNotAssigned, &b->pos, id->text);
    if (checkUnused) CheckUnused(id, b);
    if (b->kind == BindFunc && b->status != StatusPlaceholder && b->u.function &&
        b->u.function->directives && SetIn(b->u.function->directives->flags, DirectiveForward))
        ReportMessage(msg::ForwardWithoutDefinition, &b->pos);
    if (b->status == StatusPlaceholder) {
        TPC_CHECK_AFTER_ERROR(b->referenced);
        if (b->prev) b->prev->referenced = 1;
        if (s.kind != ScopeOuter) return true;
    }
    if (s.kind == ScopeRecord && b->kind != BindField) return true;
    SetInnermost(id, b->prev);
    return false;
}

// A carried binding that is a scratch record of the block being left (and its bad constant)
// is copied into a tracked record: the scope it joins outlives that block.
static Binding* KeepCarried(Identifier* id, Binding* b) {
    if (!IsScratch(b) || scopes[currentScope].scratchDepth == ScratchDepth()) return b;
    Binding* kept = TrackedNew<Binding>(*b);
    if (kept->kind == BindConst && kept->u.constant && IsScratch(kept->u.constant))
        kept->u.constant = TrackedNew<Constant>(*kept->u.constant);
    SetInnermost(id, kept);
    return kept;
}

// A carried binding arrives in the now-current scope: it merges with a declaration of the
// same name there, or becomes a binding of this scope.
static void Carry(Identifier* id) {
    Binding* b = id->bind;
    Binding* hidden = b->prev;
    if (hidden && hidden->scope == currentScope) {
        if (hidden->kind == b->kind) {
            if (b->status == StatusDeclared)
                ReportMessage(msg::InvalidRedefinition, &b->pos, id->text);
            if (b->referenced) hidden->referenced = 1;
        } else if (b->status != StatusPlaceholder) {
            ReportMessage(msg::AlreadyUsedAs, &b->pos, id->text, BindingKindName(b->kind));
        }
        SetInnermost(id, hidden);
        return;
    }
    if (currentScope >= 0) b = KeepCarried(id, b);
    b->level = currentLevel;
    b->scope = currentScope;
    if (currentScope >= 0) ListAppend(scopes[currentScope].ids, id);
}

void ClaimScopeRecords() {
    if (currentScope >= 0) scopes[currentScope].scratchDepth = ScratchDepth();
}

void LeaveScope(bool checkUnused) {
    TPC_CHECK(currentScope >= 0);
    if (currentScope < 0) return;
    ReportMessage(msg::TraceLeaveScope, nullptr, currentScope);
    Scope& s = scopes[currentScope];
    List* carried = EmptyList(carriedIds);
    for (Identifier* id : Items<Identifier>(s.ids)) {
        TPC_CHECK_AFTER_ERROR(id->bind && id->bind->scope == currentScope);
        if (!id->bind || id->bind->scope != currentScope) continue;
        if (CloseBinding(id, s, checkUnused)) ListAppend(carried, id);
    }
    s.ids = EmptyList(spareIds[currentScope]);
    currentScope--;
    currentLevel = currentScope >= 0 ? scopes[currentScope].level : MIN_SCOPE_LEVEL;
    for (Identifier* id : Items<Identifier>(carried)) Carry(id);
}

// ---- Binding ---------------------------------------------------------------------------

static void Redeclare(Binding* b, BindingKind kind, int32_t status) {
    b->kind = kind;
    b->status = status;
    b->finishing = NotFinished;
    b->quiet = NeverUsedDisabled() ? 1 : 0;
    b->pos = CurrentPos();
}

static bool HidesWarning(const Binding* b, BindingKind kind, int32_t status) {
    if (b->prev) return true;
    return b->scope != currentScope && status == StatusDeclared && kind != BindField &&
           b->status == StatusDeclared;
}

bool Bind(Identifier* id, BindingKind kind, int32_t status) {
    TPC_CHECK(id != nullptr);
    TPC_CHECK(VALID_BINDING_KIND(kind));
    TPC_CHECK(currentScope >= 0);
    Binding* b = id->bind;
    ReportMessage(msg::TraceBinding, nullptr, id->text, static_cast<int>(status),
                  static_cast<int>(currentScope));

    // A program parameter becomes the declaration that the program block gives it.
    if (b && b->kind == BindProgParm && kind != BindProgParm && InProgramScope()) {
        Redeclare(b, kind, status);
        b->referenced = 0;
        SetInnermost(id, b);
        return true;
    }
    if (b && HidesWarning(b, kind, status)) ReportMessage(msg::HidesDeclaration, nullptr, id->text);
    if (b && b->scope == currentScope) {
        if (b->kind != kind) {
            ReportMessage(msg::AlreadyUsedAs, nullptr, id->text, BindingKindName(b->kind));
            return false;
        }
        if (b->status == StatusDeclared)
            ReportMessage(msg::InvalidRedefinition, nullptr, id->text);
        else if (b->status == StatusPlaceholder)
            ReportMessage(msg::ReferencedBeforeDeclaration, &b->pos, id->text);
        Redeclare(b, kind, status);
        SetInnermost(id, b);
        return true;
    }
    // A binding made in a statement or record scope further in than the scope it belongs
    // to (a pooled literal's) must live as long as that scope: a tracked record.
    Binding* n = ScratchDepth() == scopes[currentScope].scratchDepth ? ScratchNew<Binding>()
                                                                    : TrackedNew<Binding>();
    n->prev = b;
    n->kind = kind;
    n->status = status;
    n->quiet = NeverUsedDisabled() ? 1 : 0;
    n->level = currentLevel;
    n->scope = currentScope;
    n->pos = CurrentPos();
    n->id = id;
    SetInnermost(id, n);
    ListAppend(scopes[currentScope].ids, id);
    return true;
}

// The typed forms: u is set only when the binding that answers now has the kind asked
// for (a rejected binding leaves the earlier meaning alone).
static Binding* BoundAs(Identifier* id, BindingKind kind, bool bound) {
    return bound && id->bind && id->bind->kind == kind ? id->bind : nullptr;
}

bool BindConstant(Identifier* id, Constant* c, int32_t status) {
    bool ok = Bind(id, BindConst, status);
    if (Binding* b = BoundAs(id, BindConst, ok)) {
        b->u.constant = c;
        // An enumeration constant is reported through its type instead.
        if (c && c->kind == ConstantEnumId) b->quiet = 1;
    }
    return ok;
}

bool BindTypeName(Identifier* id, Type* t, int32_t status) {
    bool ok = Bind(id, BindType, status);
    if (Binding* b = BoundAs(id, BindType, ok)) b->u.type = t;
    return ok;
}

bool BindVariable(Identifier* id, Variable* v, int32_t status) {
    bool ok = Bind(id, BindVar, status);
    if (Binding* b = BoundAs(id, BindVar, ok)) b->u.variable = v;
    return ok;
}

bool BindFunction(Identifier* id, Function* f, int32_t status) {
    bool ok = Bind(id, BindFunc, status);
    if (Binding* b = BoundAs(id, BindFunc, ok)) b->u.function = f;
    return ok;
}

bool BindLabelName(Identifier* id, Label* l) {
    bool ok = Bind(id, BindLabel, StatusDeclared);
    if (Binding* b = BoundAs(id, BindLabel, ok)) b->u.label = l;
    return ok;
}

void RebindConstant(Identifier* id, Constant* c) {
    TPC_CHECK(id != nullptr);
    Binding* b = id->bind;
    if (!b || b->scope != currentScope) {
        BindConstant(id, c);
        return;
    }
    b->kind = BindConst;
    b->status = StatusDeclared;
    b->u.constant = c;
    b->finishing = NotFinished;
    // The error was reported when the name was taken; an enumeration constant is
    // reported through its type.
    b->quiet = c && c->kind == ConstantEnumId ? 1 : b->quiet;
    SetInnermost(id, b);
}

bool BindReservedWord(Identifier* id, int32_t tokenKind) {
    bool ok = Bind(id, BindReserved, StatusDeclared);
    if (Binding* b = BoundAs(id, BindReserved, ok)) {
        b->u.token = tokenKind;
        SetInnermost(id, b);
    }
    return ok;
}

bool BindFieldDesignatorName(Identifier* id, FieldDesignatorRef* ref) {
    bool ok = Bind(id, BindFieldDesignator, StatusDeclared);
    if (Binding* b = BoundAs(id, BindFieldDesignator, ok)) b->u.designator = ref;
    return ok;
}

// ---- Queries ---------------------------------------------------------------------------

int32_t BindingKindOf(const Identifier* id) { return id && id->bind ? id->bind->kind : BindNone; }

bool IsBoundInCurrentScope(const Identifier* id) {
    return id && id->bind && id->bind->scope == currentScope;
}

bool IsBoundAtCurrentLevel(const Identifier* id) {
    return id && id->bind && id->bind->level == currentLevel;
}

void MarkVariableReferenced(Identifier* id, Variable* v) {
    for (Binding* b = id ? id->bind : nullptr; b; b = b->prev)
        if (b->kind == BindVar && b->u.variable == v) {
            b->referenced = 1;
            return;
        }
}

const char* BindingKindName(int32_t kind) {
    static const char* const names[] = {
        "reserved word", "program parameter", "constant", "type", "variable", "field",
        "function or procedure", "statement label", "", "", "field designator",
    };
    TPC_CHECK(VALID_BINDING_KIND(kind));
    return VALID_BINDING_KIND(kind) ? names[kind] : "";
}

// ---- Placeholders -------------------------------------------------------------------

Binding* BindPlaceholder(Identifier* id, BindingKind kind) {
    TPC_CHECK(kind == BindConst || kind == BindType);
    TPC_CHECK(!IsBoundInCurrentScope(id));
    Binding* outer = id->bind;
    if (!Bind(id, kind, StatusPlaceholder)) return id->bind;
    Binding* b = id->bind;
    b->referenced = 1;
    if (outer && outer->kind == kind) {
        b->u = outer->u;
        b->finishing = outer->finishing;
        return b;
    }
    ReportMessage(msg::Expected, nullptr, kind == BindConst ? "Constant" : "Type");
    if (kind == BindConst)
        b->u.constant = CreateBadConstant();
    else
        b->u.type = BadT;
    b->finishing = Finished;
    return b;
}

Binding* BindPendingDomain(Identifier* id) {
    TPC_CHECK(!IsBoundInCurrentScope(id));
    if (!Bind(id, BindType, StatusForwardDomain)) return id->bind;
    Binding* b = id->bind;
    b->u.type = nullptr;
    b->referenced = 1;
    if (!pending) pending = ListCreate();
    ListAppend(pending, b);
    return b;
}

void ResolvePendingDomain(Binding* b) {
    TPC_CHECK(b != nullptr && b->kind == BindType);
    if (!b->u.type) {
        if (b->prev && b->prev->kind == BindType) {
            b->u.type = b->prev->u.type;
            b->prev->referenced = 1;
        } else {
            ReportMessage(msg::Expected, &b->pos, "Type");
            b->u.type = BadT;
        }
    }
    b->status = StatusDeclared;
}

void ResolvePendingDomains() {
    if (!pending) return;
    for (Binding* b : Items<Binding>(pending)) ResolvePendingDomain(b);
    pending = nullptr;
}

// ---- Pooled literals and member names -------------------------------------------------

// The binding that answers for an internal name: the innermost one, or a new one in the
// current scope with the text stored. Internal names are never bound otherwise, so the
// binding always has the kind asked for.
static PooledLiteral* Pool(Identifier* id, BindingKind kind, const char* text, uint32_t length,
                           int32_t convert) {
    if (id->bind && id->bind->kind == kind) {
        id->bind->referenced = 1;
        return id->bind->u.literal;
    }
    if (!Bind(id, kind, StatusDeclared)) return nullptr;
    PooledLiteral* p = TrackedNew<PooledLiteral>();
    p->size = length;
    p->convert = convert;
    // The ANSI and OEM code pages are the same on this platform: the text goes as it is.
    p->offset = length ? AppendFixedBytes(text, length) : 0;
    id->bind->u.literal = p;
    id->bind->referenced = 1;
    return p;
}

PooledLiteral* PoolLiteral(const char* text, uint32_t length) {
    TPC_CHECK(text != nullptr || length == 0);
    return Pool(InternLiteral({text, length}), BindLiteral, text, length, 1);
}

Identifier* PoolMember(const Identifier* name) {
    TPC_CHECK(name != nullptr);
    Identifier* id = InternMember({name->text, name->length});
    // The first spelling met is the one stored ('.' + name).
    Pool(id, BindPropOrMethod, id->text + 1, id->length - 1, 0);
    return id;
}

// ---- With statements ------------------------------------------------------------------

static void BindFieldListDesignators(VarAccess* record, const FieldList* fl, int32_t withLocal);

static void BindFieldDesignatorOf(VarAccess* record, const Variable* field, int32_t withLocal) {
    if (!field || !field->id) return;
    FieldDesignatorRef* ref = TrackedNew<FieldDesignatorRef>();
    ref->record = record;
    ref->field = field->id;
    ref->withLocal = withLocal;
    BindFieldDesignatorName(field->id, ref);
}

static void BindFieldListDesignators(VarAccess* record, const FieldList* fl, int32_t withLocal) {
    if (!fl) return;
    for (Variable* f : Items<Variable>(fl->rsl)) BindFieldDesignatorOf(record, f, withLocal);
    const VariantPart* vp = fl->variantPart;
    if (!vp) return;
    BindFieldDesignatorOf(record, vp->selector ? vp->selector->tagField : nullptr, withLocal);
    for (Variant* v : Items<Variant>(vp->VariantList))
        BindFieldListDesignators(record, v->fieldList, withLocal);
    if (vp->VariantPartCompleter)
        BindFieldListDesignators(record, vp->VariantPartCompleter->fieldList, withLocal);
}

void BindWithFields(VarAccess* record, Type* recordType, int32_t withLocal) {
    Type* t = ResolveType(recordType);
    TPC_CHECK_AFTER_ERROR(t && t->kind == RecordType);
    if (!t || t->kind != RecordType) return;
    BindFieldListDesignators(record, t->u.record.fieldList, withLocal);
}

}  // namespace tarn::tpc

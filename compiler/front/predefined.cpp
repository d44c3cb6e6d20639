// predefined: reserved words and predefined identifiers (see predefined.h).
#include "compiler/front/predefined.h"

#include <cstring>

#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/binding.h"
#include "compiler/front/records.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"
#include "compiler/front/lexer.h"

namespace tarn::tpc {

// Rows of predefined.def whose option is "always" carry 0, which names no flag option.
static constexpr int always = 0;

static bool OptionOn(int option) { return option == always || IsFlagOption(option); }

// ---- Reserved words ----------------------------------------------------------------------

struct ReservedOption {
    int32_t token;
    int option;
};
static const ReservedOption RESERVED_OPTIONS[] = {
#define RESERVED(token, option) {token, opt::option},
#include "compiler/front/predefined.def"
};

static int ReservedWordOption(int32_t token) {
    for (const ReservedOption& r : RESERVED_OPTIONS)
        if (r.token == token) return r.option;
    return always;
}

void InstallReservedWords() {
    for (int32_t token = ANDtok; token <= XORtok; token++)
        if (OptionOn(ReservedWordOption(token)))
            BindReservedWord(Intern(KEYWORDS[token - ANDtok]), token);
}

// ---- Predefined identifiers -----------------------------------------------------------

static Words gWords;
const Words& PredefinedWords() { return gWords; }

static Position Nowhere() { return Position{}; }

static void PredefineEnum(const char* name, Type* t, int32_t ordinal) {
    Position none = Nowhere();
    Identifier* id = Intern(name);
    BindConstant(id, CreateEnumConstant(ordinal, t, &none));
    FinishConstantIdentifier(id);
}

static void PredefineType(const char* name, Type* t) {
    Identifier* id = Intern(name);
    BindTypeName(id, t);
    FinishTypeIdentifier(id);
}

static void PredefineConst(const char* name, Constant* c) {
    Identifier* id = Intern(name);
    BindConstant(id, c);
    FinishConstantIdentifier(id);
}

static void PredefineRoutine(const char* name, int32_t kind) {
    Identifier* id = Intern(name);
    BindFunction(id, CreateFunction(kind, CreateFuncHeading(id, nullptr, nullptr)));
}

// One walk over predefined.def in its order; rows whose option is off are skipped.
static void InstallRows() {
    Position none = Nowhere();
#define ENUM(name, type, ordinal, option) \
    if (OptionOn(opt_##option)) PredefineEnum(#name, type, ordinal);
#define TYPE(name, type, option) if (OptionOn(opt_##option)) PredefineType(#name, type);
#define WORD(name) gWords.name = Intern(#name);
#define INT(name, value, option) \
    if (OptionOn(opt_##option)) PredefineConst(#name, CreateIntegerConstant(value, &none));
#define CARD(name, value, option) \
    if (OptionOn(opt_##option)) PredefineConst(#name, CreateCardinalConstant(value, &none));
#define CHR(name, value, option) \
    if (OptionOn(opt_##option)) PredefineConst(#name, CreateCharConstant(value, &none));
#define FUNC(name, Name, kind, option) if (OptionOn(opt_##option)) PredefineRoutine(#name, kind);
    constexpr int opt_always = always, opt_ety = opt::ety, opt_eco = opt::eco, opt_efn = opt::efn,
                  opt_epr = opt::epr;
#include "compiler/front/predefined.def"
}

void InstallPredefined() {
    gWords = Words{};
    CreatePredefinedTypes();
    InstallRows();
}

// ---- Compile steps -----------------------------------------------------------------------

void OpenOuterScope() {
    InitBindings();
    ResetTypeNesting();
    SetVariableCounter(0);
    EnterScope(ScopeOuter);
    InstallReservedWords();
    InstallPredefined();
}

void CloseOuterScope() {
    while (CurrentScope() >= 0) LeaveScope(false);
}

}  // namespace tarn::tpc

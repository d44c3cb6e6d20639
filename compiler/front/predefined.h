// predefined: the language's reserved words and predefined identifiers.
//
// At the start of every compilation, in the outer scope and after the options are known,
// InstallReservedWords binds the reserved words (some only under their option, so that
// with the option off the word is an ordinary identifier) and InstallPredefined creates
// the predefined types and binds the predefined types, constants and built-in routines
// of predefined.def, each under its option. Identifiers are interned through idtable.h.
#pragma once

#include "compiler/front/idtable.h"

namespace tarn::tpc {


// Binds every reserved word of tokens.def as BindReserved (u = its token kind) in the
// current scope, except those whose option is off.
void InstallReservedWords();
// Creates the predefined types and variables and binds the predefined identifiers in the
// current scope, each only under its option.
void InstallPredefined();

// The interned, unbound words the parser compares identifiers against (directives and
// database members): PredefinedWords().forward, ...
struct Words {
#define WORD(name) Identifier* name;
#include "compiler/front/predefined.def"
};
const Words& PredefinedWords();

// Compile's "create outer scope" and "close outer scope" steps: a fresh scope table,
// ScopeOuter entered, reserved words and predefined identifiers installed; at the end the
// outer scope is left without unused checks.
void OpenOuterScope();
void CloseOuterScope();

}  // namespace tarn::tpc

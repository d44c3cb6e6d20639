// case_values: the values listed by a case statement or a variant part (see case_values.h).
#include "compiler/front/case_values.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/binding.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/idtable.h"
#include "compiler/front/layout.h"
#include "compiler/front/lexer.h"
#include "compiler/front/records.h"
#include "compiler/front/types.h"
#include "compiler/writer/image.h"

namespace tarn::tpc {

// ======================================================================================
// Case constants

CaseValueSet* CreateCaseValueSet() {
    CaseValueSet* s = ScratchNew<CaseValueSet>();
    s->random = 0x9E3779B9u;
    return s;
}

// The listed interval with the largest low end not above v; null when there is none.
const CaseInterval* IntervalAtOrBelow(const CaseValueSet* seen, int64_t v) {
    const CaseInterval* found = nullptr;
    for (const CaseInterval* n = seen->root; n;) {
        if (n->low <= v) {
            found = n;
            n = n->right;
        } else {
            n = n->left;
        }
    }
    return found;
}

// Puts n where its priority belongs and splits the subtree it displaces by n's low end
// into its two children; both walks are loops.
static void InsertInterval(CaseValueSet* seen, CaseInterval* n) {
    CaseInterval** link = &seen->root;
    while (*link && (*link)->priority >= n->priority)
        link = n->low < (*link)->low ? &(*link)->left : &(*link)->right;
    CaseInterval* rest = *link;
    CaseInterval** below = &n->left;
    CaseInterval** above = &n->right;
    while (rest) {
        if (rest->low < n->low) {
            *below = rest;
            below = &rest->right;
            rest = rest->right;
        } else {
            *above = rest;
            above = &rest->left;
            rest = rest->left;
        }
    }
    *below = *above = nullptr;
    *link = n;
}

// Adds low..high; false when any of it was listed already. The intervals are disjoint,
// so of those starting at or below `high` the last one reaches furthest: only it can
// overlap.
bool AddCaseValues(CaseValueSet* seen, int64_t low, int64_t high) {
    const CaseInterval* last = IntervalAtOrBelow(seen, high);
    if (last && last->high >= low) return false;
    uint32_t& x = seen->random;   // xorshift32
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    CaseInterval* n = ScratchNew<CaseInterval>();
    *n = {low, high, x, nullptr, nullptr};
    InsertInterval(seen, n);
    return true;
}

// The smallest value of low..high that seen does not list; false when all are listed.
bool FirstUnlisted(const CaseValueSet* seen, int64_t low, int64_t high, int64_t& value) {
    int64_t v = low;
    while (v <= high) {
        const CaseInterval* r = IntervalAtOrBelow(seen, v);
        if (!r || r->high < v) break;
        v = r->high + 1;
    }
    value = v;
    return v <= high;
}

bool CheckCaseConstant(CaseRange* r, Type* selector, bool isCaseIndex, CaseValueSet* seen) {
    const char* context = isCaseIndex ? "case index" : "variant selector";
    if (!UnifyBounds(r->low, r->high, &r->low->pos)) return false;
    Constant* low = r->low;
    Constant* high = r->high;
    if (low->kind == ConstantBad || high->kind == ConstantBad ||
        ResolveType(selector)->kind == BadType)
        return true;
    for (Constant* c : {low, high})
        if (!IsCompatibleType(c->t, selector) || !IsOrdinalConstant(c)) {
            ReportMessage(msg::CaseConstantIncompatible, &c->pos, context);
            return false;
        }
    bool signedSelector = PromotedType(selector)->kind != WordType;
    if (signedSelector && (IsCardinal(low) || IsCardinal(high)) && OrdinalValue(low) > MAX_INT) {
        ReportMessage(msg::InvalidCaseConstantRange, &low->pos);
        return false;
    }
    if (BoundsReversed(low, high)) {
        ReportMessage(msg::LowerAboveUpper, &low->pos);
        return false;
    }
    int64_t selLow, selHigh;
    if (!isCaseIndex && OrdinalRange(selector, selLow, selHigh) &&
        (OrdinalValue(low) < selLow || OrdinalValue(high) > selHigh)) {
        ReportMessage(msg::CaseConstantIncompatible, &low->pos, context);
        return false;
    }
    if (seen && !AddCaseValues(seen, OrdinalValue(low), OrdinalValue(high))) {
        ReportMessage(msg::CaseConstantTwice, &low->pos);
        return false;
    }
    return true;
}

bool CaseValuesCoverType(const CaseValueSet* seen, Type* selector) {
    int64_t low, high, missing;
    if (!seen || !OrdinalRange(selector, low, high)) return false;
    return !FirstUnlisted(seen, low, high, missing);
}

void CheckOtherwiseReachable(const CaseValueSet* seen, Type* selector, const Position* pos) {
    if (CaseValuesCoverType(seen, selector)) ReportMessage(msg::OtherwiseNeverUsed, pos);
}

// ======================================================================================

}  // namespace tarn::tpc

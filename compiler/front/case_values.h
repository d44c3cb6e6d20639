// case_values: the values listed by one case statement or variant part, and the checks of
// case constants against their selector.
#pragma once

#include <cstdint>

#include "compiler/front/model.h"

namespace tarn::tpc {

// ---- Case constants ------------------------------------------------------------------------

// The values listed so far in one case statement or variant part: disjoint intervals in
// a search tree ordered by their low ends. The tree is a treap (each interval draws a
// priority, and a node's priority is never below its children's), which keeps it
// balanced whatever order the constants come in, so one check costs O(log n) and a case
// statement of n constants O(n log n).
struct CaseInterval {
    int64_t low;
    int64_t high;
    uint32_t priority;
    CaseInterval* left;     // intervals below `low`
    CaseInterval* right;    // intervals above `high`
};
struct CaseValueSet {
    CaseInterval* root;
    uint32_t random;        // state of the priority sequence
};
CaseValueSet* CreateCaseValueSet();
// Adds low..high; false when a value of it is listed already.
bool AddCaseValues(CaseValueSet* seen, int64_t low, int64_t high);
// The interval holding v, or the nearest one below it; none when there is none.
const CaseInterval* IntervalAtOrBelow(const CaseValueSet* seen, int64_t v);
// The smallest value of low..high that seen does not list; false when all are listed.
bool FirstUnlisted(const CaseValueSet* seen, int64_t low, int64_t high, int64_t& value);

// Checks one case-constant range against the selector type; context "case index"
// (isCaseIndex) or "variant selector". Finishes both bounds in place. When `seen` is given
// the range is added to it ("Case constant specified more than once." on overlap).
bool CheckCaseConstant(CaseRange* r, Type* selector, bool isCaseIndex,
                       CaseValueSet* seen = nullptr);
// True when the listed values cover every value of the selector type.
bool CaseValuesCoverType(const CaseValueSet* seen, Type* selector);
// The warning "'otherwise' or 'else' can never be used." when the values cover the type.
void CheckOtherwiseReachable(const CaseValueSet* seen, Type* selector, const Position* pos);

}  // namespace tarn::tpc

// The table of installed compile steps (see steps.h); empty until modules install theirs.
#include "compiler/driver/steps.h"

namespace tarn::tpc {

CompileSteps& Steps() {
    static CompileSteps steps;
    return steps;
}

}  // namespace tarn::tpc

// A project's compiler settings applied to the compiler's option store, the same store
// tpc's command line sets, and the tpc command line that sets the same options.
#pragma once

#include <string>
#include <vector>

#include "ide/project/project.h"

namespace tarn::ide {

// Every row with an option id, in table order: a warning row enables or disables its
// message, another flag row sets its flag option, an integer row its valued option.
// Applied on top of the store's start-up state (InitOptions, InitMessages).
void ApplyProjectOptions(const Project& p);

// The tpc arguments that set the same options ("-r-", "-W54+", "-S64", ...).
std::vector<std::string> ProjectCommandLine(const Project& p);

}  // namespace tarn::ide

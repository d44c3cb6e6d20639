// The service launcher's registration commands on systemd: a service is the unit file
// Name.service in the unit directory (/etc/systemd/system, or $TARN_SERVICE_DIR when set).
//
// Install writes a new unit that runs the launcher copy as a notify service; delete
// removes it; change edits one setting of a unit that service.app wrote. The settings are
// kept in the unit in systemd's own terms, with the launcher's choices beside them under
// X-Tarn- keys so that a later change reads them back exactly. Every write goes to a
// temporary file in the unit directory that is renamed over the unit, so a failed write
// leaves the old unit (or none) and no partial file. Names are checked before any path is
// built from them, so nothing is ever written outside the unit directory.
//
// Each command prints its messages on standard error and returns the exit code.
#pragma once

#include <string>
#include <vector>

namespace tarn::service {

int InstallService(const std::string& name, const std::string& programPath,
                   const char* user, const char* password);

int DeleteService(const std::string& name);

// words: the parameter word and what follows it. Returns kShowChangeSyntax when the
// parameter or its value is missing or wrong.
inline constexpr int kShowChangeSyntax = -1;
int ChangeService(const std::string& name, const std::vector<std::string>& words);

}  // namespace tarn::service

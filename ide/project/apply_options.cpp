// Project settings into the compiler's option store.
#include "ide/project/apply_options.h"

#include "compiler/base/options.h"

namespace tarn::ide {

namespace {

// The command-line name of an option id, from the compiler's own option table.
std::string OptionName(int id) {
    for (const tpc::OptionInfo& o : tpc::OptionTable())
        if (o.id == id) return o.name;
    return {};
}

}  // namespace

void ApplyProjectOptions(const Project& p) {
    for (const ProjectSetting& row : p.settings) {
        if (row.option == 0) continue;
        if (row.type == SettingType::FLAG && row.option == tpc::opt::W)
            tpc::SetOption(tpc::opt::WarningMessages, row.message, row.flag ? 1 : 0);
        else if (row.type == SettingType::FLAG)
            tpc::SetFlag(row.option, row.flag);
        else if (row.type == SettingType::INT)
            tpc::SetOption(row.option, row.number, 0);
    }
}

std::vector<std::string> ProjectCommandLine(const Project& p) {
    std::vector<std::string> args;
    for (const ProjectSetting& row : p.settings) {
        if (row.option == 0) continue;
        std::string name = "-" + OptionName(row.option);
        if (row.type == SettingType::FLAG && row.option == tpc::opt::W)
            args.push_back(name + std::to_string(row.message) + (row.flag ? "+" : "-"));
        else if (row.type == SettingType::FLAG)
            args.push_back(name + (row.flag ? "+" : "-"));
        else if (row.type == SettingType::INT)
            args.push_back(name + std::to_string(row.number));
    }
    return args;
}

}  // namespace tarn::ide

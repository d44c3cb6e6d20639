// The option store: every switch that changes what the compiler accepts, what code it
// generates or how it reports. Options are set by the start-up defaults, the command
// line and directives in the source; each change is recorded on OptionHistory so that a
// directive can undo the newest change of an option and restore the one before it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarn::tpc {

// Option ids, named by their letter codes (opt::r is "Trap range errors"):
//   1..48   flag options
//   50..57  valued options (opt::a alignment, opt::zbsm, opt::S stack size, opt::zml the
//           message-list action, opt::me, opt::mw, opt::o output name, opt::h header)
//   58..60  message-control changes for TRACE, INFORM and WARNING messages
// opt::I, opt::zt and opt::W (38..40) name the command-line and directive entries; their
// changes are recorded under the message-control ids 58..60.
namespace opt {
enum : int {
#define OPTION(name, id, form, low, high, startup, value, rank, usage) name = id,
#include "compiler/base/options.def"
#undef OPTION
    TraceMessages = 58,
    InformMessages = 59,
    WarningMessages = 60,
};
}  // namespace opt

constexpr int FIRST_FLAG_OPTION = 1;
constexpr int LAST_FLAG_OPTION = 48;
constexpr uint32_t MAX_STACK_K = 1024;
constexpr size_t MAX_NAME_LENGTH = 260;   // source, output and header names

enum class OptionForm { FLAG, NUMBER, TEXT, ACTION, MSGCTL };

// One row of the option table (options.def).
struct OptionInfo {
    const char* name;
    int id;
    OptionForm form;
    int32_t low, high;    // range of a NUMBER
    int startup;          // rank in the start-up sequence, 0 = none
    int32_t startValue;
    int usageRank;        // position in the long usage; above 47 only with "??"
    const char* usage;    // one usage column, %c = the option prefix
};
std::span<const OptionInfo> OptionTable();

// One recorded change. For flags `value2` is the flag value; for valued options `value`
// (or `text` for opt::o and opt::h); for message control `value` is the message number
// (0 = all of the kind) and `value2` 1 to enable, 0 to disable.
struct OptionChange {
    int id;
    int32_t value;
    int32_t value2;
    std::string text;
    bool hasText;         // opt::o: false means "no output name"
};

// Empties the history, resets every stored value and runs the start-up defaults.
void InitOptions();

// Records a change on OptionHistory and applies it (argument layout as in OptionChange).
void SetOption(int id, int32_t value, int32_t value2);
void SetOption(int id, const char* text);     // opt::o (null or "" = none), opt::h
void SetFlag(int id, bool on);                // SetOption(id, 0, on)

// Gives a value its effect without recording it.
void ApplyOption(int id, int32_t value, int32_t value2);
void ApplyOption(int id, const char* text);

// Undoes the newest change of an option (number: the message for 58..60) and re-applies
// what stands behind it; message 145 when there is nothing to go back to.
void ResetOption(int id, int32_t number = 0);

// True when a message-control change of `id` (58..60) acts on `number`: 0 (every
// message of the kind) or a message of that kind.
bool IsControllableMessage(int id, int32_t number);

// Flag ids give 1 or 0; opt::a, opt::zbsm, opt::me, opt::mw their value; opt::S the stack
// size in bytes. Anything else is an internal error.
int32_t GetOption(int id);
// opt::o: the output name or null; opt::h: the header text ("" when none).
const char* GetOptionText(int id);
// True when flag option `id` is on; a non-flag id is an internal error. Inline: the code
// generator asks for some flag at nearly every instruction it emits.
namespace options_internal {
extern bool gFlagOn[LAST_FLAG_OPTION + 1];   // mirrors the store's flags
bool BadFlagId(int id);                      // reports the internal error; false
}  // namespace options_internal
inline bool IsFlagOption(int id) {
    if (id < FIRST_FLAG_OPTION || id > LAST_FLAG_OPTION) return options_internal::BadFlagId(id);
    return options_internal::gFlagOn[id];
}

// The recorded changes, oldest first (the newest change is back()).
const std::vector<OptionChange>& OptionHistory();

// A compiler directive: the comment text after "$" ("R-", "W54.", ...). Applies it and
// tells the lexer what it was. Invalid forms have been reported (message 47) when this
// returns DIRECTIVE_INVALID. DIRECTIVE_INCLUDE means "{$I name}": the lexer reads the
// file name from the text after the letter.
enum DirectiveResult { DIRECTIVE_APPLIED, DIRECTIVE_INCLUDE, DIRECTIVE_INVALID };
DirectiveResult ApplyDirective(const char* text);

}  // namespace tarn::tpc

// The option store, its change history and the compiler directives.
#include "compiler/base/options.h"

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"

namespace tarn::tpc {

namespace {

constexpr OptionInfo OPTION_TABLE[] = {
#define OPTION(name, id, form, low, high, startup, value, rank, usage) \
    {#name, id, OptionForm::form, low, high, startup, value, rank, usage},
#include "compiler/base/options.def"
#undef OPTION
};

// The flags that option E switches together with itself.
constexpr int EXTENSION_FLAGS[] = {opt::ead, opt::ebh, opt::eco, opt::ecr, opt::edq,
                                   opt::efn, opt::enn, opt::eop, opt::eow, opt::epr,
                                   opt::erd, opt::ety, opt::eui, opt::eva, opt::nu};

// Records that a reset of E takes back when they repeat E's value.
constexpr int UNDONE_WITH_E[] = {opt::C,   opt::ead, opt::ebh, opt::eco, opt::ecr, opt::edq,
                                 opt::efn, opt::enn, opt::eop, opt::eow, opt::epr, opt::erd,
                                 opt::ety, opt::eui, opt::eva, opt::nc,  opt::p,   opt::nu};

struct OptionStore {
    std::bitset<LAST_FLAG_OPTION + 1> flags;
    int32_t alignment = 0;
    int32_t setMax = 256;
    uint32_t stackBytes = 65536;
    int32_t maxErrors = 25;
    int32_t maxWarnings = 100;
    bool hasOutput = false;
    std::string output;
    std::string header;
};
OptionStore gStore;
std::vector<OptionChange> gHistory;

bool IsFlagId(int id) { return id >= FIRST_FLAG_OPTION && id <= LAST_FLAG_OPTION; }
bool IsMessageControl(int id) { return id >= opt::TraceMessages && id <= opt::WarningMessages; }
bool IsTextId(int id) { return id == opt::o || id == opt::h; }

MsgKind ControlledKind(int id) {
    if (id == opt::TraceMessages) return MsgKind::TRACE;
    if (id == opt::InformMessages) return MsgKind::INFORM;
    return MsgKind::WARNING;
}

void ApplyMessageControl(int id, int32_t number, bool enable) {
    if (!IsControllableMessage(id, number)) return;
    const MsgKind kind = ControlledKind(id);
    for (int n = 1; n <= MAX_MESSAGE; ++n) {
        if (number != 0 && n != number) continue;
        MessageEntry& e = Message(n);
        if (static_cast<MsgKind>(e.flags & MSG_KIND_MASK) != kind) continue;
        if (enable) e.flags &= ~MSG_DISABLED;
        else e.flags |= MSG_DISABLED;
    }
}

void ApplyRecord(const OptionChange& c) {
    if (IsTextId(c.id)) ApplyOption(c.id, c.hasText ? c.text.c_str() : nullptr);
    else ApplyOption(c.id, c.value, c.value2);
}

void StartupDefaults() {
    std::vector<const OptionInfo*> order;
    for (const OptionInfo& o : OPTION_TABLE)
        if (o.startup > 0) order.push_back(&o);
    std::sort(order.begin(), order.end(),
              [](const OptionInfo* a, const OptionInfo* b) { return a->startup < b->startup; });
    for (const OptionInfo* o : order) {
        if (o->form == OptionForm::FLAG) SetOption(o->id, 0, o->startValue);
        else if (o->form == OptionForm::TEXT) SetOption(o->id, nullptr);
        else SetOption(o->id, o->startValue, 0);
    }
}

// Index of the newest record of `id` before `end` (and with message `number` when
// number >= 0), or -1.
long NewestRecord(int id, long end, int32_t number = -1) {
    for (long k = end - 1; k >= 0; --k)
        if (gHistory[k].id == id && (number < 0 || gHistory[k].value == number)) return k;
    return -1;
}

void ResetOutOfOrder() { ReportMessage(msg::ResetOutOfOrder, nullptr); }

void ResetMessageControl(int id, int32_t number) {
    const long size = static_cast<long>(gHistory.size());
    const long found = NewestRecord(id, size, number);
    if (found < 0 || NewestRecord(id, size) != found || NewestRecord(id, found, 0) < 0) {
        ResetOutOfOrder();
        return;
    }
    gHistory.erase(gHistory.begin() + found);
    // Rebuild the message bits from the newest "all messages" record on.
    const long remaining = static_cast<long>(gHistory.size());
    for (long k = NewestRecord(id, remaining, 0); k < remaining; ++k)
        if (gHistory[k].id == id) ApplyRecord(gHistory[k]);
}

void ResetValue(int id) {
    const long found = NewestRecord(id, static_cast<long>(gHistory.size()));
    if (found < 0 || NewestRecord(id, found) < 0) {
        ResetOutOfOrder();
        return;
    }
    if (id == opt::E) {
        const int32_t value = gHistory[found].value2;
        for (long k = static_cast<long>(gHistory.size()) - 1; k > found; --k) {
            const OptionChange& c = gHistory[k];
            const bool undone = std::find(std::begin(UNDONE_WITH_E), std::end(UNDONE_WITH_E),
                                          c.id) != std::end(UNDONE_WITH_E);
            if (undone && c.value2 == value) gHistory.erase(gHistory.begin() + k);
        }
    }
    gHistory.erase(gHistory.begin() + found);
    const OptionChange previous = gHistory[NewestRecord(id, static_cast<long>(gHistory.size()))];
    ApplyRecord(previous);
}

}  // namespace

std::span<const OptionInfo> OptionTable() { return OPTION_TABLE; }

void InitOptions() {
    gStore = OptionStore{};
    std::fill(std::begin(options_internal::gFlagOn), std::end(options_internal::gFlagOn), false);
    gHistory.clear();
    StartupDefaults();
}

void SetOption(int id, int32_t value, int32_t value2) {
    gHistory.push_back({id, value, value2, {}, false});
    ApplyOption(id, value, value2);
}

void SetOption(int id, const char* text) {
    const bool hasText = text && *text;
    gHistory.push_back({id, 0, 0, hasText ? text : "", hasText});
    ApplyOption(id, text);
}

void SetFlag(int id, bool on) { SetOption(id, 0, on ? 1 : 0); }

void ApplyOption(int id, int32_t value, int32_t value2) {
    if (IsFlagId(id)) {
        if (id == opt::E)
            for (int e : EXTENSION_FLAGS) SetOption(e, 0, value2);
        if (id == opt::zdm) SetAllocMode(value2 ? ALLOC_DEBUG : 0);
        gStore.flags[id] = value2 != 0;
        options_internal::gFlagOn[id] = value2 != 0;
        return;
    }
    if (IsMessageControl(id)) {
        ApplyMessageControl(id, value, value2 != 0);
        return;
    }
    switch (id) {
    case opt::a: gStore.alignment = value; return;
    case opt::zbsm: gStore.setMax = value; return;
    case opt::S:
        TPC_CHECK(value > 0);
        if (value <= 0) return;
        gStore.stackBytes = static_cast<uint32_t>(value) * 1024u;
        return;
    case opt::zml: return;   // an action of the command line, nothing to store
    case opt::me: gStore.maxErrors = value; return;
    case opt::mw: gStore.maxWarnings = value; return;
    default: InternalError("option id is valid", __FILE__, __LINE__);
    }
}

void ApplyOption(int id, const char* text) {
    if (id == opt::o) {
        gStore.hasOutput = text && *text;
        gStore.output = gStore.hasOutput ? text : "";
    } else if (id == opt::h) {
        const size_t length = text ? std::strlen(text) : 0;
        if (length <= MAX_NAME_LENGTH) gStore.header = text ? text : "";
    } else {
        InternalError("option id takes a text", __FILE__, __LINE__);
    }
}

void ResetOption(int id, int32_t number) {
    if (IsMessageControl(id)) ResetMessageControl(id, number);
    else ResetValue(id);
}

bool IsControllableMessage(int id, int32_t number) {
    if (!IsMessageControl(id)) return false;
    if (number == 0) return true;
    if (number < 1 || number > MAX_MESSAGE) return false;
    return KindOf(number) == ControlledKind(id);
}

int32_t GetOption(int id) {
    if (IsFlagId(id)) return gStore.flags[id] ? 1 : 0;
    switch (id) {
    case opt::a: return gStore.alignment;
    case opt::zbsm: return gStore.setMax;
    case opt::S: return static_cast<int32_t>(gStore.stackBytes);
    case opt::me: return gStore.maxErrors;
    case opt::mw: return gStore.maxWarnings;
    default: InternalError("option id has a number", __FILE__, __LINE__); return 0;
    }
}

const char* GetOptionText(int id) {
    if (id == opt::o) return gStore.hasOutput ? gStore.output.c_str() : nullptr;
    if (id == opt::h) return gStore.header.c_str();
    InternalError("option id has a text", __FILE__, __LINE__);
    return nullptr;
}

namespace options_internal {
bool gFlagOn[LAST_FLAG_OPTION + 1];

bool BadFlagId(int) {
    InternalError("IS_FLAG_OPTION(id)", __FILE__, __LINE__);
    return false;
}
}  // namespace options_internal

const std::vector<OptionChange>& OptionHistory() { return gHistory; }


// --- Directives ------------------------------------------------------------------

namespace {

struct DirectiveLetter {
    char letter;
    int id;
};
constexpr DirectiveLetter DIRECTIVE_TABLE[] = {
    {'B', opt::sc}, {'I', opt::i}, {'P', opt::p}, {'R', opt::r},
    {'S', opt::s},  {'U', opt::u}, {'V', opt::v}, {'W', opt::W},
};

DirectiveResult Invalid() {
    ReportMessage(msg::InvalidDirective, nullptr);
    return DIRECTIVE_INVALID;
}

// "{$Wn+}", "{$Wn-}", "{$Wn.}": one warning; "{$W+}", "{$W-}": every warning.
DirectiveResult WarningDirective(const char* p) {
    int32_t number = 0;
    const bool numbered = std::isdigit(static_cast<unsigned char>(*p));
    if (numbered) {
        char* end;
        const long n = std::strtol(p, &end, 10);
        number = n > MAX_MESSAGE ? MAX_MESSAGE + 1 : static_cast<int32_t>(n);
        p = end;
    }
    switch (*p) {
    case '+': SetOption(opt::WarningMessages, number, 1); return DIRECTIVE_APPLIED;
    case '-': SetOption(opt::WarningMessages, number, 0); return DIRECTIVE_APPLIED;
    case '.':
        if (!numbered) return Invalid();
        ResetOption(opt::WarningMessages, number);
        return DIRECTIVE_APPLIED;
    default: return Invalid();
    }
}

}  // namespace

DirectiveResult ApplyDirective(const char* text) {
    if (!text || !*text) return Invalid();
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    const DirectiveLetter* d =
        std::find_if(std::begin(DIRECTIVE_TABLE), std::end(DIRECTIVE_TABLE),
                     [letter](const DirectiveLetter& e) { return e.letter == letter; });
    if (d == std::end(DIRECTIVE_TABLE)) return Invalid();
    const char* p = text + 1;
    if (d->id == opt::W) return WarningDirective(p);
    switch (*p) {
    case '+': SetFlag(d->id, true); return DIRECTIVE_APPLIED;
    case '-': SetFlag(d->id, false); return DIRECTIVE_APPLIED;
    case '.': ResetOption(d->id); return DIRECTIVE_APPLIED;
    default:
        if (d->letter == 'I' && !std::isdigit(static_cast<unsigned char>(*p)))
            return DIRECTIVE_INCLUDE;
        return Invalid();
    }
}

}  // namespace tarn::tpc

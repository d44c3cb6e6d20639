// libFuzzer target: the whole front end (lexer, identifiers, parser, finishing) on
// arbitrary source text. The first byte picks option switches, so that the extensions
// and their absence are both explored; the rest is the source file. A sanitizer report,
// a crash, a hang or an internal compiler error is a failure.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "compiler/writer/image.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/idtable.h"
#include "compiler/front/predefined.h"
#include "compiler/front/lexer.h"
#include "compiler/front/parser.h"

using namespace tarn::tpc;

namespace {

// Messages are not printed; an internal compiler error is a bug the fuzzer must report.
void Quiet(MsgKind, int number, const char*, uint32_t, int32_t, const char* text, const Position*) {
    if (number == msg::InternalCompilerError) {
        std::fprintf(stderr, "%s\n", text);
        std::abort();
    }
}

const std::string& SourcePath() {
    static const std::string path = "/tmp/tarn_fuzz_front_" + std::to_string(getpid()) + ".pas";
    return path;
}

// Options the first byte switches off (bit set) or, for p and C, on.
constexpr struct {
    int id;
    bool onWhenSet;
} kSwitches[] = {
    {opt::nu, false}, {opt::erd, false}, {opt::ety, false}, {opt::eop, false},
    {opt::eow, false}, {opt::E, false},  {opt::p, true},    {opt::enn, false},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FILE* f = std::fopen(SourcePath().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    SetAllocMode(0);
    InitOptions();
    for (unsigned bit = 0; bit < 8; bit++)
        if (data[0] & (1u << bit)) SetFlag(kSwitches[bit].id, kSwitches[bit].onWhenSet);
    InitMessages();
    InitOutputState();   // the lexer and the model hand data to the writer
    SetMessagePrinter(Quiet);
    SetCompiling(true);
    try {
        InitLexer();
        ClearIdentifierTable();
        PushFile(SourcePath().c_str());
        OpenOuterScope();
        InitParser();
        GetToken();
        ParseProgram();
        CloseOuterScope();
    } catch (const FatalStop&) {
    }
    CloseSourceFiles();
    SetCompiling(false);
    InitOutputState();   // drops the writer's buffers before their blocks go
    ReleaseAll();
    return 0;
}

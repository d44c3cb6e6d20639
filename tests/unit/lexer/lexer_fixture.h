// A fresh compilation state for every lexer test: options and messages at their start-up
// values, messages captured instead of printed, a scratch directory for source files, an
// empty identifier table with the reserved words marked, and the lexer initialised.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "compiler/writer/image.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/idtable.h"
#include "compiler/front/lexer.h"

namespace tarn::tpc::test {

struct Reported {
    MsgKind kind;
    int number;
    std::string file;   // as the message would name it ("" when none)
    uint32_t line;
    int32_t col;
    std::string text;   // fully formatted
};

inline std::vector<Reported>& Captured() {
    static std::vector<Reported> messages;
    return messages;
}

inline void CapturePrinter(MsgKind kind, int number, const char* file, uint32_t line, int32_t col,
                           const char* text, const Position*) {
    Captured().push_back({kind, number, file ? file : "", line, col, text});
}

// One scanned token as a test compares it.
struct Scanned {
    TokenKind kind;
    std::string text;     // the source characters
    std::string file;
    uint32_t line;
    int32_t col;
};

class LexerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Captured().clear();
        SetAllocMode(0);
        InitOptions();
        InitMessages();
        InitOutputState();   // the lexer and the model hand data to the writer
        SetMessagePrinter(CapturePrinter);
        SetCompiling(true);   // FATAL messages throw FatalStop instead of ending the process
        char pattern[] = "/tmp/tarn-lexer-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        // Relative names resolve against the working directory, as for a user in a shell.
        oldDir_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        InitLexer();
        ClearIdentifierTable();
        // What the identifier module does when it installs the reserved words.
        for (int kind = ANDtok; kind <= XORtok; ++kind)
            MarkReserved(Intern(KEYWORDS[kind - ANDtok]), kind);
    }

    void TearDown() override {
        CloseSourceFiles();
        SetIncludeBaseDir("");
        SetCompiling(false);
        InitOutputState();   // drops the writer's buffers before their blocks go
        ReleaseAll();
        std::filesystem::current_path(oldDir_);
        std::filesystem::remove_all(dir_);
    }

    // A fresh state for the next case of a table-driven test.
    void Reset() {
        TearDown();
        SetUp();
    }

    // Writes a file below the scratch directory (creating directories) and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) {
        std::filesystem::path path = std::filesystem::path(dir_) / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    // Writes `source` as `name` in the scratch directory (the working directory) and
    // opens it by that relative name as the main file.
    void Open(const std::string& source, const std::string& name = "main.pas") {
        Write(name, source);
        ASSERT_EQ(PushFile(name.c_str()), 1);
    }

    static Scanned Current() {
        char text[MAX_LINE + 2];
        TokenText(*CurrToken, text, sizeof text);
        Position p = CurrentPosition();
        std::string file = p.filename ? p.filename : "";
        return {CurrToken->kind, text, file, p.line, p.col};
    }

    // Every token up to and including EOFtok.
    static std::vector<Scanned> ScanAll() {
        std::vector<Scanned> out;
        for (int guard = 0; guard < 100000; ++guard) {
            GetToken();
            out.push_back(Current());
            if (CurrToken->kind == EOFtok) break;
        }
        return out;
    }

    static std::vector<TokenKind> Kinds(const std::vector<Scanned>& tokens) {
        std::vector<TokenKind> kinds;
        for (const auto& t : tokens) kinds.push_back(t.kind);
        return kinds;
    }

    static std::vector<int> Numbers() {
        std::vector<int> numbers;
        for (const auto& m : Captured()) numbers.push_back(m.number);
        return numbers;
    }

    // The file name proper below the scratch directory.
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_;
    std::filesystem::path oldDir_;
};

}  // namespace tarn::tpc::test

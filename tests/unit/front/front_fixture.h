// A fresh compilation state for every front-end test: options and messages at their
// start-up values (changed through Option before Start), messages captured, an empty
// identifier table, and the outer scope with the reserved words and predefined names.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/writer/image.h"
#include "compiler/base/alloc.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "compiler/front/binding.h"
#include "compiler/front/records.h"
#include "compiler/front/case_values.h"
#include "compiler/front/check_expr.h"
#include "compiler/front/layout.h"
#include "compiler/front/types.h"
#include "compiler/front/idtable.h"
#include "compiler/front/predefined.h"
#include "compiler/front/lexer.h"

namespace tarn::tpc::test {

struct Said {
    MsgKind kind;
    int number;
    std::string text;
};

inline std::vector<Said>& Heard() {
    static std::vector<Said> messages;
    return messages;
}

inline void Listen(MsgKind kind, int number, const char*, uint32_t, int32_t, const char* text, const Position*) {
    if (kind != MsgKind::TRACE) Heard().push_back({kind, number, text});
}

class FrontTest : public ::testing::Test {
protected:
    void SetUp() override {
        Heard().clear();
        SetAllocMode(0);
        InitOptions();
        InitMessages();
        InitOutputState();   // the lexer and the model hand data to the writer
        SetMessagePrinter(Listen);
        SetCompiling(true);  // FATAL throws FatalStop instead of ending the process
    }
    void TearDown() override {
        SetCompiling(false);
        InitOutputState();   // drops the writer's buffers before their blocks go
        ReleaseAll();
    }
    // Outer scope installed under the options set so far.
    void Start() {
        ClearIdentifierTable();
        OpenOuterScope();
        Heard().clear();
    }
    static void Option(int id, bool on) { SetFlag(id, on); }
    static Identifier* Id(const char* name) { return Intern(name); }
    // Each message heard so far, as "number: text".
    static std::vector<std::string> Messages() {
        std::vector<std::string> out;
        for (const Said& s : Heard()) out.push_back(std::to_string(s.number) + ": " + s.text);
        return out;
    }
    static int Count(int number) {
        int n = 0;
        for (const Said& s : Heard()) n += s.number == number;
        return n;
    }
    // Leaves the outer scope's state; a line for every message makes failures readable.
    static std::string All() {
        std::string s;
        for (const std::string& m : Messages()) s += m + "\n";
        return s;
    }
    // A finished subrange lo..hi built from integer constants.
    static Type* Range(int32_t lo, int32_t hi) {
        Type* t = CreateSubrangeType(CreateIntegerConstant(lo), CreateIntegerConstant(hi));
        FinishType(t);
        return t;
    }
    static Variable* FieldVar(const char* name, Type* t) { return CreateVariable(Intern(name), t); }
    static Type* Record(std::initializer_list<Variable*> fields, VariantPart* vp = nullptr) {
        List* rsl = ListCreate();
        for (Variable* f : fields) ListAppend(rsl, f);
        return CreateRecordType(CreateFieldList(rsl, vp));
    }
    static Variant* VariantOf(std::initializer_list<Constant*> labels, std::initializer_list<Variable*> fields) {
        List* cl = ListCreate();
        for (Constant* c : labels) ListAppend(cl, CreateCaseRange(c, nullptr));
        List* rsl = ListCreate();
        for (Variable* f : fields) ListAppend(rsl, f);
        return CreateVariant(cl, CreateFieldList(rsl, nullptr));
    }
    static Constant* BoolConst(bool v) { return CreateEnumConstant(v ? 1 : 0, BoolT); }
};

}  // namespace tarn::tpc::test

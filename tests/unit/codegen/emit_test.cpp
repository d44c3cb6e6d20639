// The instruction emitters: layout of every operand shape in byte and word opcode mode,
// and the internal error when a caller picks the wrong shape.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "compiler/codegen/emit.h"
#include "compiler/writer/image.h"
#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "harness.h"

namespace tarn::tpc::test {
namespace {

using vm::Op;

class EmitTest : public CompilerTest {
protected:
    // The code emitted so far, read back through an image written to the scratch dir.
    std::vector<uint8_t> Code() {
        OpenOutput((dir / "e.tvm").c_str(), "");
        WriteImage();
        ParsedImage img = ParseImage(ReadFileBytes(dir / "e.tvm"));
        EXPECT_TRUE(img.ok) << img.error;
        return img.Concatenated(vm::REC_CODE);
    }
};

std::vector<uint8_t> Opcode(Op op, bool words) {
    auto b = static_cast<uint8_t>(op);
    return words ? std::vector<uint8_t>{b, 0, 0, 0} : std::vector<uint8_t>{b};
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(EmitTest, EveryShapeIsTheOpcodeThenLittleEndianOperands) {
    for (bool words : {false, true}) {
        InitOutputState();
        SetFlag(opt::zw, words);
        const uint32_t w = words ? 4 : 1;
        EXPECT_EQ(OpcodeWidth(), w);
        EXPECT_EQ(EmitOp(Op::ADD), 0u);
        uint32_t pushi = EmitOpWord(Op::PUSHI, 0x12345678);
        EXPECT_EQ(pushi, w);
        EXPECT_EQ(OperandPosition(pushi), 2 * w);
        EXPECT_EQ(EmitOpWords(Op::CHKRNG, 0xFFFFFFFF, 7), 2 * w + 4);
        EXPECT_EQ(EmitOpReal(Op::PUSHR, -2.5), 3 * w + 12);
        EXPECT_EQ(GetCodeSize(), 4 * w + 20);

        std::vector<uint8_t> real(8);
        const double value = -2.5;
        std::memcpy(real.data(), &value, 8);  // the host is little-endian, like the image
        std::vector<uint8_t> expected = Opcode(Op::ADD, words) + Opcode(Op::PUSHI, words) +
                                        std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12} +
                                        Opcode(Op::CHKRNG, words) +
                                        std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0} +
                                        Opcode(Op::PUSHR, words) + real;
        EXPECT_EQ(Code(), expected) << (words ? "word opcodes" : "byte opcodes");
    }
}

TEST_F(EmitTest, WrongOperandShapeIsAnInternalError) {
    struct Case {
        const char* name;
        std::function<void()> emit;
    } cases[] = {
        {"PUSHI without its word", [] { EmitOp(Op::PUSHI); }},
        {"ADD with a word", [] { EmitOpWord(Op::ADD, 1); }},
        {"PUSHI with two words", [] { EmitOpWords(Op::PUSHI, 1, 2); }},
        {"CHKRNG with one word", [] { EmitOpWord(Op::CHKRNG, 1); }},
        {"JMP with a real", [] { EmitOpReal(Op::JMP, 1.0); }},
        {"PUSHR with a word", [] { EmitOpWord(Op::PUSHR, 1); }},
        {"undefined opcode 0x41", [] { EmitOp(static_cast<Op>(0x41)); }},
        {"undefined opcode 0xFF", [] { EmitOp(static_cast<Op>(0xFF)); }},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(c.emit(), FatalStop) << c.name;
        EXPECT_TRUE(Issued(msg::InternalCompilerError)) << c.name;
        EXPECT_EQ(GetCodeSize(), 0u) << c.name << " must emit nothing";
    }
}

TEST_F(EmitTest, NothingIsEmittedOnceCodeGenerationIsOff) {
    EmitOp(Op::NOP);
    SetGenerateCode(false);
    EXPECT_EQ(EmitOpWord(Op::PUSHI, 5), 1u);
    EmitOp(Op::ADD);
    EXPECT_EQ(GetCodeSize(), 1u);
}

}  // namespace
}  // namespace tarn::tpc::test

// The planner of set sequences (runtime/setsequence.h): which runs of instructions the
// native tier computes on bits, and how few steps they become. The results themselves are
// checked by the program tests (tests/programs/engine/native_sets_*), which run under both
// tiers; a planner that took nothing would still pass those, only slowly, so the plans of
// the code generator's usual sequences are pinned here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/setsequence.h"
#include "vm/opcodes.h"

namespace tarn::rt {
namespace {

using vm::Op;

struct Code {
    std::vector<SetSequenceInst> insts;
    Code& operator()(Op op, uint32_t a = 0, uint32_t b = 0) {
        insts.push_back({static_cast<uint32_t>(insts.size()), static_cast<uint32_t>(op), a, b});
        return *this;
    }
    // PUSHI address; PUSH0; PUSHI n; MBITS2LST: a bit set variable loaded as a list.
    Code& Load(uint32_t address, uint32_t n) { return (*this)(Op::PUSHI, address)(Op::PUSH0)(Op::PUSHI, n)(Op::MBITS2LST); }
    // One member pushed by what comes before: DUP; PUSH0; PUSHI hi; SETRNG 3; SETADD 3.
    Code& Member(uint32_t hi) { return (*this)(Op::DUP)(Op::PUSH0)(Op::PUSHI, hi)(Op::SETRNG, 3)(Op::SETADD, 3); }
};

TEST(SetSequence, AnAssignmentOfAConstructorIsOneConstantMapAStoreAndTheMember) {
    // letters := ['a'..'z'] - [c]
    Code c;
    c(Op::PUSHI, 24)(Op::PUSH0)(Op::PUSHI, 97)(Op::PUSHI, 122)(Op::PUSHI, 97)(Op::PUSHI, 122)(Op::SETRNG, 3)(Op::SETADD, 3);
    c(Op::PUSH0)(Op::PUSHI, 123)(Op::LOADB).Member(255)(Op::SETDIFF, 3)(Op::PUSH0)(Op::PUSHI, 256)(Op::LST2MBITS);
    c(Op::PUSHI, 88);  // the next statement is not taken in
    auto seq = PlanSetSequence(c.insts);
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->length, c.insts.size() - 1);
    EXPECT_EQ(seq->entryWords, 0u);
    // the constant range, the loaded byte, its copy, the range of one member, the difference
    // and the store: the empty lists, the unions with them and every constant operand folded
    EXPECT_EQ(seq->steps.size(), 6u);
}

TEST(SetSequence, AConstantConstructorIsOneMapHoweverLong) {
    // c in ['a', 'e', ..., 'Y']: twelve members, six instructions each
    Code c;
    c(Op::PUSHI, 123)(Op::LOADB)(Op::PUSH0);
    for (char ch : std::string("aeiouyAEIOUY")) c(Op::PUSHI, static_cast<uint32_t>(ch)).Member(255);
    c(Op::SETIN, 3)(Op::JZ, 0);
    auto seq = PlanSetSequence(c.insts);
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->length, c.insts.size() - 1);
    EXPECT_EQ(seq->steps.size(), 3u);  // the loaded byte, the map, the test
}

TEST(SetSequence, AMembershipTestReadsItsElementFromBeforeTheSequence) {
    // v on the stack already; then x in s, and the JZ after it is not taken in
    Code c;
    c.Load(88, 256)(Op::SETIN, 3)(Op::JZ, 100);
    auto seq = PlanSetSequence(c.insts);
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->length, 5u);
    EXPECT_EQ(seq->entryWords, 1u);
    EXPECT_EQ(seq->steps.size(), 2u);  // the bits from address 88, the test
    // what the separate instructions could need below SP: three words, then a full list
    EXPECT_EQ(seq->room, 4u + 4u * 256u);
}

TEST(SetSequence, EndsWhereNoSetIsLeftOnTheStack) {
    // s1 * s2 = s3, then a set left on the stack for an instruction that is not taken in
    Code c;
    c.Load(24, 256).Load(56, 256)(Op::SETMUL, 3).Load(88, 256)(Op::SETEQ, 3).Load(24, 256)(Op::LOADV, 3);
    auto seq = PlanSetSequence(c.insts);
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->length, 14u);
}

TEST(SetSequence, IntegerArithmeticAndChecksBetweenSetInstructionsAreTakenIn) {
    // b := b + [ord(k) + 1] with k a local: PUSHFP; SUBI; LOADW; CHKUW; PUSH1; ADD
    Code c;
    c(Op::PUSHI, 24).Load(24, 256)(Op::PUSH0)(Op::PUSHFP)(Op::SUBI, 84)(Op::LOADW)(Op::CHKUW)(Op::PUSH1)(Op::ADD);
    c(Op::DUP)(Op::PUSHI, 0x80000000u)(Op::PUSHI, 0x7FFFFFFFu)(Op::SETRNG, 3)(Op::SETADD, 3)(Op::SETADD, 3);
    c(Op::PUSH0)(Op::PUSHI, 256)(Op::LST2MBITS);
    auto seq = PlanSetSequence(c.insts);
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->length, c.insts.size());
}

TEST(SetSequence, ListsFromBeforeTheSequenceAreReadToo) {
    // s := s + [f(x)]: after the call, the address, the list of s and the empty list of the
    // constructor lie below the member
    Code c;
    c.Member(255)(Op::SETADD, 3)(Op::PUSH0)(Op::PUSHI, 256)(Op::LST2MBITS);
    auto seq = PlanSetSequence(c.insts);
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->length, c.insts.size());
    EXPECT_EQ(seq->entry, (std::vector<uint8_t>{0, 1, 1, 0}));
    EXPECT_EQ(seq->entryWords, 2u);
    EXPECT_EQ(seq->entrySets, 2u);
}

TEST(SetSequence, NothingIsPlannedWithoutASetInstructionOrWhereItsFormIsUnusual) {
    Code words;
    words(Op::PUSHI, 4)(Op::PUSHI, 5)(Op::ADD)(Op::PUSHI, 8)(Op::STOREW);
    EXPECT_EQ(PlanSetSequence(words.insts), nullptr);

    Code bitSets;  // sets on the stack as bits (kind 0) are not taken
    bitSets(Op::PUSHI, 2)(Op::PUSHI, 1)(Op::PUSHI, 3)(Op::PUSHI, 0)(Op::PUSHI, 255)(Op::SETRNG, 0)(Op::SETIN, 0);
    EXPECT_EQ(PlanSetSequence(bitSets.insts), nullptr);

    Code variableSize;  // the size of the bit set is not a constant
    variableSize(Op::PUSHI, 5)(Op::PUSHI, 88)(Op::PUSH0)(Op::PUSHI, 20)(Op::LOADW)(Op::MBITS2LST)(Op::SETIN, 3);
    EXPECT_EQ(PlanSetSequence(variableSize.insts), nullptr);

    Code tooBig;  // more bits than a list can hold
    tooBig(Op::PUSHI, 5).Load(88, 512)(Op::SETIN, 3);
    EXPECT_EQ(PlanSetSequence(tooBig.insts), nullptr);

    Code negative;  // a constant member below 0 has no bit: left to SETRNG
    negative(Op::PUSHI, 5)(Op::PUSHI, static_cast<uint32_t>(-3))(Op::PUSHI, 3)(Op::PUSHI, static_cast<uint32_t>(-10))
        (Op::PUSHI, 10)(Op::SETRNG, 3)(Op::SETIN, 3);
    EXPECT_EQ(PlanSetSequence(negative.insts), nullptr);

    Code dupOfList;  // DUP of a list's count word
    dupOfList.Load(88, 256)(Op::DUP)(Op::POP)(Op::SETIN, 3);
    EXPECT_EQ(PlanSetSequence(dupOfList.insts), nullptr);
}

TEST(SetSequence, TheStoreEndsTheSequence) {
    // two assignments in a row: the second one's loads must see the first one's store
    Code c;
    c(Op::PUSHI, 24).Load(56, 256)(Op::PUSH0)(Op::PUSHI, 256)(Op::LST2MBITS);
    c(Op::PUSHI, 88).Load(24, 256)(Op::PUSH0)(Op::PUSHI, 256)(Op::LST2MBITS);
    auto seq = PlanSetSequence(c.insts);
    ASSERT_NE(seq, nullptr);
    EXPECT_EQ(seq->length, 8u);
}

}  // namespace
}  // namespace tarn::rt

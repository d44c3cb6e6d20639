// Set expressions computed on bits, for the native tier.
//
// The code generator keeps set variables as bit sets in memory but computes with list sets:
// every use loads the bits as a list (PUSHI a; PUSH0; PUSHI n; MBITS2LST), every
// constructor builds a list member by member (PUSH0; x; DUP; PUSH0; PUSHI 255; SETRNG 3;
// SETADD 3), and every assignment turns the list back into bits (PUSH0; PUSHI n;
// LST2MBITS). A set sequence is a run of such instructions, and of the simple word
// instructions that compute members and addresses between them, taken as one: the sets in
// it are kept as 256-bit maps instead of lists.
//
// The planner (PlanSetSequence) reads the instructions at translation time and turns them
// into a short list of steps; RunSetSequence runs the steps against the VM state. A run
// either completes the whole sequence, with exactly the memory and the stack words at and
// above SP that the separate instructions leave, or changes nothing and says so: anything
// the steps do not take as ordinary (a member outside 0..255, an undefined set or word, a
// failing check, too little stack, an address outside VM memory) makes it return false,
// and the caller runs the separate instructions from the first, which then report the
// error or handle the case themselves.
//
// What the steps leave out are the lists the separate instructions build below the final
// SP. Nothing reads those words: the code generator writes every stack word before reading
// it (pushes, ALLOC's fill of a frame), and a run-time error ends the run.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/interp.h"

namespace tarn::rt {

// One instruction as the planner reads it (operands already decoded).
struct SetSequenceInst {
    uint32_t pc;
    uint32_t op;
    uint32_t a, b;
};

enum class SetStepKind : uint8_t;

struct SetStep {
    SetStepKind kind;
    uint32_t a = 0, b = 0, c = 0;
    uint64_t bits[4] = {0, 0, 0, 0};  // a constant set
};

struct SetSequence {
    uint32_t length = 0;      // instructions taken in
    // The items from before the sequence that it reads, from SP up: 0 a word, 1 a list set.
    std::vector<uint8_t> entry;
    uint32_t entryWords = 0, entrySets = 0;
    uint32_t room = 0;        // bytes of stack below SP the separate instructions may use
    std::vector<SetStep> steps;
};

// Whether a set sequence may hold the opcode at all: a cheap test before planning, and
// where the translator stops reading on.
bool SetSequenceMayTake(uint32_t op);

// The longest set sequence that starts at insts[0] and ends where no set is left on the
// stack, or nullptr when there is none worth taking. insts holds the instructions that may
// be taken in: no jump lands on any of them but the first.
std::unique_ptr<SetSequence> PlanSetSequence(const std::vector<SetSequenceInst>& insts);

// Runs a planned sequence with vm.sp as SP. Returns 1 when it has done the sequence's whole
// work (vm.sp is set to the SP after it), 0 when it has changed nothing.
uint32_t RunSetSequence(VmState& vm, const SetSequence& seq);

}  // namespace tarn::rt

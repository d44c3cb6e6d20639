// Set values on the VM stack and the set instructions.
//
// Two representations, chosen by the instruction's kind operand:
//   kind 0, bit set:  the payload's bit v (byte v div 8, mask 1 shl (v mod 8)) is member v;
//                     the count word is the payload size in bytes; count 0 is the empty set
//                     of any type.
//   kind 3, list set: the payload is the members as 32-bit words, each once, unordered; the
//                     count word is 4 x members; at most 256 members.
// Other kinds stop the run with "Instruction not yet implemented".
#pragma once

#include <cstdint>

#include "runtime/engine.h"

namespace tarn::rt {

inline constexpr uint32_t kBitSet = 0;
inline constexpr uint32_t kListSet = 3;
inline constexpr uint32_t kMaxListMembers = 256;

enum class SetOp : uint8_t { Union, Intersection, Difference };
enum class SetRelation : uint8_t { Equal, Contains, ContainedIn };

void SetRange(Regs& regs, uint32_t kind);                  // SETRNG
void SetBinary(Regs& regs, uint32_t kind, SetOp op);       // SETADD, SETMUL, SETDIFF
void SetIn(Regs& regs, uint32_t kind);                     // SETIN
void SetCompare(Regs& regs, uint32_t kind, SetRelation r); // SETEQ, SETGE, SETLE
void SetCheckRange(Regs& regs, uint32_t kind, int32_t lo, int32_t hi);  // CHKSETR
void SetCheckStack(Regs& regs, uint32_t kind);             // CHKSETS
void SetNop(uint32_t kind);                                // SETNOP
void BitsToList(Regs& regs);                               // BITS2LST
void MemoryBitsToList(Regs& regs);                         // MBITS2LST
void ListToMemoryBits(Regs& regs);                         // LST2MBITS

}  // namespace tarn::rt

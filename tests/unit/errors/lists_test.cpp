// The internal list API shared by the error list and the list routines.
#include <numeric>

#include "runtime/lists.h"
#include "support.h"

namespace tarn::rt::test {
namespace {

using ListTest = RunFixture;

// The values of the list's elements, each element's first word.
std::vector<uint32_t> Values(uint32_t list) {
    std::vector<uint32_t> v;
    for (uint32_t i = 1; i <= ListLength(list); ++i) v.push_back(VmWord(ListElementAddress(list, i)));
    return v;
}

uint32_t AppendValue(uint32_t list, uint32_t value) {
    uint32_t a = AppendListElement(list);
    if (a) SetVmWord(a, value);
    return a;
}

TEST_F(ListTest, AppendAndIndexPackedAndUnpacked) {
    for (bool packed : {false, true}) {
        uint32_t list = NewList(4, packed);
        ASSERT_NE(list, 0u);
        EXPECT_EQ(ListLength(list), 0u);
        EXPECT_EQ(ListElementAddress(list, 1), 0u);
        for (uint32_t i = 1; i <= 10; ++i) ASSERT_NE(AppendValue(list, i * 10), 0u);
        EXPECT_EQ(Values(list), (std::vector<uint32_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
        EXPECT_EQ(ListElementAddress(list, 0), 0u);
        EXPECT_EQ(ListElementAddress(list, 11), 0u);
        EXPECT_TRUE(DisposeList(list));
    }
}

TEST_F(ListTest, NewElementsAreUndefined) {
    uint32_t list = NewList(6, true);
    uint32_t a = AppendListElement(list);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Mem()[a + i], 0xFF);
    EXPECT_TRUE(DisposeList(list));
}

TEST_F(ListTest, PackedElementsShareChunks) {
    uint32_t list = NewList(4, true);  // four to a chunk
    uint32_t a1 = AppendListElement(list), a2 = AppendListElement(list);
    EXPECT_EQ(a2, a1 + 4);
    uint32_t plain = NewList(4, false);
    uint32_t b1 = AppendListElement(plain), b2 = AppendListElement(plain);
    EXPECT_NE(b2, b1 + 4);
    EXPECT_TRUE(DisposeList(list));
    EXPECT_TRUE(DisposeList(plain));
}

TEST_F(ListTest, InsertAndDeleteKeepOrder) {
    for (bool packed : {false, true}) {
        uint32_t list = NewList(4, packed);
        for (uint32_t v : {1u, 2u, 3u, 4u, 5u, 6u}) AppendValue(list, v);
        SetVmWord(InsertListElement(list, 1), 100);  // front
        SetVmWord(InsertListElement(list, 4), 200);  // middle of a full chunk
        SetVmWord(InsertListElement(list, 9), 300);  // length + 1 appends
        EXPECT_EQ(Values(list), (std::vector<uint32_t>{100, 1, 2, 200, 3, 4, 5, 6, 300}));
        DeleteListElements(list, 2, 3);
        EXPECT_EQ(Values(list), (std::vector<uint32_t>{100, 3, 4, 5, 6, 300}));
        DeleteListElements(list, 1, 6);
        EXPECT_EQ(ListLength(list), 0u);
        AppendValue(list, 7);
        EXPECT_EQ(Values(list), (std::vector<uint32_t>{7}));
        EXPECT_TRUE(DisposeList(list));
    }
}

TEST_F(ListTest, ClearKeepsTheHeaderAndFreesTheChunks) {
    uint32_t list = NewList(100, false);
    for (int i = 0; i < 50; ++i) AppendListElement(list);
    ClearList(list);
    EXPECT_EQ(ListLength(list), 0u);
    AppendValue(list, 5);
    EXPECT_EQ(Values(list), (std::vector<uint32_t>{5}));
    EXPECT_TRUE(DisposeList(list));
}

TEST_F(ListTest, ACountThatTheChunksDoNotHoldIsCorrupt) {
    uint32_t list = NewList(4, false);
    AppendListElement(list);
    AppendListElement(list);
    SetVmWord(list, 5);  // the program overwrote the element count
    EXPECT_FALSE(DisposeList(list));
}

TEST_F(ListTest, AChunkCycleIsCorruptNotAnEndlessWalk) {
    uint32_t list = NewList(4, false);
    uint32_t a = AppendListElement(list);
    AppendListElement(list);
    uint32_t firstChunk = a - 8;
    SetVmWord(VmWord(firstChunk), firstChunk);  // second chunk points back to the first
    EXPECT_FALSE(DisposeList(list));
}

}  // namespace
}  // namespace tarn::rt::test

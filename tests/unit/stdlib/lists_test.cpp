// The list routines 66-72.
#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class Lists : public StdlibTest {
protected:
    void New(uint32_t size, bool packed) {
        PushWord(kList);
        PushWord(size);
        PushWord(packed ? 1 : 0);
        Call(Std::ListNew);
        ExpectEmptyStack();
    }
    uint32_t Append(uint32_t value) {
        PushWord(kList);
        Call(Std::ListAppend);
        uint32_t element = PopWord();
        ExpectEmptyStack();
        SetVmWord(element, value);
        return element;
    }
    uint32_t Insert(int32_t index, uint32_t value) {
        PushWord(kList);
        PushInt(index);
        Call(Std::ListInsert);
        uint32_t element = PopWord();
        ExpectEmptyStack();
        SetVmWord(element, value);
        return element;
    }
    uint32_t Element(int32_t index) {
        PushWord(kList);
        PushInt(index);
        Call(Std::ListElement);
        uint32_t element = PopWord();
        ExpectEmptyStack();
        return element;
    }
    uint32_t Length() {
        PushWord(kList);
        Call(Std::ListLength);
        uint32_t n = PopWord();
        ExpectEmptyStack();
        return n;
    }
    void Delete(int32_t index, int32_t count) {
        PushWord(kList);
        PushInt(index);
        PushInt(count);
        Call(Std::ListDelete);
        ExpectEmptyStack();
    }
    void Dispose() {
        PushWord(kList);
        Call(Std::ListDispose);
        ExpectEmptyStack();
    }
    std::vector<uint32_t> Values() {
        std::vector<uint32_t> v;
        for (uint32_t i = 1; i <= Length(); ++i) v.push_back(VmWord(Element(int32_t(i))));
        return v;
    }
    static constexpr uint32_t kList = 48;
};

TEST_F(Lists, AppendInsertDeleteKeepTheOrder) {
    for (bool packed : {false, true}) {
        New(4, packed);
        EXPECT_EQ(Length(), 0u);
        for (uint32_t v = 1; v <= 6; ++v) Append(v * 10);
        Insert(1, 5);
        Insert(4, 25);
        Insert(9, 99);  // length + 1 appends
        EXPECT_EQ(Values(), (std::vector<uint32_t>{5, 10, 20, 25, 30, 40, 50, 60, 99})) << packed;
        Delete(2, 3);
        EXPECT_EQ(Values(), (std::vector<uint32_t>{5, 30, 40, 50, 60, 99})) << packed;
        Delete(5, 0x7FFFFFFF);
        EXPECT_EQ(Values(), (std::vector<uint32_t>{5, 30, 40, 50})) << packed;
        Delete(1, 0);
        EXPECT_EQ(Length(), 4u);
        Dispose();
        EXPECT_EQ(VmWord(kList), kUndefinedWord);
    }
}

TEST_F(Lists, NewElementsAreUndefined) {
    New(12, false);
    PushWord(kList);
    Call(Std::ListAppend);
    uint32_t element = PopWord();
    for (uint32_t i = 0; i < 12; ++i) EXPECT_EQ(Mem()[element + i], 0xFF);
}

TEST_F(Lists, IndexErrors) {
    New(4, true);
    Append(1);
    Append(2);
    EXPECT_RUNTIME_ERROR(Element(0), "Invalid list index (too low)");
    EXPECT_RUNTIME_ERROR(Element(3), "Invalid list index (too high)");
    EXPECT_RUNTIME_ERROR(Insert(0, 1), "Invalid list index (too low)");
    EXPECT_RUNTIME_ERROR(Insert(4, 1), "Invalid list index (too high)");
    EXPECT_RUNTIME_ERROR(Delete(0, 1), "Invalid list index (too low)");
    EXPECT_RUNTIME_ERROR(Delete(3, 1), "Invalid list index (too high)");
    EXPECT_RUNTIME_ERROR(Delete(1, -1), "Invalid delete count (too low)");
}

TEST_F(Lists, UndefinedListErrors) {
    SetVmWord(kList, kUndefinedWord);
    EXPECT_RUNTIME_ERROR(Length(), "Accessing undefined list");
    EXPECT_RUNTIME_ERROR(Append(1), "Accessing undefined list");
    EXPECT_RUNTIME_ERROR(Element(1), "Accessing undefined list");
    EXPECT_RUNTIME_ERROR(Dispose(), "Disposing undefined list");
    New(4, false);
    Dispose();
    EXPECT_RUNTIME_ERROR(Dispose(), "Disposing undefined list");
}

TEST_F(Lists, ACopyOfADisposedListIsUndefined) {
    New(4, false);
    uint32_t header = VmWord(kList);
    Dispose();
    SetVmWord(kList, header);
    EXPECT_RUNTIME_ERROR(Length(), "Accessing undefined list");
    EXPECT_RUNTIME_ERROR(Dispose(), "Disposing undefined list");
}

TEST_F(Lists, CorruptCountIsReportedOnDispose) {
    New(4, false);
    Append(1);
    Append(2);
    uint32_t header = VmWord(kList);
    SetVmWord(header, 5);  // the element count no longer matches the chunks
    EXPECT_RUNTIME_ERROR(Element(4), "List over run");
    EXPECT_RUNTIME_ERROR(Dispose(), "List is corrupt");
}

}  // namespace
}  // namespace tarn::rt::test

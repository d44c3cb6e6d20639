// The block buffer: sizes, the moment a full tail block moves to the list, ranges across
// block boundaries, and the internal checks that catch misuse.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <vector>

#include "compiler/base/databuf.h"
#include "compiler/base/messages.h"
#include "harness.h"

namespace tarn::tpc::test {
namespace {

class DataBufferTest : public CompilerTest {
protected:
    void SetUp() override {
        CompilerTest::SetUp();
        p = DataBufferCreate();
        ASSERT_NE(p, nullptr);
    }
    void TearDown() override {
        if (p != nullptr) DataBufferFree(p);
        CompilerTest::TearDown();
    }
    // Appends the bytes 0, 1, 2, ... (mod 251, so that block contents differ) in pieces
    // of `piece` bytes; returns what was appended.
    std::vector<uint8_t> Fill(uint32_t n, uint32_t piece) {
        std::vector<uint8_t> bytes(n);
        for (uint32_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i % 251);
        for (uint32_t at = 0; at < n; at += piece)
            DataBufferAppend(p, bytes.data() + at, std::min(piece, n - at));
        return bytes;
    }
    std::vector<uint8_t> Read(uint32_t pos, uint32_t size) {
        std::vector<uint8_t> out(size, 0xEE);
        DataBufferRead(p, out.data(), pos, size);
        return out;
    }
    DataBuffer* p = nullptr;
};

TEST_F(DataBufferTest, FreshBufferIsEmpty) {
    EXPECT_EQ(DataBufferGetSize(p), 0u);
    EXPECT_EQ(p->iCount, 0);
    EXPECT_TRUE(p->blocks.empty());
}

TEST_F(DataBufferTest, SizeIsWhatWasAppendedForEveryLength) {
    uint8_t byte = 7;
    for (uint32_t n = 1; n <= 1000; ++n) {
        DataBufferAppend(p, &byte, 1);
        ASSERT_EQ(DataBufferGetSize(p), n);
    }
    // Larger appends that cross several blocks in one call.
    for (uint32_t piece : {199u, 200u, 201u, 650u}) {
        DataBuffer* q = DataBufferCreate();
        std::vector<uint8_t> bytes(piece, 1);
        DataBufferAppend(q, bytes.data(), piece);
        DataBufferAppend(q, bytes.data(), piece);
        EXPECT_EQ(DataBufferGetSize(q), 2 * piece) << "pieces of " << piece;
        DataBufferFree(q);
    }
}

TEST_F(DataBufferTest, FullTailStaysUntilTheNextAppendNeedsRoom) {
    Fill(DATA_BUFFER_SIZE, DATA_BUFFER_SIZE);
    EXPECT_EQ(p->iCount, DATA_BUFFER_SIZE);
    EXPECT_TRUE(p->blocks.empty());
    uint8_t one = 0x42;
    DataBufferAppend(p, &one, 1);
    EXPECT_EQ(p->iCount, 1);
    EXPECT_EQ(p->blocks.size(), 1u);
    EXPECT_EQ(DataBufferGetSize(p), 201u);
    EXPECT_EQ(Read(199, 2), (std::vector<uint8_t>{199 % 251, 0x42}));
}

TEST_F(DataBufferTest, ReadsBackEveryRangeWhateverThePieceSize) {
    for (uint32_t piece : {1u, 7u, 200u, 333u}) {
        DataBufferFree(p);
        p = DataBufferCreate();
        std::vector<uint8_t> bytes = Fill(1234, piece);
        for (uint32_t pos : {0u, 1u, 199u, 200u, 399u, 600u, 1033u, 1233u})
            for (uint32_t size : {1u, 2u, 200u, 201u, 601u}) {
                if (pos + size > bytes.size()) continue;
                ASSERT_EQ(Read(pos, size),
                          std::vector<uint8_t>(bytes.begin() + pos, bytes.begin() + pos + size))
                    << "pieces " << piece << ", range " << pos << "+" << size;
            }
    }
}

TEST_F(DataBufferTest, RangeFromLastListBlockIntoTheTail) {
    std::vector<uint8_t> bytes = Fill(450, 450);  // two list blocks, 50 bytes in the tail
    ASSERT_EQ(p->blocks.size(), 2u);
    EXPECT_EQ(Read(390, 20), std::vector<uint8_t>(bytes.begin() + 390, bytes.begin() + 410));
    uint8_t patch[20];
    std::iota(patch, patch + 20, 100);
    DataBufferWrite(p, patch, 390, 20);
    EXPECT_EQ(Read(390, 20), std::vector<uint8_t>(patch, patch + 20));
    EXPECT_EQ(Read(389, 1)[0], bytes[389]);
    EXPECT_EQ(Read(410, 1)[0], bytes[410]);
}

TEST_F(DataBufferTest, WordWrittenAcrossABlockBoundaryPatchesBothBlocks) {
    std::vector<uint8_t> bytes = Fill(300, 300);
    const uint8_t word[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    DataBufferWrite(p, word, 198, 4);
    EXPECT_EQ(p->blocks[0][198], 0xDE);
    EXPECT_EQ(p->blocks[0][199], 0xAD);
    EXPECT_EQ(p->tail[0], 0xBE);
    EXPECT_EQ(p->tail[1], 0xEF);
    EXPECT_EQ(Read(196, 8),
              (std::vector<uint8_t>{bytes[196], bytes[197], 0xDE, 0xAD, 0xBE, 0xEF, bytes[202], bytes[203]}));
    EXPECT_EQ(DataBufferGetSize(p), 300u);  // writing never grows the buffer
}

TEST_F(DataBufferTest, WriteSpanningManyListBlocks) {
    Fill(1000, 1000);
    std::vector<uint8_t> patch(650);
    for (size_t i = 0; i < patch.size(); ++i) patch[i] = static_cast<uint8_t>(255 - i % 256);
    DataBufferWrite(p, patch.data(), 150, 650);
    EXPECT_EQ(Read(150, 650), patch);
}

TEST_F(DataBufferTest, FreeSetsTheVariableToNull) {
    Fill(500, 500);
    DataBufferFree(p);
    EXPECT_EQ(p, nullptr);
}

// Misuse is a programming fault: message 33 naming the failed condition.
TEST_F(DataBufferTest, MisuseIsAnInternalError) {
    Fill(300, 300);
    uint8_t byte[8] = {};
    DataBuffer* none = nullptr;
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* condition;
    } cases[] = {
        {"append to null", [&] { DataBufferAppend(none, byte, 1); }, "p != NULL"},
        {"append null data", [&] { DataBufferAppend(p, nullptr, 1); }, "pData != NULL"},
        {"append nothing", [&] { DataBufferAppend(p, byte, 0); }, "size != 0"},
        {"read past the end", [&] { DataBufferRead(p, byte, 297, 4); }, "DataBufferGetSize(p)"},
        {"read far past the end", [&] { DataBufferRead(p, byte, 0xFFFFFFFE, 4); }, "DataBufferGetSize(p)"},
        {"write past the end", [&] { DataBufferWrite(p, byte, 300, 1); }, "DataBufferGetSize(p)"},
        {"read nothing", [&] { DataBufferRead(p, byte, 0, 0); }, "size != 0"},
        {"read into null", [&] { DataBufferRead(p, nullptr, 0, 1); }, "pDest != NULL"},
        {"write from null", [&] { DataBufferWrite(p, nullptr, 0, 1); }, "pSource != NULL"},
        {"size of null", [&] { DataBufferGetSize(none); }, "p != NULL"},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(c.call(), FatalStop) << c.name;
        std::string text = MessageText(msg::InternalCompilerError);
        EXPECT_NE(text.find(c.condition), std::string::npos)
            << c.name << ": " << text;
    }
    EXPECT_EQ(DataBufferGetSize(p), 300u);  // nothing was changed by the refused calls
}

TEST_F(DataBufferTest, CorruptTailCountIsCaught) {
    p->iCount = DATA_BUFFER_SIZE + 1;
    uint8_t byte = 0;
    EXPECT_THROW(DataBufferAppend(p, &byte, 1), FatalStop);
    EXPECT_NE(MessageText(msg::InternalCompilerError).find("p->iCount <= DATA_BUFFER_SIZE"),
              std::string::npos);
    p->iCount = 0;
}

}  // namespace
}  // namespace tarn::tpc::test

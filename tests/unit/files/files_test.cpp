// File objects: assign, open and close, the element buffer with get and put, eof and eoln,
// positions, erase and rename, temporary files, pipes, block and raw transfers.
#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class Files : public FilesTest {};

TEST_F(Files, RewriteWritesAndResetReadsBack) {
    Assign(kF, "a.txt");
    Open(kF, kModeOutput);
    ASSERT_EQ(Pending(), 0u);
    WriteStr(kF, "hello");
    WriteInt(kF, 42, 5);
    OnFile(Std::WriteLn, kF);
    OnFile(Std::Close, kF);
    EXPECT_EQ(Pending(), 0u);
    ExpectEmptyStack();
    EXPECT_EQ(ReadFile("a.txt"), "hello   42\n");

    Open(kF, kModeInput);
    ASSERT_EQ(Pending(), 0u);
    PushWord(kF); PushWord(kVar); PushWord(80); PushWord(1); Call(Std::ReadString);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(Mem() + kVar + 1), Mem()[kVar]), "hello   42");
    EXPECT_EQ(FileFunction(Std::Eoln, kF), 1u);
    EXPECT_EQ(FileFunction(Std::Eof, kF), 0u);
    OnFile(Std::ReadLn, kF);
    EXPECT_EQ(FileFunction(Std::Eof, kF), 1u);
    EXPECT_EQ(Pending(), 0u);
    ExpectEmptyStack();
}

TEST_F(Files, AppendAddsToTheEnd) {
    WriteFile("a.txt", "one\n");
    Assign(kF, "a.txt");
    Open(kF, kModeAppend);
    WriteStr(kF, "two");
    OnFile(Std::WriteLn, kF);
    OnFile(Std::Close, kF);
    EXPECT_EQ(ReadFile("a.txt"), "one\ntwo\n");
}

TEST_F(Files, OpenModeErrors) {
    Assign(kF, "a.txt");
    Open(kF, 0);
    EXPECT_EQ(Pending(), 18u) << "no direction";
    Open(kF, kModeOutput | kModeAppend);
    EXPECT_EQ(Pending(), 18u) << "output and append";
    EXPECT_FALSE(Exists("a.txt"));
    Open(kF, kModeInput);
    EXPECT_EQ(Pending(), 18u) << "missing file";
    Open(kF, kModeOutput);
    EXPECT_EQ(Pending(), 0u) << "every file routine clears the pending error first";
    ExpectEmptyStack();
}

TEST_F(Files, OpenOfAnOpenFileClosesItFirst) {
    Assign(kF, "a.txt");
    Open(kF, kModeOutput);
    WriteStr(kF, "abc");
    Open(kF, kModeInput);  // the implicit close flushes "abc"
    ASSERT_EQ(Pending(), 0u);
    ReadInto(Std::ReadChar, kF, kVar);
    EXPECT_EQ(Mem()[kVar], 'a');
}

TEST_F(Files, NameOf256CharactersIsTooLong) {
    Assign(kF, std::string(256, 'n'));
    EXPECT_EQ(Pending(), 7u);
    Assign(kF, std::string(255, 'n'));
    EXPECT_EQ(Pending(), 0u);
}

TEST_F(Files, UndefinedAndClosedFiles) {
    SetVmWord(kF, kUndefinedWord);
    OnFile(Std::Close, kF);
    EXPECT_EQ(Pending(), 3u);
    EXPECT_EQ(FileFunction(Std::Eof, kF), 1u);
    EXPECT_EQ(Pending(), 3u);
    SetVmWord(kF, 12345);  // a word that names no file object
    OnFile(Std::Flush, kF);
    EXPECT_EQ(Pending(), 3u);

    Assign(kF, "a.txt");
    OnFile(Std::Close, kF);
    EXPECT_EQ(Pending(), 5u);
    EXPECT_EQ(FileFunction(Std::Eof, kF), 1u) << "eof of a closed file is true";
    EXPECT_EQ(Pending(), 5u);
    EXPECT_EQ(FileFunction(Std::Eoln, kF), 0u);
    EXPECT_EQ(Pending(), 5u);
    OnFile(Std::Flush, kF);
    EXPECT_EQ(Pending(), 5u);
    EXPECT_EQ(FileFunction(Std::FilePos, kF), 0u);
    EXPECT_EQ(Pending(), 5u);
    EXPECT_EQ(FileFunction(Std::FileSize, kF), 0u);
    EXPECT_EQ(Pending(), 5u);
    PushWord(kF); PushWord(0); Call(Std::Seek);
    EXPECT_EQ(Pending(), 5u);
    WriteStr(kF, "x");
    EXPECT_EQ(Pending(), 11u);
    ReadInto(Std::ReadChar, kF, kVar);
    EXPECT_EQ(Pending(), 15u);
    ExpectEmptyStack();
}

TEST_F(Files, BufferAddressOfUndefinedFileIsFatal) {
    SetVmWord(kF, kUndefinedWord);
    EXPECT_RUNTIME_ERROR({ PushWord(kF); Call(Std::FileBufferAddress); }, "File is not defined");
}

TEST_F(Files, PutOnInputIs11AndGetOnOutputIs15) {
    WriteFile("in.txt", "abc");
    Assign(kF, "in.txt");
    Open(kF, kModeInput);
    OnFile(Std::Put1, kF);
    EXPECT_EQ(Pending(), 11u);
    Assign(kG, "out.txt");
    Open(kG, kModeOutput);
    OnFile(Std::Get1, kG);
    EXPECT_EQ(Pending(), 15u);
    OnFile(Std::Put1, kG);
    EXPECT_EQ(Pending(), 19u) << "nothing stored in the buffer";
}

// A file of 4-byte integers written with f^ := v; put(f) and read with f^ and get(f).
TEST_F(Files, TypedFileBufferDiscipline) {
    constexpr uint32_t kTyped = kModeBinary;
    Assign(kF, "ints.dat", 4);
    Open(kF, kModeOutput | kTyped, 4);
    ASSERT_EQ(Pending(), 0u);
    for (uint32_t v : {11u, 22u, 33u}) {
        PushWord(kF); Call(Std::FileBufferAddress);
        uint32_t buffer = PopWord();
        SetVmWord(buffer, v);
        PushWord(buffer); Call(Std::FileBufferFilled);
        OnFile(Std::Put4, kF);
        ASSERT_EQ(Pending(), 0u);
        EXPECT_EQ(VmWord(buffer), kUndefinedWord) << "put leaves the buffer undefined";
    }
    OnFile(Std::Put4, kF);
    EXPECT_EQ(Pending(), 19u) << "a second put without a store";
    OnFile(Std::Close, kF);
    std::string bytes = ReadFile("ints.dat");
    ASSERT_EQ(bytes.size(), 12u);
    EXPECT_EQ(LoadWord(reinterpret_cast<const uint8_t*>(bytes.data()) + 4), 22u);

    Open(kF, kModeInput | kTyped, 4);
    PushWord(kF); Call(Std::FileBufferAddress);
    uint32_t buffer = PopWord();
    auto Peek = [&] {  // the value of f^
        PushWord(buffer); PushWord(4); Call(Std::FileRoutine13);
        return VmWord(buffer);
    };
    EXPECT_EQ(FileFunction(Std::FileSize, kF), 3u);
    EXPECT_EQ(Peek(), 11u);
    EXPECT_EQ(Peek(), 11u) << "a pending element is not read again";
    EXPECT_EQ(FileFunction(Std::FilePos, kF), 0u) << "the element read ahead is not counted";
    OnFile(Std::Get4, kF);
    EXPECT_EQ(Peek(), 22u);
    EXPECT_EQ(FileFunction(Std::FilePos, kF), 1u);
    EXPECT_EQ(FileFunction(Std::Eof, kF), 0u) << "eof puts the element back";
    EXPECT_EQ(FileFunction(Std::FilePos, kF), 1u);
    PushWord(kF); PushWord(2); Call(Std::Seek);
    EXPECT_EQ(Peek(), 33u);
    OnFile(Std::Get4, kF);
    EXPECT_EQ(FileFunction(Std::Eof, kF), 1u);
    OnFile(Std::Get4, kF);
    EXPECT_EQ(Pending(), 12u) << "get at the end of the file";
    EXPECT_EQ(Pending(), 12u);
    Peek();
    EXPECT_EQ(Pending(), 12u);
    ExpectEmptyStack();
}

// On a text file f^ reads one character ahead; read then sees it again.
TEST_F(Files, TextLookaheadIsPutBack) {
    ResetWith(kF, "t.txt", "xy");
    PushWord(kF); Call(Std::FileBufferAddress);
    uint32_t buffer = PopWord();
    PushWord(buffer); PushWord(1); Call(Std::FileRoutine13);
    EXPECT_EQ(Mem()[buffer], 'x');
    ReadInto(Std::ReadChar, kF, kVar);
    EXPECT_EQ(Mem()[kVar], 'x');
    PushWord(buffer); PushWord(1); Call(Std::FileRoutine13);
    EXPECT_EQ(Mem()[buffer], 'y');
    Mem()[buffer] = 'Z';  // f^ := 'Z' on the input file
    PushWord(buffer); Call(Std::FileBufferFilled);
    ReadInto(Std::ReadChar, kF, kVar);
    EXPECT_EQ(Mem()[kVar], 'y') << "the character read ahead comes back, not the stored one";
    ReadInto(Std::ReadChar, kF, kVar);
    EXPECT_EQ(Pending(), 12u);
}

TEST_F(Files, GetAndPutOnTextFiles) {
    Assign(kF, "t.txt");
    Open(kF, kModeOutput);
    PushWord(kF); Call(Std::FileBufferAddress);
    uint32_t buffer = PopWord();
    Mem()[buffer] = 'Q';
    PushWord(buffer); Call(Std::FileBufferFilled);
    OnFile(Std::Put1, kF);
    OnFile(Std::Close, kF);
    EXPECT_EQ(ReadFile("t.txt"), "Q");
    Open(kF, kModeInput);
    OnFile(Std::Get1, kF);
    EXPECT_EQ(Mem()[buffer], 'Q');
    EXPECT_EQ(Pending(), 0u);
    OnFile(Std::Get1, kF);
    EXPECT_EQ(Pending(), 12u);
}

TEST_F(Files, EraseNeedsAClosedNamedFile) {
    WriteFile("e.txt", "x");
    Assign(kF, "e.txt");
    Open(kF, kModeInput);
    OnFile(Std::Erase, kF);
    EXPECT_EQ(Pending(), 4u);
    EXPECT_TRUE(Exists("e.txt")) << "an open file stays in place";
    OnFile(Std::Close, kF);
    OnFile(Std::Erase, kF);
    EXPECT_EQ(Pending(), 0u);
    EXPECT_FALSE(Exists("e.txt"));
    OnFile(Std::Erase, kF);
    EXPECT_EQ(Pending(), 1u) << "nothing left to erase";
    Assign(kG, "");
    OnFile(Std::Erase, kG);
    EXPECT_EQ(Pending(), 8u);
    SetVmWord(kVar, kUndefinedWord);
    OnFile(Std::Erase, kVar);
    EXPECT_EQ(Pending(), 3u);
}

TEST_F(Files, RenameReplacesTheTarget) {
    WriteFile("old.txt", "new content");
    WriteFile("target.txt", "old content");
    Assign(kF, "old.txt");
    PushWord(kF); PushStr("target.txt"); Call(Std::Rename);
    EXPECT_EQ(Pending(), 0u);
    EXPECT_FALSE(Exists("old.txt"));
    EXPECT_EQ(ReadFile("target.txt"), "new content");
    Open(kF, kModeInput);  // the object now names the new file
    EXPECT_EQ(Pending(), 0u);
    PushWord(kF); PushStr("x.txt"); Call(Std::Rename);
    EXPECT_EQ(Pending(), 4u);
    OnFile(Std::Close, kF);
    PushWord(kF); PushStr(std::string(256, 'x')); Call(Std::Rename);
    EXPECT_EQ(Pending(), 7u);
    Assign(kG, "missing.txt");
    PushWord(kG); PushStr("x.txt"); Call(Std::Rename);
    EXPECT_EQ(Pending(), 2u);
    Assign(kG, "");
    PushWord(kG); PushStr("x.txt"); Call(Std::Rename);
    EXPECT_EQ(Pending(), 8u);
    ExpectEmptyStack();
}

TEST_F(Files, EmptyNameWithoutTemporaryBitUsesTheStandardStreams) {
    Assign(kF, "");
    Open(kF, kModeOutput);
    EXPECT_EQ(Pending(), 0u);
    OnFile(Std::Close, kF);  // never closes the process's standard output
    EXPECT_EQ(Pending(), 0u);
    EXPECT_NE(std::fflush(stdout), EOF);
    EXPECT_NE(fcntl(STDOUT_FILENO, F_GETFD), -1);
}

TEST_F(Files, TemporaryFilesAreFreshAndRemovedOnClose) {
    setenv("TMPDIR", dir_.c_str(), 1);
    Assign(kF, "");
    Open(kF, kModeOutput | kModeBinary, 1);
    ASSERT_EQ(Pending(), 0u);
    std::string first = FileOf(kF)->name;
    EXPECT_EQ(first.rfind(dir_ + "/", 0), 0u) << first;
    EXPECT_TRUE(Exists(first));
    PushWord(kF); PushWord('Z'); PushWord(1); Call(Std::BlockWrite);
    Open(kF, kModeInput | kModeBinary, 1);  // the implicit close keeps the file
    ASSERT_EQ(Pending(), 0u);
    EXPECT_EQ(FileOf(kF)->name, first);
    PushWord(kF); PushWord(kVar); PushWord(1); Call(Std::BlockRead);
    EXPECT_EQ(Mem()[kVar], 'Z');
    OnFile(Std::Close, kF);
    EXPECT_FALSE(Exists(first)) << "close removes a temporary file";
    Open(kF, kModeOutput | kModeTemporary);  // a text file with option tf
    ASSERT_EQ(Pending(), 0u);
    EXPECT_NE(FileOf(kF)->name, first);
    std::string second = FileOf(kF)->name;
    ReleaseFiles();
    EXPECT_FALSE(Exists(second)) << "the end of the run removes it too";
    unsetenv("TMPDIR");
    ExpectEmptyStack();
}

TEST_F(Files, The32768thTemporaryNameIsFatal) {
    setenv("TMPDIR", dir_.c_str(), 1);
    EXPECT_RUNTIME_ERROR(
        {
            Assign(kF, "");
            for (int i = 0; i < 32767; ++i) {
                Open(kF, kModeOutput | kModeBinary, 1);
                if (Pending() != 0) std::_Exit(97);
                OnFile(Std::Close, kF);
            }
            Open(kF, kModeOutput | kModeBinary, 1);
        },
        "Can not generate any more temporary file names");
    unsetenv("TMPDIR");
}

TEST_F(Files, PipesReadAndWrite) {
    Assign(kF, "printf 'one\\ntwo\\n'");
    PushWord(kF); PushWord(kModeInput); Call(Std::Popen);
    ASSERT_EQ(Pending(), 0u);
    PushWord(kF); PushWord(kVar); PushWord(80); PushWord(1); Call(Std::ReadString);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(Mem() + kVar + 1), Mem()[kVar]), "one");
    OnFile(Std::ReadLn, kF);
    PushWord(kF); PushWord(kVar); PushWord(80); PushWord(1); Call(Std::ReadString);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(Mem() + kVar + 1), Mem()[kVar]), "two");
    OnFile(Std::Close, kF);
    EXPECT_EQ(Pending(), 0u);

    Assign(kG, "cat > piped.txt");
    PushWord(kG); PushWord(kModeOutput); Call(Std::Popen);
    WriteStr(kG, "through");
    OnFile(Std::WriteLn, kG);
    OnFile(Std::Close, kG);  // pclose waits for the command
    EXPECT_EQ(Pending(), 0u);
    EXPECT_EQ(ReadFile("piped.txt"), "through\n");

    Assign(kG, "");
    PushWord(kG); PushWord(kModeInput); Call(Std::Popen);
    EXPECT_EQ(Pending(), 18u) << "no command";
    ExpectEmptyStack();
}

TEST_F(Files, FlushAndPage) {
    Assign(kF, "p.txt");
    Open(kF, kModeOutput);
    WriteStr(kF, "a");
    OnFile(Std::Flush, kF);
    EXPECT_EQ(ReadFile("p.txt"), "a") << "flush writes the buffered text";
    OnFile(Std::Page, kF);
    EXPECT_EQ(ReadFile("p.txt"), "a\f");
    Open(kG, kModeInput);  // kG is undefined: creates the object, no name: standard input
    EXPECT_EQ(Pending(), 0u);
    OnFile(Std::Page, kG);
    EXPECT_EQ(Pending(), 11u);
}

TEST_F(Files, SeekNeedsAnInputFile) {
    Assign(kF, "s.txt");
    Open(kF, kModeOutput);
    PushWord(kF); PushWord(0); Call(Std::Seek);
    EXPECT_EQ(Pending(), 10u);
    OnFile(Std::Close, kF);
    Open(kF, kModeInput);
    PushWord(kF); PushWord(static_cast<uint32_t>(-1)); Call(Std::Seek);
    EXPECT_EQ(Pending(), 10u);
}

TEST_F(Files, ReadAfterWriteOnAnUpdateFile) {
    WriteFile("u.txt", "abcdef");
    Assign(kF, "u.txt");
    Open(kF, kModeInput | kModeOutput);
    ASSERT_EQ(Pending(), 0u);
    ReadInto(Std::ReadChar, kF, kVar);
    EXPECT_EQ(Mem()[kVar], 'a');
    WriteStr(kF, "XY");
    ReadInto(Std::ReadChar, kF, kVar);
    EXPECT_EQ(Mem()[kVar], 'd');
    OnFile(Std::Close, kF);
    EXPECT_EQ(ReadFile("u.txt"), "aXYdef");
}

// Binary files: values written with block write 183 (their bytes lie on the stack) and read
// back with block read 184 and the set read 194.
TEST_F(Files, BlockTransfersAndSets) {
    Assign(kF, "b.dat", 1);
    Open(kF, kModeOutput | kModeBinary, 1);
    PushWord(kF); PushWord(0x01020304); PushWord(4); Call(Std::BlockWrite);
    // a set value of 8 bytes: payload, then its byte count on top; written with the count
    PushWord(kF); PushWord(0xAAAAAAAA); PushWord(0x55555555); PushWord(8); PushWord(12);
    Call(Std::BlockWrite);
    ExpectEmptyStack();
    PushWord(kF); PushWord(16); PushWord(1); Call(Std::BlockWrite);  // one byte: too short for a set
    OnFile(Std::Close, kF);
    EXPECT_EQ(ReadFile("b.dat").size(), 4u + 12u + 1u);

    Open(kF, kModeInput | kModeBinary, 1);
    PushWord(kF); PushWord(kVar); PushWord(4); Call(Std::BlockRead);
    EXPECT_EQ(VmWord(kVar), 0x01020304u);
    OnFile(Std::ReadSet, kF);
    ASSERT_EQ(PopWord(), 8u);
    EXPECT_EQ(PopWord(), 0x55555555u);
    EXPECT_EQ(PopWord(), 0xAAAAAAAAu);
    OnFile(Std::ReadSet, kF);
    EXPECT_EQ(Pending(), 16u) << "a short set";
    EXPECT_EQ(PopWord(), 0u) << "the empty set in its place";
    PushWord(kF); PushWord(kVar); PushWord(4); Call(Std::BlockRead);
    EXPECT_EQ(Pending(), 12u);
    ExpectEmptyStack();
}

TEST_F(Files, InvalidSetSizesAreFatal) {
    std::string bad(8, '\0');
    bad[0] = 6;  // size 6
    WriteFile("s1.dat", bad);
    std::string big(8, '\0');
    StoreWord(reinterpret_cast<uint8_t*>(big.data()), 1028);
    WriteFile("s2.dat", big);
    Assign(kF, "s1.dat");
    Open(kF, kModeInput | kModeBinary, 1);
    EXPECT_RUNTIME_ERROR(OnFile(Std::ReadSet, kF), "Read failure (set value is invalid)");
    Assign(kG, "s2.dat");
    Open(kG, kModeInput | kModeBinary, 1);
    EXPECT_RUNTIME_ERROR(OnFile(Std::ReadSet, kG), "Read failure (set value has too many elements)");
}

TEST_F(Files, RawTransfersWithLengthPrefixes) {
    constexpr uint32_t kBuf = 512;
    std::memcpy(Mem() + kBuf + 1, "rawdata", 7);
    Assign(kF, "r.dat");
    Open(kF, kModeOutput | kModeBinary, 1);
    auto Raw = [&](Std n, uint32_t fv, uint32_t capacity, int32_t count, uint32_t width) {
        PushWord(fv); PushWord(kBuf); PushWord(capacity); PushWord(static_cast<uint32_t>(count));
        PushWord(width); Call(n);
        return PopWord();
    };
    EXPECT_EQ(Raw(Std::RawWrite, kF, 20, 7, 1), 7u);
    EXPECT_EQ(Pending(), 0u);
    EXPECT_EQ(Raw(Std::RawWrite, kF, 5, 7, 1), 0u);
    EXPECT_EQ(Pending(), 37u) << "count above the capacity";
    EXPECT_EQ(Raw(Std::RawWrite, kF, 20, 7, 2), 0u);
    EXPECT_EQ(Pending(), 37u) << "prefix width 2";
    EXPECT_EQ(Raw(Std::RawRead, kF, 20, 7, 1), 0u);
    EXPECT_EQ(Pending(), 15u);
    OnFile(Std::Close, kF);
    EXPECT_EQ(ReadFile("r.dat"), "rawdata");

    std::memset(Mem() + kBuf, 0, 32);
    Open(kF, kModeInput | kModeBinary, 1);
    EXPECT_EQ(Raw(Std::RawRead, kF, 20, 20, 4), 7u) << "fewer bytes than asked for";
    EXPECT_EQ(Pending(), 0u);
    EXPECT_EQ(VmWord(kBuf), 7u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(Mem() + kBuf + 4), 7), "rawdata");
    EXPECT_EQ(Raw(Std::RawRead, kF, 20, -1, 0), 0u);
    EXPECT_EQ(Pending(), 36u);
    EXPECT_EQ(Raw(Std::RawWrite, kF, 20, 1, 0), 0u);
    EXPECT_EQ(Pending(), 11u);
    ExpectEmptyStack();
}

TEST_F(Files, FailedWritesAndClosesAreReported) {
    if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Assign(kF, "/dev/full");
    Open(kF, kModeOutput);
    ASSERT_EQ(Pending(), 0u);
    WriteStr(kF, "x");  // still in the stream's buffer
    EXPECT_EQ(Pending(), 0u);
    OnFile(Std::WriteLn, kF);
    EXPECT_EQ(Pending(), 13u) << "the flush fails";
    WriteStr(kF, "y");
    OnFile(Std::Close, kF);
    EXPECT_EQ(Pending(), 17u);
    OnFile(Std::Close, kF);
    EXPECT_EQ(Pending(), 5u) << "closed all the same";
}

TEST_F(Files, PopenInBothDirectionsIsRefused) {
    Assign(kF, "cat");
    PushWord(kF); PushWord(kModeInput | kModeOutput); Call(Std::Popen);
    EXPECT_EQ(Pending(), 18u);
    EXPECT_EQ(FileFunction(Std::Eof, kF), 1u);
    EXPECT_EQ(Pending(), 5u);
}

TEST_F(Files, ReleaseClosesEverything) {
    Assign(kF, "a.txt");
    Open(kF, kModeOutput);
    WriteStr(kF, "kept");
    ReleaseFiles();
    EXPECT_EQ(ReadFile("a.txt"), "kept") << "buffered text reaches the file";
}

}  // namespace
}  // namespace tarn::rt::test

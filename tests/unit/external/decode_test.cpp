// The decoder of the call description that compiled code pushes for routine 144: what it
// reads for each descriptor shape, and the error for every bad or cut-off description.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/external.h"

namespace tarn::rt {
namespace {

// Builds the top of a VM stack in push order, as the code generator emits it: every push
// lands in front of what is already there.
class Pushes {
public:
    Pushes& Word(uint32_t v) {
        uint8_t b[4];
        std::memcpy(b, &v, 4);
        bytes_.insert(bytes_.begin(), b, b + 4);
        return *this;
    }
    // A string value: the characters padded to a multiple of 4, the count word on top.
    Pushes& String(const std::string& s) {
        std::vector<uint8_t> padded(s.begin(), s.end());
        padded.resize((s.size() + 3) / 4 * 4, 0);
        bytes_.insert(bytes_.begin(), padded.begin(), padded.end());
        return Word(static_cast<uint32_t>(s.size()));
    }
    Pushes& Bytes(size_t n) {
        bytes_.insert(bytes_.begin(), n, uint8_t{0});
        return *this;
    }
    // Library, routine and convention: the end of every description.
    Pushes& Names(const std::string& library = "libm.so.6", const std::string& routine = "cos", uint32_t convention = 1) {
        return String(library).String(routine).Word(convention);
    }
    std::span<const uint8_t> Stack() const { return bytes_; }
    DecodedCall Decode() const { return DecodeCall(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

TEST(ExternalDecode, TwoIntegerValueParametersAndNoResult) {
    Pushes p;
    p.Word(22).Word(11);                 // the arguments, second first
    p.Word(1).Word(1).Word(2).Word(0);   // descriptors, count, no result
    p.Names("libx.so", "f", 0);
    DecodedCall d = p.Decode();
    ASSERT_EQ(d.error, nullptr);
    const CallDescription& c = d.call;
    EXPECT_EQ(c.convention, 0u);
    EXPECT_EQ(c.routine, "f");
    EXPECT_EQ(c.library, "libx.so");
    EXPECT_EQ(c.result.kind, ExternalKind::None);
    ASSERT_EQ(c.parameters.size(), 2u);
    EXPECT_EQ(c.parameters[0].kind, ExternalKind::Ordinal);
    EXPECT_EQ(c.argumentBytes, 8u);
    EXPECT_EQ(c.resultBytes, 0u);
    // The first argument lies right after the description.
    uint32_t first;
    std::memcpy(&first, p.Stack().data() + c.descriptionBytes, 4);
    EXPECT_EQ(first, 11u);
}

TEST(ExternalDecode, DescriptorsSizesAndStackBytes) {
    Pushes p;
    p.Bytes(24);                         // result space of a cstring[20] (21 rounded up)
    p.Bytes(4 + 8 + 4 + 4 + 4 + 12);     // arguments of the descriptors below
    p.Word(10).Word(5);                  // record of 10 bytes by value: 12 on the stack
    p.Word(100).Word(0x84);              // array by reference: one address
    p.Word(0x82);                        // pointer by reference
    p.Word(7);                           // single
    p.Word(3);                           // real
    p.Word(2);                           // pointer
    p.Word(6).Word(21).Word(6);          // count; result: string of 21
    p.Names();
    DecodedCall d = p.Decode();
    ASSERT_EQ(d.error, nullptr);
    const CallDescription& c = d.call;
    EXPECT_EQ(c.convention, 1u);
    ASSERT_EQ(c.parameters.size(), 6u);
    EXPECT_EQ(c.parameters[0].kind, ExternalKind::Pointer);
    EXPECT_EQ(c.parameters[1].kind, ExternalKind::Real);
    EXPECT_EQ(c.parameters[2].kind, ExternalKind::Single);
    EXPECT_TRUE(c.parameters[3].byReference);
    EXPECT_EQ(c.parameters[4].size, 100u);
    EXPECT_TRUE(c.parameters[4].byReference);
    EXPECT_EQ(c.parameters[5].kind, ExternalKind::Record);
    EXPECT_EQ(c.parameters[5].size, 10u);
    EXPECT_EQ(c.argumentBytes, 4u + 8 + 4 + 4 + 4 + 12);
    EXPECT_EQ(c.result.kind, ExternalKind::String);
    EXPECT_EQ(c.resultBytes, 24u);
    EXPECT_EQ(c.descriptionBytes + c.argumentBytes + c.resultBytes, p.Stack().size());
}

TEST(ExternalDecode, NameLengthLimits) {
    struct Case {
        size_t library, routine;
        const char* error;
    };
    const Case cases[] = {
        {259, 258, nullptr},
        {259, 259, "Function/Procedure name too long"},
        {260, 1, "Lib/DLL name too long"},
        {300, 1, "Lib/DLL name too long"},
        // The routine name is popped first, so it is the one reported.
        {300, 300, "Function/Procedure name too long"},
    };
    for (const Case& k : cases) {
        Pushes p;
        p.Bytes(4).Word(0).Word(0).Names(std::string(k.library, 'l'), std::string(k.routine, 'r'));
        DecodedCall d = p.Decode();
        if (k.error == nullptr) EXPECT_EQ(d.error, nullptr) << k.library << " " << k.routine;
        else EXPECT_STREQ(d.error, k.error) << k.library << " " << k.routine;
    }
}

TEST(ExternalDecode, ParameterCountLimit) {
    Pushes ok;
    ok.Bytes(256 * 4);
    for (int i = 0; i < 256; ++i) ok.Word(1);
    ok.Word(256).Word(0).Names();
    EXPECT_EQ(ok.Decode().error, nullptr);
    // 257 is refused from the count alone: no descriptor needs to be there.
    Pushes tooMany;
    tooMany.Word(257).Word(0).Names();
    EXPECT_STREQ(tooMany.Decode().error, "Too many parameters");
}

TEST(ExternalDecode, InvalidKinds) {
    struct Case {
        const char* what;
        std::vector<uint32_t> parameter;  // in push order; empty: no parameter
        uint32_t result;
    };
    const Case cases[] = {
        {"kind 8", {8}, 0},
        {"bits above the reference flag", {0x101}, 0},
        {"a parameter without a value", {0}, 0},
        {"a parameter without a value by reference", {0x80}, 0},
        {"a record of size 0 by value", {0, 5}, 0},
        {"a result by reference", {}, 0x81},
        {"a result of kind 9", {}, 9},
    };
    for (const Case& k : cases) {
        Pushes p;
        p.Bytes(64);
        for (uint32_t w : k.parameter) p.Word(w);
        p.Word(k.parameter.empty() ? 0 : 1).Word(k.result).Names();
        EXPECT_STREQ(p.Decode().error, "Invalid Return type") << k.what;
    }
}

TEST(ExternalDecode, AggregatesByValueAreBounded) {
    Pushes p;
    p.Bytes(64 * 1024 + 4).Word(64 * 1024 + 1).Word(5).Word(1).Word(0).Names();
    EXPECT_STREQ(p.Decode().error, "External argument too large");
    // By reference the size only bounds what the routine may touch.
    Pushes byRef;
    byRef.Bytes(4).Word(1 << 20).Word(0x85).Word(1).Word(0).Names();
    EXPECT_EQ(byRef.Decode().error, nullptr);
}

// Every prefix of a good description is cut off somewhere: each must be "Stack underflow",
// never a read past its end (the sanitizers watch the copy).
TEST(ExternalDecode, CutOffDescriptionsUnderflow) {
    Pushes p;
    p.Bytes(16).Bytes(8 + 12).Word(10).Word(5).Word(3).Word(2).Word(16).Word(5).Names("libq.so", "fun");
    std::span<const uint8_t> whole = p.Stack();
    ASSERT_EQ(DecodeCall(whole).error, nullptr);
    for (size_t n = 0; n < whole.size(); ++n) {
        std::vector<uint8_t> copy(whole.begin(), whole.begin() + n);  // a heap block of exactly n bytes
        EXPECT_STREQ(DecodeCall(copy).error, "Stack underflow") << n << " bytes";
    }
}

}  // namespace
}  // namespace tarn::rt

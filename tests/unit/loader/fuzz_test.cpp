// Damaged images: a few hundred randomly corrupted or truncated images (fixed seed) each go
// through the loader, and through OpenExecutable/GetSourceName, in a child process. Every
// one must end with a clear message and exit code 1, or load; never with a signal or a
// sanitizer report.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "runtime/loader.h"
#include "runtime/tarnrt.h"
#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Op;

constexpr int kCases = 300;

TestImage Seed(bool big, uint32_t flags) {
    TestImage img;
    img.big = big;
    img.flags = flags | (big ? vm::kFlagPortable : 0);
    img.sources = {"fuzz.pas"};
    img.Op(Op::PUSHI, 4);
    img.Op(Op::CALLSTD, 63);
    img.OpReal(Op::PUSHR, 2.5);
    img.Op(Op::CHKRNG, 1, 9);
    img.Op(Op::ENTER, 8, 3);
    img.Op(Op::JCASE, 0);
    img.Op(Op::CALLSTD, 94);
    img.fixups = {{1, 4}};
    img.DataWord(3);
    img.DataWord(9);
    img.data.push_back('z');
    img.swaps = {{0, 2}};
    img.lines = {0, 5, 10};
    return img;
}

// One random damage: flipped bytes, a cut, a header word replaced, or bytes inserted.
std::vector<uint8_t> Damage(std::vector<uint8_t> b, std::mt19937& rng) {
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    auto byte = [&] { return static_cast<uint8_t>(pick(256)); };
    switch (pick(4)) {
    case 0:
        for (size_t n = 1 + pick(4); n > 0; --n) b[pick(b.size())] ^= static_cast<uint8_t>(1 + pick(255));
        break;
    case 1: b.resize(pick(b.size())); break;
    case 2: {
        size_t at = 7 + 4 * pick(13);  // one of the header words
        uint32_t v = static_cast<uint32_t>(rng());
        if (pick(2)) v >>= pick(32);  // small values too
        std::memcpy(b.data() + at, &v, 4);
        break;
    }
    case 3: {
        size_t at = pick(b.size());
        for (size_t n = 1 + pick(8); n > 0; --n) b.insert(b.begin() + static_cast<long>(at), byte());
        break;
    }
    }
    return b;
}

bool CleanEnd(const ChildResult& r) {
    return r.Exited() && (r.Code() == 0 || r.Code() == 1) && r.err.find("Sanitizer") == std::string::npos &&
           r.err.find("runtime error") == std::string::npos;
}

TEST(LoaderFuzz, DamagedImagesEndWithAMessageNeverACrash) {
    std::mt19937 rng(20240611);
    const std::vector<uint8_t> seeds[] = {Seed(false, 0).Bytes(), Seed(true, 0).Bytes(),
                                          Seed(true, vm::kFlagWordOpcodes).Bytes()};
    std::string path = TempPath("fuzz.tvm");
    int loaded = 0, refused = 0;
    for (int i = 0; i < kCases; ++i) {
        std::vector<uint8_t> bytes = Damage(seeds[i % 3], rng);
        WriteFile(path, bytes);
        ChildResult r = RunInChild([&] {
            ImageSource src;
            if (!OpenImageFile(src, path.c_str(), 0)) return 3;
            if (!LoadImage(src)) return 1;
            ReleaseImage();
            return 0;
        });
        ASSERT_TRUE(CleanEnd(r)) << "case " << i << " status " << r.status << "\n" << r.out << r.err;
        if (r.Code() == 1) {
            ++refused;
            ASSERT_FALSE(r.out.empty()) << "case " << i << ": exit 1 without a message";
        } else {
            ++loaded;
        }
    }
    std::printf("%d damaged images: %d loaded, %d refused with a message\n", kCases, loaded, refused);
    // The damage must really exercise both outcomes.
    EXPECT_GT(refused, kCases / 2);
    EXPECT_GT(loaded, 0);
}

TEST(LoaderFuzz, DamagedImagesAreInspectedWithoutEndingTheProcess) {
    std::mt19937 rng(777);
    const std::vector<uint8_t> seed = Seed(false, 0).Bytes();
    std::string path = TempPath("fuzz-inspect.tvm");
    for (int i = 0; i < kCases / 3; ++i) {
        WriteFile(path, Damage(seed, rng));
        ChildResult r = RunInChild([&] {
            void* h = OpenExecutable(path.c_str());
            char buf[64];
            while (h && GetSourceName(h, buf, sizeof buf)) {
            }
            CloseExecutable(h);
            return 0;
        });
        ASSERT_TRUE(r.Exited() && r.Code() == 0) << "case " << i << " status " << r.status << "\n" << r.out << r.err;
    }
}

}  // namespace
}  // namespace tarn::rt::test

// getdate and gettime against the C library's local time.
#include <ctime>

#include "support.h"

namespace tarn::rt::test {
namespace {

using vm::Std;

class Time : public StdlibTest {};

TEST_F(Time, DateFieldsMatchLocalTime) {
    std::time_t before = std::time(nullptr);
    for (uint32_t a : {100u, 104u, 108u, 112u}) PushWord(a);
    Call(Std::GetDate);
    ExpectEmptyStack();
    std::tm now{};
    localtime_r(&before, &now);
    if (now.tm_hour == 23 && now.tm_min == 59) GTEST_SKIP() << "too close to midnight";
    EXPECT_EQ(VmWord(100), uint32_t(now.tm_year + 1900));
    EXPECT_EQ(VmWord(104), uint32_t(now.tm_mon + 1));
    EXPECT_EQ(VmWord(108), uint32_t(now.tm_mday));
    EXPECT_EQ(VmWord(112), uint32_t(now.tm_wday));
    EXPECT_LE(VmWord(112), 6u);
}

TEST_F(Time, TimeFieldsMatchLocalTime) {
    for (uint32_t a : {100u, 104u, 108u}) PushWord(a);
    std::time_t t = std::time(nullptr);
    Call(Std::GetTime);
    ExpectEmptyStack();
    std::tm now{};
    localtime_r(&t, &now);
    int stored = int(VmWord(100)) * 3600 + int(VmWord(104)) * 60 + int(VmWord(108));
    int expected = now.tm_hour * 3600 + now.tm_min * 60 + now.tm_sec;
    EXPECT_LE(stored - expected, 2);
    EXPECT_GE(stored - expected, 0);
    EXPECT_LE(VmWord(100), 23u);
    EXPECT_LE(VmWord(104), 59u);
}

}  // namespace
}  // namespace tarn::rt::test

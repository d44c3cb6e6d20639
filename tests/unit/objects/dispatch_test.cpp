// The dispatch layer against real server libraries: creation and its failures, member
// lookup and calls with arguments, exceptions, reference counts, the failure texts.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include "platform/servers.h"
#include "platform/variants.h"

namespace tarn::automation {
namespace {

RegistryEntry Entry(const char* progId, const char* path) { return {progId, path, "test", 1}; }

long Live() {
    void* lib = dlopen(TARN_TEST_SERVER, RTLD_NOW | RTLD_NOLOAD);
    if (!lib) return -1;
    auto live = reinterpret_cast<long (*)()>(dlsym(lib, "tarn_test_server_live"));
    long n = live ? live() : -1;
    dlclose(lib);
    return n;
}

// Calls member name of o with args (first argument first); the result, or the failure.
struct Outcome {
    tarn_result result;
    tarn_variant value;
    std::string exception;
};

Outcome Call(tarn_dispatch* o, const char* name, std::vector<VmValue> args, uint16_t flags = TARN_DISPATCH_METHOD) {
    Outcome out{};
    tarn_sysstr wide = WidenText(name);
    int32_t id = -1;
    out.result = o->vtbl->get_ids_of_names(o, &wide, 1, TARN_LOCALE_USER_DEFAULT, &id);
    tarn_sysstr_free(wide);
    if (out.result != TARN_OK) return out;
    std::vector<tarn_variant> list(args.size());
    for (size_t i = 0; i < args.size(); ++i) ToAutomation(args[args.size() - 1 - i], nullptr, list[i]);
    static const int32_t kPut[] = {TARN_DISPID_PROPERTYPUT};
    bool put = flags == TARN_DISPATCH_PROPERTYPUT;
    tarn_params params{list.data(), put ? kPut : nullptr, static_cast<uint32_t>(list.size()), put ? 1u : 0u};
    tarn_exception ex{};
    uint32_t bad = 0;
    tarn_variant_init(&out.value);
    out.result = o->vtbl->invoke(o, id, TARN_LOCALE_USER_DEFAULT, flags, &params, put ? nullptr : &out.value, &ex, &bad);
    out.exception = NarrowText(ex.description);
    tarn_sysstr_free(ex.description);
    tarn_sysstr_free(ex.source);
    for (tarn_variant& v : list) tarn_variant_clear(&v);
    return out;
}

VmValue Int(int32_t i) { VmValue v; v.type = kVmInteger; v.word = static_cast<uint32_t>(i); return v; }
VmValue Str(const char* s) { VmValue v; v.type = kVmString; v.text = s; return v; }

class Dispatch : public testing::Test {
protected:
    void TearDown() override { UnloadServers(); }
};

TEST_F(Dispatch, CreationAndItsFailures) {
    Creation ok = CreateServerObject(Entry("Tarn.Test", TARN_TEST_SERVER));
    ASSERT_NE(ok.object, nullptr);
    EXPECT_EQ(Live(), 1);
    EXPECT_EQ(CreateServerObject(Entry("Tarn.Test.Other", TARN_TEST_SERVER)).result, TARN_E_CLASS_NOT_REGISTERED);
    EXPECT_EQ(CreateServerObject(Entry("Tarn.Test.NoInterface", TARN_TEST_SERVER)).result, TARN_E_NO_INTERFACE);
    Creation fails = CreateServerObject(Entry("Tarn.Test.Fails", TARN_TEST_SERVER));
    EXPECT_EQ(fails.result, TARN_E_FAIL);
    EXPECT_EQ(fails.object, nullptr);
    EXPECT_EQ(Live(), 1);  // the object the failing factory handed out was released
    Creation nothing = CreateServerObject(Entry("Tarn.Test.Nothing", TARN_TEST_SERVER));
    EXPECT_EQ(nothing.detail, "the factory of 'Tarn.Test.Nothing' returned no object");
    Creation thrown = CreateServerObject(Entry("Tarn.Throw.Factory", TARN_THROW_SERVER));
    EXPECT_EQ(thrown.detail, "the factory of 'Tarn.Throw.Factory' threw: no licence for this class");
    Creation missing = CreateServerObject(Entry("X.Y", "/nonexistent/libnone.so"));
    EXPECT_EQ(missing.result, TARN_E_FAIL);
    EXPECT_EQ(missing.detail,
              "cannot load the server of 'X.Y': /nonexistent/libnone.so: cannot open shared object file: No such file or directory");
    EXPECT_EQ(CreateServerObject(Entry("X.Y", "libm.so.6")).detail, "the server libm.so.6 does not export tarn_create_object");
    EXPECT_EQ(LoadedServerCount(), 3u);  // test, throw and libm; the missing one was never loaded
    ok.object->vtbl->release(ok.object);
    EXPECT_EQ(Live(), 0);
}

TEST_F(Dispatch, CallsWithArgumentsPropertiesAndExceptions) {
    tarn_dispatch* o = CreateServerObject(Entry("Tarn.Test", TARN_TEST_SERVER)).object;
    ASSERT_NE(o, nullptr);
    Outcome sum = Call(o, "SUM8", {Int(1), Int(2), Int(3), Int(4), Int(5), Int(6), Int(7), Int(8)});
    ASSERT_EQ(sum.result, TARN_OK);
    EXPECT_EQ(sum.value.u.i4, 36);
    Outcome join = Call(o, "Join", {Str("a"), Int(2)});  // the order the program wrote them
    EXPECT_EQ(NarrowText(join.value.u.bstr), "a,2");
    tarn_variant_clear(&join.value);
    EXPECT_EQ(Call(o, "Sum2", {Int(1)}).result, TARN_E_BAD_PARAM_COUNT);
    EXPECT_EQ(Call(o, "Nope", {}).result, TARN_E_UNKNOWN_NAME);
    EXPECT_EQ(Call(o, "Name", {Str("box")}, TARN_DISPATCH_PROPERTYPUT).result, TARN_OK);
    Outcome name = Call(o, "name", {}, TARN_DISPATCH_METHOD | TARN_DISPATCH_PROPERTYGET);
    EXPECT_EQ(NarrowText(name.value.u.bstr), "box");
    tarn_variant_clear(&name.value);
    EXPECT_EQ(Call(o, "ReadOnly", {Int(1)}, TARN_DISPATCH_PROPERTYPUT).result, TARN_E_MEMBER_NOT_FOUND);
    Outcome fail = Call(o, "Fail", {Str("no paper")});
    EXPECT_EQ(fail.result, TARN_E_EXCEPTION);
    EXPECT_EQ(fail.exception, "no paper");
    Outcome child = Call(o, "Child", {});
    ASSERT_EQ(child.value.vt, TARN_VT_DISPATCH);
    EXPECT_EQ(Live(), 2);
    ProgramValue converted = FromAutomation(child.value);  // takes its own reference
    tarn_variant_clear(&child.value);
    EXPECT_EQ(Live(), 2);
    converted.object->vtbl->release(converted.object);
    EXPECT_EQ(Live(), 1);
    o->vtbl->release(o);
    EXPECT_EQ(Live(), 0);
}

TEST_F(Dispatch, KitDictionary) {
    tarn_dispatch* d = CreateServerObject(Entry("Tarn.Dictionary", TARN_SCRIPTING_SERVER)).object;
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Call(d, "Add", {Str("k"), Int(1)}).result, TARN_OK);
    Outcome dup = Call(d, "Add", {Str("k"), Int(2)});
    EXPECT_EQ(dup.result, TARN_E_EXCEPTION);
    EXPECT_EQ(dup.exception, "Key already exists: k");
    EXPECT_EQ(Call(d, "Item", {Str("k")}).value.u.i4, 1);
    EXPECT_EQ(Call(d, "Add", {Str("only one")}).result, TARN_E_BAD_PARAM_COUNT);
    EXPECT_EQ(Call(d, "CompareMode", {Int(1)}, TARN_DISPATCH_PROPERTYPUT).exception,
              "CompareMode can only be changed while the dictionary is empty");
    d->vtbl->release(d);
    EXPECT_EQ(CreateServerObject(Entry("Tarn.Other", TARN_SCRIPTING_SERVER)).result, TARN_E_CLASS_NOT_REGISTERED);
}

TEST(FailureTexts, EachResultHasItsDescription) {
    EXPECT_STREQ(CreationFailureText(TARN_E_CLASS_NOT_REGISTERED), "Class not registered");
    EXPECT_STREQ(CreationFailureText(TARN_E_INVALID_CLASS), "Invalid class id");
    EXPECT_STREQ(CreationFailureText(TARN_E_NO_INTERFACE), "Class does not support IDispatch interface");
    EXPECT_STREQ(CreationFailureText(TARN_E_INVALID_ARG), "Invalid argument");
    EXPECT_STREQ(CreationFailureText(TARN_E_OUT_OF_MEMORY), "CreateObject failed");
    struct Case {
        tarn_result r;
        const char* get;
        const char* call;
    } cases[] = {
        {TARN_E_UNKNOWN_LOCALE, "Unknown locale", "Unknown locale"},
        {TARN_E_UNKNOWN_INTERFACE, "Unknown interface", "Unknown interface"},
        {TARN_E_UNKNOWN_NAME, "Member not found", "Member not found"},
        {TARN_E_MEMBER_NOT_FOUND, "Member not found", "Member not found"},
        {TARN_E_BAD_PARAM_COUNT, "Invalid number of parameters in method call", "Invalid number of parameters in method call"},
        {TARN_E_PARAM_NOT_OPTIONAL, "Parameter is not optional", "Parmeter is not optional"},
        {TARN_E_TYPE_MISMATCH, "Attempt to get property or call method failed", "Attempt to call method failed"},
        {TARN_E_FAIL, "Attempt to get property or call method failed", "Attempt to call method failed"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(MemberFailureText(c.r, true), c.get);
        EXPECT_STREQ(MemberFailureText(c.r, false), c.call);
    }
}

}  // namespace
}  // namespace tarn::automation

// The base of the kit's own servers: one C++ class per automation class, behind the C
// interface of tarn/automation.h. ServerObject supplies reference counting, the name
// lookup from a member table and the argument and result helpers; a class lists its
// members and answers Invoke.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tarn/automation.h"

namespace tarn::servers {

struct Member {
    const char* name;
    int32_t id;
};

// One call as the engine made it: flags, the arguments first argument first, the result.
class Call {
public:
    Call(uint16_t flags, const tarn_params* params, tarn_variant* result, tarn_exception* exception)
        : flags_(flags), params_(params), result_(result), exception_(exception) {}

    bool IsPut() const { return flags_ & TARN_DISPATCH_PROPERTYPUT; }
    bool WantsResult() const { return result_ != nullptr; }
    uint32_t Count() const { return params_ ? params_->count : 0; }
    // Argument i, first argument first; an omitted argument counts as absent.
    const tarn_variant* Arg(uint32_t i) const;

    // The argument as text, integer, real or boolean; false (and an exception that says
    // which argument) when it is absent or cannot be taken so.
    bool Text(uint32_t i, std::string& out);
    bool Integer(uint32_t i, int64_t& out);
    bool Boolean(uint32_t i, bool& out);

    // Results. Each returns TARN_OK so a member can end with `return call.Return...`.
    tarn_result ReturnText(std::string_view s);
    tarn_result ReturnInteger(int64_t i);  // a 4-byte integer when it fits, else a real
    tarn_result ReturnReal(double d);
    tarn_result ReturnBoolean(bool b);
    tarn_result ReturnDate(double date);
    tarn_result ReturnObject(tarn_dispatch* object);  // takes over the reference
    tarn_result ReturnCopy(const tarn_variant& v);    // a copy of a stored value
    tarn_result ReturnNothing() { return TARN_OK; }

    // A failure the program sees as error 47 with this text.
    tarn_result Raise(std::string_view description);
    // Checks the argument count: min..max, else TARN_E_BAD_PARAM_COUNT.
    bool Arity(uint32_t min, uint32_t max) const { return Count() >= min && Count() <= max; }

private:
    uint16_t flags_;
    const tarn_params* params_;
    tarn_variant* result_;
    tarn_exception* exception_;
};

// Copies v into out: a string is duplicated, an object gains a reference. False when
// memory ran out (out is then empty).
bool CopyVariant(const tarn_variant& v, tarn_variant& out);

class ServerObject : public tarn_dispatch {
public:
    ServerObject();
    virtual ~ServerObject();
    ServerObject(const ServerObject&) = delete;
    ServerObject& operator=(const ServerObject&) = delete;

    uint32_t AddRef() { return ++references_; }
    uint32_t Release();

protected:
    // The member table: names matched without regard to case.
    virtual const Member* Members(size_t& count) const = 0;
    virtual tarn_result Invoke(int32_t id, Call& call) = 0;

private:
    friend struct Trampolines;
    uint32_t references_ = 1;
};

// Objects of the library alive right now.
size_t LiveServerObjects();

// The factories of the classes, for tarn_create_object.
tarn_dispatch* NewDictionary();
tarn_dispatch* NewFileSystem();

}  // namespace tarn::servers

// libtarnthrowserver.so: a C++ server that lets exceptions escape through the C interface,
// as a careless server might. ProgIDs: Tarn.Throw.Factory (the factory throws) and
// Tarn.Throw (an object whose every call throws std::runtime_error("disk on fire"), and
// whose Unknown member throws something that is not a std::exception).
#include <stdexcept>
#include <strings.h>

#include "tarn/automation.h"

namespace {

struct Thrower {
    tarn_dispatch base;
    uint32_t refs = 1;
};

uint32_t AddRef(tarn_dispatch* self) { return ++reinterpret_cast<Thrower*>(self)->refs; }

uint32_t Release(tarn_dispatch* self) {
    auto* t = reinterpret_cast<Thrower*>(self);
    uint32_t left = --t->refs;
    if (left == 0) delete t;
    return left;
}

tarn_result Ids(tarn_dispatch*, const tarn_sysstr* names, uint32_t, uint32_t, int32_t* ids) {
    ids[0] = tarn_sysstr_equals_name(names[0], "Unknown") ? 2 : 1;
    return TARN_OK;
}

tarn_result Invoke(tarn_dispatch*, int32_t id, uint32_t, uint16_t, const tarn_params*, tarn_variant*,
                   tarn_exception*, uint32_t*) {
    if (id == 2) throw 42;
    throw std::runtime_error("disk on fire");
}

const tarn_dispatch_vtbl kVtbl = {AddRef, Release, Ids, Invoke};

}  // namespace

extern "C" TARN_SERVER_EXPORT tarn_result tarn_create_object(uint32_t, const char* progid, tarn_dispatch** object) {
    *object = nullptr;
    if (strcasecmp(progid, "Tarn.Throw.Factory") == 0) throw std::runtime_error("no licence for this class");
    auto* t = new Thrower;
    t->base.vtbl = &kVtbl;
    *object = &t->base;
    return TARN_OK;
}

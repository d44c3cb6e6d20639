// libtarnscripting.so: the factory, the C interface trampolines and the helpers that the
// kit's server classes share (see server_object.h).
#include <cmath>
#include <cstring>
#include <new>
#include <strings.h>
#include <cstdio>

#include "server_object.h"

namespace tarn::servers {

namespace {

size_t g_live = 0;

ServerObject* Self(tarn_dispatch* d) { return static_cast<ServerObject*>(d); }

tarn_sysstr Wide(std::string_view s) { return tarn_sysstr_from_bytes(s.data(), static_cast<uint32_t>(s.size())); }

std::string Narrow(const uint16_t* s) {
    std::string out(tarn_sysstr_len(s), '\0');
    for (size_t i = 0; i < out.size(); ++i) out[i] = s[i] <= 0xFF ? static_cast<char>(s[i]) : '?';
    return out;
}

}  // namespace

struct Trampolines {
    static uint32_t AddRef(tarn_dispatch* self) { return Self(self)->AddRef(); }
    static uint32_t Release(tarn_dispatch* self) { return Self(self)->Release(); }

    static tarn_result Ids(tarn_dispatch* self, const tarn_sysstr* names, uint32_t count, uint32_t, int32_t* ids) {
        size_t n = 0;
        const Member* members = Self(self)->Members(n);
        tarn_result result = TARN_OK;
        for (uint32_t i = 0; i < count; ++i) {
            ids[i] = -1;
            for (size_t m = 0; m < n; ++m) {
                if (tarn_sysstr_equals_name(names[i], members[m].name)) ids[i] = members[m].id;
            }
            if (ids[i] == -1) result = TARN_E_UNKNOWN_NAME;
        }
        return result;
    }

    static tarn_result Invoke(tarn_dispatch* self, int32_t id, uint32_t, uint16_t flags, const tarn_params* params,
                              tarn_variant* result, tarn_exception* exception, uint32_t*) {
        Call call(flags, params, result, exception);
        try {
            return Self(self)->Invoke(id, call);
        } catch (const std::bad_alloc&) {
            return TARN_E_OUT_OF_MEMORY;
        }
    }
};

namespace {

const tarn_dispatch_vtbl kVtbl = {Trampolines::AddRef, Trampolines::Release, Trampolines::Ids, Trampolines::Invoke};

}  // namespace

ServerObject::ServerObject() {
    vtbl = &kVtbl;
    ++g_live;
}

ServerObject::~ServerObject() { --g_live; }

uint32_t ServerObject::Release() {
    uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
}

size_t LiveServerObjects() { return g_live; }

const tarn_variant* Call::Arg(uint32_t i) const {
    if (!params_ || i >= params_->count) return nullptr;
    const tarn_variant* v = tarn_arg(params_, i);
    if (v->vt == TARN_VT_ERROR && v->u.scode == TARN_PARAM_NOT_FOUND) return nullptr;
    return v;
}

tarn_result Call::Raise(std::string_view description) {
    if (exception_) {
        tarn_sysstr_free(exception_->description);
        exception_->description = Wide(description);
        exception_->source = exception_->source ? exception_->source : tarn_sysstr_from_cstr("Tarn.Scripting");
    }
    return TARN_E_EXCEPTION;
}

bool Call::Text(uint32_t i, std::string& out) {
    const tarn_variant* v = Arg(i);
    char buf[64];
    if (v) {
        switch (v->vt) {
            case TARN_VT_BSTR: out = Narrow(v->u.bstr); return true;
            case TARN_VT_I4: out = std::to_string(v->u.i4); return true;
            case TARN_VT_UI4: out = std::to_string(v->u.ui4); return true;
            case TARN_VT_UI1: out = std::to_string(v->u.ui1); return true;
            case TARN_VT_R8: std::snprintf(buf, sizeof buf, "%.15g", v->u.r8); out = buf; return true;
            case TARN_VT_BOOL: out = v->u.boolean ? "True" : "False"; return true;
            default: break;
        }
    }
    Raise("argument " + std::to_string(i + 1) + " must be a string");
    return false;
}

bool Call::Integer(uint32_t i, int64_t& out) {
    const tarn_variant* v = Arg(i);
    if (v) {
        switch (v->vt) {
            case TARN_VT_I4: out = v->u.i4; return true;
            case TARN_VT_UI4: out = v->u.ui4; return true;
            case TARN_VT_UI1: out = v->u.ui1; return true;
            case TARN_VT_BOOL: out = v->u.boolean ? 1 : 0; return true;
            case TARN_VT_R8:
                if (std::isfinite(v->u.r8) && std::fabs(v->u.r8) < 9.0e15) {
                    out = std::llround(v->u.r8);
                    return true;
                }
                break;
            default: break;
        }
    }
    Raise("argument " + std::to_string(i + 1) + " must be a number");
    return false;
}

bool Call::Boolean(uint32_t i, bool& out) {
    const tarn_variant* v = Arg(i);
    int64_t n;
    if (v && v->vt == TARN_VT_BOOL) {
        out = v->u.boolean != 0;
        return true;
    }
    if (!Integer(i, n)) return false;
    out = n != 0;
    return true;
}

tarn_result Call::ReturnText(std::string_view s) {
    if (!result_) return TARN_OK;
    tarn_sysstr w = Wide(s);
    if (!w) return TARN_E_OUT_OF_MEMORY;
    result_->vt = TARN_VT_BSTR;
    result_->u.bstr = w;
    return TARN_OK;
}

tarn_result Call::ReturnInteger(int64_t i) {
    if (!result_) return TARN_OK;
    if (i >= INT32_MIN && i <= INT32_MAX) {
        result_->vt = TARN_VT_I4;
        result_->u.i4 = static_cast<int32_t>(i);
        return TARN_OK;
    }
    return ReturnReal(static_cast<double>(i));
}

tarn_result Call::ReturnReal(double d) {
    if (!result_) return TARN_OK;
    result_->vt = TARN_VT_R8;
    result_->u.r8 = d;
    return TARN_OK;
}

tarn_result Call::ReturnBoolean(bool b) {
    if (!result_) return TARN_OK;
    result_->vt = TARN_VT_BOOL;
    result_->u.boolean = b ? -1 : 0;
    return TARN_OK;
}

tarn_result Call::ReturnDate(double date) {
    if (!result_) return TARN_OK;
    result_->vt = TARN_VT_DATE;
    result_->u.date = date;
    return TARN_OK;
}

tarn_result Call::ReturnObject(tarn_dispatch* object) {
    if (!result_) {
        if (object) object->vtbl->release(object);
        return TARN_OK;
    }
    result_->vt = TARN_VT_DISPATCH;
    result_->u.dispatch = object;
    return TARN_OK;
}

tarn_result Call::ReturnCopy(const tarn_variant& v) {
    if (!result_) return TARN_OK;
    return CopyVariant(v, *result_) ? TARN_OK : TARN_E_OUT_OF_MEMORY;
}

bool CopyVariant(const tarn_variant& v, tarn_variant& out) {
    out = v;
    if (v.vt == TARN_VT_BSTR) {
        out.u.bstr = tarn_sysstr_alloc(v.u.bstr, tarn_sysstr_len(v.u.bstr));
        if (!out.u.bstr) {
            tarn_variant_init(&out);
            return false;
        }
    } else if (v.vt == TARN_VT_DISPATCH && v.u.dispatch) {
        v.u.dispatch->vtbl->add_ref(v.u.dispatch);
    }
    return true;
}

}  // namespace tarn::servers

extern "C" TARN_SERVER_EXPORT tarn_result tarn_create_object(uint32_t version, const char* progid,
                                                              tarn_dispatch** object) {
    using namespace tarn::servers;
    *object = nullptr;
    if (version != TARN_AUTOMATION_VERSION) return TARN_E_FAIL;
    try {
        if (strcasecmp(progid, "Tarn.Dictionary") == 0) *object = NewDictionary();
        else if (strcasecmp(progid, "Tarn.FileSystem") == 0) *object = NewFileSystem();
        else return TARN_E_CLASS_NOT_REGISTERED;
    } catch (const std::bad_alloc&) {
        return TARN_E_OUT_OF_MEMORY;
    }
    return TARN_OK;
}

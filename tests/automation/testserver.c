/* libtarntestserver.so: an automation server written in plain C against tarn/automation.h,
 * for the engine's tests. ProgIDs:
 *
 *   Tarn.Test         the test object (members below)
 *   Tarn.Test.NoInterface / .Fails / .Nothing / .Throws (C++ only, see throwing.cpp)
 *                     factories that answer TARN_E_NO_INTERFACE, TARN_E_FAIL with an object
 *                     (which must be released), TARN_OK without an object
 *
 * Members of Tarn.Test:
 *   Echo(v)            returns its argument unchanged (a copy)
 *   TypeOf(v)          the automation type code of its argument, as an integer
 *   Make(code)         a value of automation type code (every code the engine converts, and
 *                      some it refuses): see MakeValue
 *   Sum0 .. Sum8(...)  the sum of 0..8 integer arguments (Sum0 returns 0)
 *   Join(a, ...)       its arguments (1..8) as text, joined with commas, first argument first
 *   Name               property: a string, readable and writable
 *   Number             property: an integer, readable and writable
 *   ReadOnly           property: get only; a put is TARN_E_MEMBER_NOT_FOUND
 *   Nothing()          a method that returns no value (VT_EMPTY)
 *   Fail(text)         raises an exception with that description; Fail() one without
 *   FailCode(code)     fails with the given tarn_result
 *   Child()            a new Tarn.Test object
 *   Same(o)            true when o is this very object
 *   Keep(o)            keeps a reference to o (released when this object goes)
 *   Live               property: objects of this library alive right now
 *   Required(a, b)     b must not be omitted: TARN_E_PARAM_NOT_OPTIONAL
 *   Crash              reads an unmapped address (the engine's fault guard)
 *   Poison             from now on this object's add_ref reads an unmapped address
 *   PoisonedChild()    a new object whose add_ref reads an unmapped address
 *   Overflow()         1 when 1e308 * 10 gives an infinity here (IEEE arithmetic, no trap)
 *
 * With TARN_TEST_SERVER_REPORT set, unloading the library writes
 * "testserver: N objects alive" to standard error: the tests' check that every reference
 * the engine took was given back. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "tarn/automation.h"

static long g_live;

typedef struct TestObject {
    tarn_dispatch base;
    uint32_t refs;
    tarn_sysstr name;
    int32_t number;
    tarn_dispatch* kept;
    int poisoned;  /* add_ref faults */
} TestObject;

enum {
    ECHO, TYPEOF, MAKE, SUM0, SUM1, SUM2, SUM3, SUM4, SUM5, SUM6, SUM7, SUM8, JOIN, NAME, NUMBER, READONLY,
    NOTHING, FAIL, FAILCODE, CHILD, SAME, KEEP, LIVE, REQUIRED, CRASH, POISON, POISONED_CHILD,
    OVERFLOW, MEMBER_COUNT
};

static const char* const kNames[MEMBER_COUNT] = {
    "Echo", "TypeOf", "Make", "Sum0", "Sum1", "Sum2", "Sum3", "Sum4", "Sum5", "Sum6", "Sum7", "Sum8", "Join",
    "Name", "Number", "ReadOnly", "Nothing", "Fail", "FailCode", "Child", "Same", "Keep", "Live", "Required",
    "Crash", "Poison", "PoisonedChild", "Overflow",
};

static tarn_dispatch* NewTestObject(void);

static uint32_t AddRef(tarn_dispatch* self) {
    if (((TestObject*)self)->poisoned) {
        /* Not null: the sanitizers of a checked build would stop at a null load first. */
        int* volatile nowhere = (int*)(uintptr_t)16;
        return (uint32_t)*nowhere;
    }
    return ++((TestObject*)self)->refs;
}

static uint32_t Release(tarn_dispatch* self) {
    TestObject* o = (TestObject*)self;
    uint32_t left = --o->refs;
    if (left == 0) {
        tarn_sysstr_free(o->name);
        if (o->kept) o->kept->vtbl->release(o->kept);
        free(o);
        --g_live;
    }
    return left;
}

static tarn_result Ids(tarn_dispatch* self, const tarn_sysstr* names, uint32_t count, uint32_t locale,
                       int32_t* ids) {
    uint32_t i;
    int m;
    tarn_result r = TARN_OK;
    (void)self;
    if (locale != TARN_LOCALE_USER_DEFAULT) return TARN_E_UNKNOWN_LOCALE;
    for (i = 0; i < count; ++i) {
        ids[i] = -1;
        for (m = 0; m < MEMBER_COUNT; ++m)
            if (tarn_sysstr_equals_name(names[i], kNames[m])) ids[i] = m;
        if (ids[i] < 0) r = TARN_E_UNKNOWN_NAME;
    }
    return r;
}

static tarn_result Raise(tarn_exception* ex, const char* text) {
    if (text) ex->description = tarn_sysstr_from_cstr(text);
    ex->source = tarn_sysstr_from_cstr("Tarn.Test");
    return TARN_E_EXCEPTION;
}

/* A value of type code: fixed contents the tests know. */
static tarn_result MakeValue(int32_t code, tarn_variant* r, tarn_exception* ex) {
    static const uint16_t kWide[] = {'W', 0x101, 'x', 0xE9};
    r->vt = (uint16_t)code;
    switch (code) {
    case TARN_VT_EMPTY: case TARN_VT_NULL: case TARN_VT_VOID: break;
    case TARN_VT_I2: r->u.i2 = -12345; break;
    case TARN_VT_I4: r->u.i4 = -2000000000; break;
    case TARN_VT_INT: r->u.i4 = 77; break;
    case TARN_VT_R4: r->u.r4 = 1.5f; break;
    case TARN_VT_R8: r->u.r8 = 3.25; break;
    case TARN_VT_CY: r->u.cy = -1234567; break;                 /* -123.4567 */
    case TARN_VT_DATE: r->u.date = 36525.75; break;             /* 1999-12-31 18:00:00 */
    case TARN_VT_BSTR: r->u.bstr = tarn_sysstr_alloc(kWide, 4); break;
    case TARN_VT_DISPATCH: r->u.dispatch = NewTestObject(); break;
    case TARN_VT_ERROR: r->u.scode = 5; break;
    case TARN_VT_BOOL: r->u.boolean = -1; break;
    case TARN_VT_DECIMAL:                                       /* -1234.5 */
        r->u.decimal.scale = 1; r->u.decimal.sign = 0x80; r->u.decimal.lo64 = 12345; break;
    case TARN_VT_I1: r->u.i1 = -3; break;
    case TARN_VT_UI1: r->u.ui1 = 200; break;
    case TARN_VT_UI2: r->u.ui2 = 65535; break;
    case TARN_VT_UI4: case TARN_VT_UINT: r->u.ui4 = 4000000000u; break;
    case TARN_VT_I8: r->u.i8 = -9000000000000LL; break;
    case TARN_VT_UI8: r->u.ui8 = 18000000000000000000ULL; break;
    case TARN_VT_FILETIME: r->u.filetime = 116444736000000000ULL; break; /* 1970-01-01 */
    case 1000: r->vt = TARN_VT_DATE; r->u.date = NAN; break;   /* a date with no text */
    case 1001: r->vt = TARN_VT_DECIMAL; r->u.decimal.scale = 40; break; /* a bad decimal */
    case 1002: r->vt = TARN_VT_I4 | TARN_VT_ARRAY; break;      /* an array */
    case 1003: r->vt = TARN_VT_DISPATCH; r->u.dispatch = NULL; break; /* Nothing */
    default:
        if (code >= 0 && code < 0x1000) break;  /* any other code, no contents */
        r->vt = TARN_VT_EMPTY;
        return Raise(ex, "Make: no such type code");
    }
    return TARN_OK;
}

static int Int(const tarn_variant* v, int32_t* out) {
    if (!v) return 0;
    switch (v->vt) {
    case TARN_VT_I4: *out = v->u.i4; return 1;
    case TARN_VT_UI4: *out = (int32_t)v->u.ui4; return 1;
    case TARN_VT_UI1: *out = v->u.ui1; return 1;
    case TARN_VT_BOOL: *out = v->u.boolean ? 1 : 0; return 1;
    case TARN_VT_R8: *out = (int32_t)v->u.r8; return 1;
    default: return 0;
    }
}

static tarn_result Copy(const tarn_variant* v, tarn_variant* r) {
    *r = *v;
    if (v->vt == TARN_VT_BSTR) r->u.bstr = tarn_sysstr_alloc(v->u.bstr, tarn_sysstr_len(v->u.bstr));
    if (v->vt == TARN_VT_DISPATCH && v->u.dispatch) v->u.dispatch->vtbl->add_ref(v->u.dispatch);
    return TARN_OK;
}

/* Appends argument v as text to buf. */
static void AppendText(char* buf, size_t size, const tarn_variant* v) {
    char item[300];
    size_t used = strlen(buf);
    switch (v->vt) {
    case TARN_VT_BSTR: tarn_sysstr_to_bytes(v->u.bstr, item, sizeof item); break;
    case TARN_VT_I4: snprintf(item, sizeof item, "%d", v->u.i4); break;
    case TARN_VT_UI4: snprintf(item, sizeof item, "%uu", v->u.ui4); break;
    case TARN_VT_UI1: snprintf(item, sizeof item, "%ub", v->u.ui1); break;
    case TARN_VT_R8: snprintf(item, sizeof item, "%g", v->u.r8); break;
    case TARN_VT_BOOL: snprintf(item, sizeof item, "%s", v->u.boolean ? "true" : "false"); break;
    case TARN_VT_NULL: snprintf(item, sizeof item, "null"); break;
    case TARN_VT_DISPATCH: snprintf(item, sizeof item, "%s", v->u.dispatch ? "object" : "nothing"); break;
    case TARN_VT_ERROR: snprintf(item, sizeof item, "omitted"); break;
    default: snprintf(item, sizeof item, "vt%u", v->vt); break;
    }
    snprintf(buf + used, size - used, "%s%s", used ? "," : "", item);
}

static tarn_result Invoke(tarn_dispatch* self, int32_t id, uint32_t locale, uint16_t flags, const tarn_params* p,
                          tarn_variant* r, tarn_exception* ex, uint32_t* bad) {
    TestObject* o = (TestObject*)self;
    const tarn_variant* a0 = tarn_arg(p, 0);
    int32_t n = 0, i;
    char text[2400];
    (void)locale;
    if (flags & TARN_DISPATCH_PROPERTYPUT) {
        if (p->count != 1 || p->named_count != 1 || p->named_ids[0] != TARN_DISPID_PROPERTYPUT) return TARN_E_FAIL;
        if (id == NAME) {
            if (a0->vt != TARN_VT_BSTR) { *bad = 0; return TARN_E_TYPE_MISMATCH; }
            tarn_sysstr_free(o->name);
            o->name = tarn_sysstr_alloc(a0->u.bstr, tarn_sysstr_len(a0->u.bstr));
            return TARN_OK;
        }
        if (id == NUMBER) {
            if (!Int(a0, &o->number)) return Raise(ex, "Number must be a number");
            return TARN_OK;
        }
        return TARN_E_MEMBER_NOT_FOUND;
    }
    if (id >= SUM0 && id <= SUM8) {
        if ((int32_t)p->count != id - SUM0) return TARN_E_BAD_PARAM_COUNT;
        for (i = 0; i < (int32_t)p->count; ++i) {
            int32_t v;
            if (!Int(tarn_arg(p, (uint32_t)i), &v)) { *bad = p->count - 1 - (uint32_t)i; return TARN_E_TYPE_MISMATCH; }
            n += v;
        }
        if (r) { r->vt = TARN_VT_I4; r->u.i4 = n; }
        return TARN_OK;
    }
    switch (id) {
    case ECHO:
        if (p->count != 1) return TARN_E_BAD_PARAM_COUNT;
        return r ? Copy(a0, r) : TARN_OK;
    case TYPEOF:
        if (p->count != 1) return TARN_E_BAD_PARAM_COUNT;
        if (r) { r->vt = TARN_VT_I4; r->u.i4 = a0->vt; }
        return TARN_OK;
    case MAKE:
        if (p->count != 1 || !Int(a0, &n)) return TARN_E_BAD_PARAM_COUNT;
        if (!r) return TARN_OK;
        return MakeValue(n, r, ex);
    case JOIN:
        if (p->count < 1 || p->count > 8) return TARN_E_BAD_PARAM_COUNT;
        text[0] = 0;
        for (i = 0; i < (int32_t)p->count; ++i) AppendText(text, sizeof text, tarn_arg(p, (uint32_t)i));
        if (r) { r->vt = TARN_VT_BSTR; r->u.bstr = tarn_sysstr_from_cstr(text); }
        return TARN_OK;
    case NAME:
        if (p->count) return TARN_E_BAD_PARAM_COUNT;
        if (r) { r->vt = TARN_VT_BSTR; r->u.bstr = tarn_sysstr_alloc(o->name, tarn_sysstr_len(o->name)); }
        return TARN_OK;
    case NUMBER:
    case READONLY:
    case LIVE:
        if (p->count) return TARN_E_BAD_PARAM_COUNT;
        if (r) { r->vt = TARN_VT_I4; r->u.i4 = id == NUMBER ? o->number : id == LIVE ? (int32_t)g_live : 42; }
        return TARN_OK;
    case NOTHING:
        return TARN_OK;
    case FAIL:
        if (p->count > 1) return TARN_E_BAD_PARAM_COUNT;
        if (p->count == 0) return Raise(ex, NULL);
        tarn_sysstr_to_bytes(a0->u.bstr, text, sizeof text);
        return Raise(ex, text);
    case FAILCODE:
        if (p->count != 1 || !Int(a0, &n)) return TARN_E_BAD_PARAM_COUNT;
        return n;
    case CHILD:
        if (r) { r->vt = TARN_VT_DISPATCH; r->u.dispatch = NewTestObject(); }
        return TARN_OK;
    case SAME:
        if (p->count != 1) return TARN_E_BAD_PARAM_COUNT;
        if (r) { r->vt = TARN_VT_BOOL; r->u.boolean = a0->vt == TARN_VT_DISPATCH && a0->u.dispatch == self ? -1 : 0; }
        return TARN_OK;
    case KEEP:
        if (p->count != 1 || a0->vt != TARN_VT_DISPATCH || !a0->u.dispatch) return TARN_E_TYPE_MISMATCH;
        if (o->kept) o->kept->vtbl->release(o->kept);
        o->kept = a0->u.dispatch;
        o->kept->vtbl->add_ref(o->kept);
        return TARN_OK;
    case REQUIRED:
        if (p->count != 2) return TARN_E_BAD_PARAM_COUNT;
        if (tarn_arg(p, 1)->vt == TARN_VT_ERROR) return TARN_E_PARAM_NOT_OPTIONAL;
        return TARN_OK;
    case POISON:
        o->poisoned = 1;
        return TARN_OK;
    case POISONED_CHILD:
        if (r) {
            r->vt = TARN_VT_DISPATCH;
            r->u.dispatch = NewTestObject();
            if (r->u.dispatch) ((TestObject*)r->u.dispatch)->poisoned = 1;
        }
        return TARN_OK;
    case CRASH: {
        /* Not null: the sanitizers of a checked build would stop at a null load first. */
        int* volatile nowhere = (int*)(uintptr_t)16;
        return *nowhere;
    }
    case OVERFLOW: {
        volatile double big = 1e308;
        const double product = big * 10.0;
        if (r) { r->vt = TARN_VT_I4; r->u.i4 = isinf(product) ? 1 : 0; }
        return TARN_OK;
    }
    }
    return TARN_E_MEMBER_NOT_FOUND;
}

static const tarn_dispatch_vtbl kVtbl = {AddRef, Release, Ids, Invoke};

static tarn_dispatch* NewTestObject(void) {
    TestObject* o = (TestObject*)calloc(1, sizeof *o);
    if (!o) return NULL;
    o->base.vtbl = &kVtbl;
    o->refs = 1;
    o->name = tarn_sysstr_from_cstr("unnamed");
    ++g_live;
    return &o->base;
}

TARN_SERVER_EXPORT long tarn_test_server_live(void) { return g_live; }

TARN_SERVER_EXPORT tarn_result tarn_create_object(uint32_t version, const char* progid, tarn_dispatch** object) {
    *object = NULL;
    if (version != TARN_AUTOMATION_VERSION) return TARN_E_FAIL;
    if (strcasecmp(progid, "Tarn.Test") == 0) {
        *object = NewTestObject();
        return *object ? TARN_OK : TARN_E_OUT_OF_MEMORY;
    }
    if (strcasecmp(progid, "Tarn.Test.NoInterface") == 0) return TARN_E_NO_INTERFACE;
    if (strcasecmp(progid, "Tarn.Test.Fails") == 0) {
        *object = NewTestObject();  /* handed out with a failure: the engine must release it */
        return TARN_E_FAIL;
    }
    if (strcasecmp(progid, "Tarn.Test.Nothing") == 0) return TARN_OK;
    return TARN_E_CLASS_NOT_REGISTERED;
}

__attribute__((destructor)) static void Report(void) {
    if (getenv("TARN_TEST_SERVER_REPORT")) fprintf(stderr, "testserver: %ld objects alive\n", g_live);
}

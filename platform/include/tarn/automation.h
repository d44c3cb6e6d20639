/* Tarn Pascal automation objects: the interface between Pascal programs and automation
 * servers written in C or C++.
 *
 * A server is a shared library that exports one function, tarn_create_object. A program's
 * createobject('Some.Name') looks the name up in the automation registry (a text file of
 * "ProgID = path" lines, see docs/automation.md), loads the library, and asks the factory
 * for an object. Every object is reached through one interface, tarn_dispatch: reference
 * counting (add_ref, release), member lookup by name (get_ids_of_names) and late-bound
 * calls (invoke) that carry their arguments and result as tarn_variant values.
 *
 * The helpers below are static inline so a server needs nothing but this header: system
 * strings and variants are allocated with malloc and freed with free, on both sides.
 */
#ifndef TARN_AUTOMATION_H
#define TARN_AUTOMATION_H

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Passed to the factory; a server refuses other versions with TARN_E_FAIL. */
#define TARN_AUTOMATION_VERSION 1u

/* The locale the engine passes to every lookup and call (the user's default). */
#define TARN_LOCALE_USER_DEFAULT 0x400u

/* ---- Results --------------------------------------------------------------------- */

typedef int32_t tarn_result;

#define TARN_OK 0
#define TARN_E_FAIL (-1)                 /* anything not listed below */
#define TARN_E_OUT_OF_MEMORY (-2)
#define TARN_E_INVALID_ARG (-3)
/* Object creation (the factory). */
#define TARN_E_CLASS_NOT_REGISTERED (-10) /* this library does not serve that ProgID */
#define TARN_E_INVALID_CLASS (-11)        /* the ProgID is malformed */
#define TARN_E_NO_INTERFACE (-12)         /* the object exists but offers no tarn_dispatch */
/* Member lookup and calls. */
#define TARN_E_UNKNOWN_NAME (-20)         /* get_ids_of_names: no member of that name */
#define TARN_E_MEMBER_NOT_FOUND (-21)     /* invoke: the member cannot be used this way */
#define TARN_E_BAD_PARAM_COUNT (-22)
#define TARN_E_PARAM_NOT_OPTIONAL (-23)   /* a required argument was left out */
#define TARN_E_TYPE_MISMATCH (-24)
#define TARN_E_EXCEPTION (-25)            /* the member failed; details in tarn_exception */
#define TARN_E_UNKNOWN_LOCALE (-26)
#define TARN_E_UNKNOWN_INTERFACE (-27)

/* ---- System strings ---------------------------------------------------------------
 * A system string is a pointer to 16-bit characters, preceded by a 32-bit byte count and
 * followed by a zero character. The engine widens each byte of a Pascal string into one
 * character (no code-page conversion), and narrows results back: characters 0-255 become
 * that byte, any other character '?'. So a server sees UTF-8 text as one character per
 * byte, and bytes pass through unchanged both ways. A null system string is the empty
 * string. */

typedef uint16_t* tarn_sysstr;

static inline uint32_t tarn_sysstr_len(const uint16_t* s) { /* in characters */
    uint32_t bytes;
    if (!s) return 0;
    memcpy(&bytes, (const char*)s - 4, 4);
    return bytes / 2;
}

static inline tarn_sysstr tarn_sysstr_alloc(const uint16_t* chars, uint32_t length) {
    char* block;
    uint32_t bytes;
    if (length > (UINT32_MAX - 8) / 2) return NULL;
    bytes = length * 2;
    block = (char*)malloc((size_t)bytes + 6);
    if (!block) return NULL;
    memcpy(block, &bytes, 4);
    if (chars && length) memcpy(block + 4, chars, bytes);
    else memset(block + 4, 0, bytes);
    block[4 + bytes] = 0;
    block[5 + bytes] = 0;
    return (tarn_sysstr)(block + 4);
}

/* Each byte of text[0 .. length) becomes one character. */
static inline tarn_sysstr tarn_sysstr_from_bytes(const char* text, uint32_t length) {
    uint32_t i;
    tarn_sysstr s = tarn_sysstr_alloc(NULL, length);
    if (!s) return NULL;
    for (i = 0; i < length; ++i) s[i] = (unsigned char)text[i];
    return s;
}

static inline tarn_sysstr tarn_sysstr_from_cstr(const char* text) {
    return tarn_sysstr_from_bytes(text, text ? (uint32_t)strlen(text) : 0);
}

static inline void tarn_sysstr_free(tarn_sysstr s) {
    if (s) free((char*)s - 4);
}

/* Narrows s into out (at most size - 1 bytes and a terminator); characters above 255
 * become '?'. Returns the length of s in characters. */
static inline uint32_t tarn_sysstr_to_bytes(const uint16_t* s, char* out, uint32_t size) {
    uint32_t i, n = tarn_sysstr_len(s);
    for (i = 0; size && i < n && i < size - 1; ++i) out[i] = s[i] <= 0xFF ? (char)s[i] : '?';
    if (size) out[i] = 0;
    return n;
}

/* Compares s with an ASCII name without regard to case (member names are matched so). */
static inline int tarn_sysstr_equals_name(const uint16_t* s, const char* name) {
    uint32_t i, n = tarn_sysstr_len(s);
    for (i = 0; i < n; ++i) {
        uint16_t a = s[i];
        unsigned char b = (unsigned char)name[i];
        if (b == 0) return 0;
        if (a >= 'A' && a <= 'Z') a = (uint16_t)(a + 32);
        if (b >= 'A' && b <= 'Z') b = (unsigned char)(b + 32);
        if (a != b) return 0;
    }
    return name[n] == 0;
}

/* ---- Variants ---------------------------------------------------------------------
 * The type codes are the classic automation ones; a Pascal program's variant values use
 * the same numbers for the types they share (see docs/automation.md for the conversion
 * each way). */

enum tarn_vartype {
    TARN_VT_EMPTY = 0,
    TARN_VT_NULL = 1,
    TARN_VT_I2 = 2,
    TARN_VT_I4 = 3,
    TARN_VT_R4 = 4,
    TARN_VT_R8 = 5,
    TARN_VT_CY = 6,        /* currency: int64 scaled by 10000 */
    TARN_VT_DATE = 7,      /* days since 1899-12-30, the fraction is the time of day */
    TARN_VT_BSTR = 8,      /* system string */
    TARN_VT_DISPATCH = 9,
    TARN_VT_ERROR = 10,    /* scode; TARN_PARAM_NOT_FOUND marks an omitted argument */
    TARN_VT_BOOL = 11,     /* -1 true, 0 false */
    TARN_VT_VARIANT = 12,
    TARN_VT_UNKNOWN = 13,
    TARN_VT_DECIMAL = 14,
    TARN_VT_I1 = 16,
    TARN_VT_UI1 = 17,
    TARN_VT_UI2 = 18,
    TARN_VT_UI4 = 19,
    TARN_VT_I8 = 20,
    TARN_VT_UI8 = 21,
    TARN_VT_INT = 22,
    TARN_VT_UINT = 23,
    TARN_VT_VOID = 24,
    TARN_VT_PTR = 26,
    TARN_VT_FILETIME = 64, /* 100-nanosecond intervals since 1601-01-01 UTC */
    TARN_VT_BLOB = 65,
    TARN_VT_STREAM = 66,
    TARN_VT_VECTOR = 0x1000,
    TARN_VT_ARRAY = 0x2000,
    TARN_VT_BYREF = 0x4000
};

/* The error value of an omitted (optional) argument. */
#define TARN_PARAM_NOT_FOUND ((int32_t)0x80020004)

typedef struct tarn_decimal {
    uint8_t scale; /* power of ten the value is divided by, 0-28 */
    uint8_t sign;  /* 0x80 negative */
    uint16_t reserved;
    uint32_t hi32; /* the 96-bit magnitude: hi32 * 2^64 + lo64 */
    uint64_t lo64;
} tarn_decimal;

typedef struct tarn_dispatch tarn_dispatch;

typedef struct tarn_variant {
    uint16_t vt;
    uint16_t reserved[3];
    union {
        int8_t i1;
        uint8_t ui1;
        int16_t i2;
        uint16_t ui2;
        int32_t i4;
        uint32_t ui4;
        int64_t i8;
        uint64_t ui8;
        float r4;
        double r8;
        int16_t boolean;
        int64_t cy;
        double date;
        uint64_t filetime;
        tarn_sysstr bstr;
        tarn_dispatch* dispatch;
        int32_t scode;
        tarn_decimal decimal;
    } u;
} tarn_variant;

static inline void tarn_variant_init(tarn_variant* v) { memset(v, 0, sizeof *v); }

/* Frees what v owns (a system string, a reference to an object) and makes it empty. */
static inline void tarn_variant_clear(tarn_variant* v);

/* ---- The dispatch interface --------------------------------------------------------- */

/* invoke flags */
#define TARN_DISPATCH_METHOD 1u
#define TARN_DISPATCH_PROPERTYGET 2u
#define TARN_DISPATCH_PROPERTYPUT 4u

/* The name id of the value argument of a property put. */
#define TARN_DISPID_PROPERTYPUT (-3)

/* The arguments of a call, in reverse order: args[0] is the last argument, as the engine
 * pops them from the program's stack. tarn_arg gives them first argument first. The
 * callee reads them and must not clear them; the engine does afterwards. */
typedef struct tarn_params {
    tarn_variant* args;
    const int32_t* named_ids; /* for a property put: { TARN_DISPID_PROPERTYPUT } */
    uint32_t count;
    uint32_t named_count;
} tarn_params;

static inline tarn_variant* tarn_arg(const tarn_params* p, uint32_t i) {
    return i < p->count ? &p->args[p->count - 1 - i] : NULL;
}

/* What a member that failed with TARN_E_EXCEPTION reports; the engine frees the strings. */
typedef struct tarn_exception {
    uint16_t code;
    uint16_t reserved;
    int32_t scode;
    tarn_sysstr source;
    tarn_sysstr description;
} tarn_exception;

typedef struct tarn_dispatch_vtbl {
    /* Reference counting; both return the new count. An object starts with one reference,
     * owned by whoever received it. */
    uint32_t (*add_ref)(tarn_dispatch* self);
    uint32_t (*release)(tarn_dispatch* self);
    /* The member ids of count names (the engine asks for one at a time). */
    tarn_result (*get_ids_of_names)(tarn_dispatch* self, const tarn_sysstr* names, uint32_t count,
                                    uint32_t locale, int32_t* ids);
    /* Calls member id. flags: TARN_DISPATCH_METHOD and/or _PROPERTYGET, or _PROPERTYPUT.
     * result (null for a property put) is empty on entry; a value placed there, with its
     * string or object reference, belongs to the caller. On TARN_E_EXCEPTION fill
     * *exception; on an argument error set *bad_arg to its index in params->args. */
    tarn_result (*invoke)(tarn_dispatch* self, int32_t id, uint32_t locale, uint16_t flags,
                          const tarn_params* params, tarn_variant* result, tarn_exception* exception,
                          uint32_t* bad_arg);
} tarn_dispatch_vtbl;

struct tarn_dispatch {
    const tarn_dispatch_vtbl* vtbl;
};

static inline void tarn_variant_clear(tarn_variant* v) {
    if (v->vt == TARN_VT_BSTR) tarn_sysstr_free(v->u.bstr);
    else if (v->vt == TARN_VT_DISPATCH && v->u.dispatch) v->u.dispatch->vtbl->release(v->u.dispatch);
    tarn_variant_init(v);
}

/* ---- The server's factory --------------------------------------------------------- */

/* Every server library exports this function (extern "C" in C++, visible). It creates a
 * new object of the class progid names (the ProgID exactly as the registry lists it), with
 * one reference, and stores it in *object. Results: TARN_OK, TARN_E_CLASS_NOT_REGISTERED,
 * TARN_E_NO_INTERFACE, TARN_E_OUT_OF_MEMORY, TARN_E_FAIL. */
#define TARN_FACTORY_NAME "tarn_create_object"
typedef tarn_result (*tarn_factory)(uint32_t version, const char* progid, tarn_dispatch** object);

#if defined(__GNUC__)
#define TARN_SERVER_EXPORT __attribute__((visibility("default")))
#else
#define TARN_SERVER_EXPORT
#endif

#ifdef __cplusplus
}
#endif

#endif /* TARN_AUTOMATION_H */

/* The library the external-routine tests call: one routine per parameter and result class
 * that standard routine 144 handles. Each routine does a small computation whose result
 * shows that every argument arrived in its place with its value. */
#define _GNU_SOURCE
#include <fenv.h>
#include <stddef.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

/* ---- Values --------------------------------------------------------------------------- */

/* Distinct weights per position: a swapped or lost argument changes the result. */
EXPORT int tx_ordinals(int a, int b, int c) { return a * 10000 + b * 100 + c; }
EXPORT int tx_negate(int a) { return -a; }
EXPORT char tx_next_char(char c) { return (char)(c + 1); }
EXPORT double tx_reals(double x, double y) { return x * 1000.0 + y; }
EXPORT float tx_single(float x) { return x * 0.5f; }
EXPORT double tx_mixed(int a, double b, float c, int d) { return a * 1000.0 + b * 100.0 + c * 10.0 + d; }

/* Under a leading underscore only: found when the program names it without one. */
EXPORT int _tx_decorated(int a) { return a + 1; }

/* A procedure and a function that reads what it left behind. */
static int g_last;
EXPORT void tx_remember(int a) { g_last = a; }
EXPORT int tx_last(void) { return g_last; }

/* ---- Pointers and variable parameters -------------------------------------------------- */

EXPORT int tx_is_null(const void *p) { return p == NULL; }
EXPORT int tx_peek(const int *p) { return *p; }
EXPORT const int *tx_second(const int *p) { return p + 1; }
EXPORT const int *tx_outside(void) { return &g_last; }
EXPORT void tx_increment(int *p) { *p += 1; }
EXPORT void tx_square(double *x) { *x = *x * *x; }
EXPORT void tx_halve(float *x) { *x = *x / 2.0f; }
/* A variable of a pointer type: moved on by one int. */
EXPORT void tx_advance(const int **p) { *p += 1; }
EXPORT void tx_clear_pointer(const int **p) { *p = NULL; }
EXPORT void tx_point_outside(const int **p) { *p = &g_last; }
EXPORT int tx_sum_array(const int *a, int n) {
    int s = 0;
    for (int i = 0; i < n; ++i) s += a[i];
    return s;
}

/* ---- Strings --------------------------------------------------------------------------- */

EXPORT int tx_length(const char *s) { return (int)strlen(s); }
EXPORT void tx_upcase(char *s) {
    for (; *s; ++s)
        if (*s >= 'a' && *s <= 'z') *s = (char)(*s - 'a' + 'A');
}
/* A Pascal string with a 1-byte length prefix: the length it holds. */
EXPORT int tx_prefixed_length(const unsigned char *s) { return s[0]; }
EXPORT const char *tx_greeting(int which) {
    switch (which) {
        case 1: return "hello";
        case 2: return "a greeting longer than the result space";
        default: return NULL;
    }
}

/* ---- Records --------------------------------------------------------------------------- */

struct tx_point { int x, y; double weight; };
struct tx_pair { int a, b; };                 /* 8 bytes: passed and returned in registers */
struct tx_big { int v[6]; };                  /* 24 bytes: passed and returned in memory */

EXPORT void tx_move(struct tx_point *p, int dx, int dy) {
    p->x += dx;
    p->y += dy;
    p->weight *= 2.0;
}
EXPORT int tx_pair_value(struct tx_pair p) { return p.a * 100 + p.b; }
EXPORT int tx_big_value(int scale, struct tx_big b) {
    int s = 0;
    for (int i = 0; i < 6; ++i) s = s * 10 + b.v[i];
    return s * scale;
}
EXPORT struct tx_pair tx_make_pair(int a, int b) {
    struct tx_pair p = {a, b};
    return p;
}
EXPORT struct tx_big tx_make_big(int first) {
    struct tx_big b;
    for (int i = 0; i < 6; ++i) b.v[i] = first + i;
    return b;
}

/* ---- Faults ---------------------------------------------------------------------------- */

EXPORT double tx_divide(double a, double b) { return a / b; }
/* Leaves every floating-point trap masked and rounding upward. */
EXPORT void tx_mask_traps(void) {
    fedisableexcept(FE_ALL_EXCEPT);
    fesetround(FE_UPWARD);
}
EXPORT int tx_crash(void) {
    int *volatile nowhere = NULL;
    return *nowhere;
}

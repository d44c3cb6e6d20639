/* sieve.pas as gcc -O2 compiles it in C, with the element size the Pascal code generator
   gives a boolean (4 bytes; an optimising Pascal compiler gives it 1): how fast native
   code runs over the engine's data layout. */
#include <stdio.h>

#define LIMIT 8000000
#define ROUNDS 10

static int flags[LIMIT + 1];

int main(void) {
    int count = 0;
    for (int r = 1; r <= ROUNDS; r++) {
        for (int i = 2; i <= LIMIT; i++) flags[i] = 1;
        count = 0;
        for (int i = 2; i <= LIMIT; i++)
            if (flags[i]) {
                count++;
                for (int k = i + i; k <= LIMIT; k += i) flags[k] = 0;
            }
    }
    printf("primes below %d: %d\n", LIMIT, count);
    return 0;
}

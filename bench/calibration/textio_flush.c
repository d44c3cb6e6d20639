/* textio.pas in C: the same lines written, read back and summed. With the argument 1 the
   stream is flushed after every line, as writeln does; with 0 it is not, as an optimising
   Pascal compiler's runtime does. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    int flush = argc > 1 && atoi(argv[1]) != 0;
    FILE* f = fopen("textio.tmp", "w+");
    if (f == NULL) return 1;
    for (int i = 1; i <= 1000000; i++) {
        fprintf(f, "%8d %4d line\n", i, (i * 7) % 1000);
        if (flush) fflush(f);
    }
    rewind(f);
    int a, b, sum = 0, c;
    while (fscanf(f, "%d %d", &a, &b) == 2) {
        do c = getc(f); while (c != '\n' && c != EOF);
        sum = (sum + a % 1000 + b) % 999983;
    }
    printf("checksum %d\n", sum);
    fclose(f);
    remove("textio.tmp");
    return 0;
}

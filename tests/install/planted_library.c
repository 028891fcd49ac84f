/* A library planted in the current directory under an interface library's
 * file name.  A program that ever loads it leaves a file behind there. */
#include <stdio.h>

__attribute__((constructor)) static void Planted(void) {
    FILE* trace = fopen("PLANTED_LIBRARY_LOADED", "w");
    if (trace != NULL) fclose(trace);
}

// What a fuzz target checks: a broken invariant stops the run at once, with
// the input that broke it kept by the fuzzer.
#ifndef MERONG_FUZZ_CHECK_H
#define MERONG_FUZZ_CHECK_H

#include <stdio.h>
#include <stdlib.h>

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "%s:%d: %s does not hold\n", __FILE__, __LINE__, #condition);          \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

#endif

// SPDX-License-Identifier: Apache-2.0
// A program of a front end's kind, built against an installed pylora: any
// code but 13 must come back as PYLORA_NOT_RUN without touching a file.
#include <pylora/ipylora8.h>
#include <stdio.h>

int main(void) {
    const int code = IPYLORA8(12);
    printf("%d\n", code);
    return code == PYLORA_NOT_RUN ? 0 : 1;
}

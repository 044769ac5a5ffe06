// The library's entry point, as a front end calls it.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Runs the analysis named by "Names.dat" in the current working directory
// when code is 13 and returns its code: 0 when every load case and
// combination was analysed, an analysis stop code (3, 13, 21 to 35, 40, 41, 999), or
// 101 to 104 when the run could not start or its input could not be read.
// Any other code returns 1 at once and touches no file.
int IPYLORA8(int code);

#ifdef __cplusplus
}
#endif

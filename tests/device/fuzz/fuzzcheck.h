#pragma once

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

// The parsers log their findings; the fuzzers build the texts but keep them off the terminal.
inline void discard_messages(QtMsgType, QMessageLogContext const&, QString const&) {}

// A broken invariant of a parsed record counts as a crash for libFuzzer.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "invariant broken: %s\n", #condition);                            \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

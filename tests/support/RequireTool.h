#pragma once

#include <cstdlib>
#include <gtest/gtest.h>

// Skips the calling test when an outside tool is missing, but fails it when
// the CI variable is set: there a missing tool means a broken setup, and a
// broken setup must not pass. scripts/setup installs every tool.
#define TB_REQUIRE_TOOL(present, what)                                                             \
    do {                                                                                           \
        if (!(present)) {                                                                          \
            if (std::getenv("CI"))                                                                 \
                GTEST_FAIL() << what << " missing (scripts/setup installs it)";                    \
            GTEST_SKIP() << what << " missing (scripts/setup installs it)";                        \
        }                                                                                          \
    } while (false)

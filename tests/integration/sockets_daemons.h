// Shared by the socket client integration tests: finding a daemon's program, and the
// rule that a missing one fails under CI (where scripts/deps.sh installs it) and skips
// elsewhere.
#pragma once

#include "support/VxTestDaemon.h"

#include <gtest/gtest.h>

#include <cstdlib>

#define VX_REQUIRE_PROGRAM(Var, Name)                                                              \
    const QString Var = TVxTestDaemon::FindProgram(QStringLiteral(Name));                         \
    if (Var.isEmpty()) {                                                                           \
        if (std::getenv("CI"))                                                                     \
            FAIL() << Name " is not installed (scripts/deps.sh installs it)";                      \
        GTEST_SKIP() << Name " is not installed";                                                  \
    }

// The main of the GoogleTest suites: every test starts in the English C locale whatever the
// tester's environment says; the tests of the Japanese texts choose Japanese themselves.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/child_process.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    // An empty value removes the variable.
    ::_putenv_s("LANG", "C.UTF-8");
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) {
        ::_putenv_s(name, "");
    }
#else
    ::setenv("LANG", "C.UTF-8", 1);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::unsetenv("LANGUAGE");
#endif
    qdu::testing::take_child_role(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

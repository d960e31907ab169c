// The main of the GoogleTest suites: every test starts in the English C locale whatever the
// tester's environment says; the tests of the Japanese texts choose Japanese themselves.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::setenv("LANG", "C.UTF-8", 1);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::unsetenv("LANGUAGE");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

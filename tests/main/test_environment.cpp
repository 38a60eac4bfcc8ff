// Compiled into every test program: the tests run headless and read dates in US English,
// whatever the calling shell has set.
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment()
    {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("LANG", "en_US.UTF-8", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_TIME");
        ::unsetenv("LANGUAGE");
    }
};

const TestEnvironment environment;

} // namespace

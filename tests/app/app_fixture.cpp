#include "app_fixture.h"

namespace vesko::test {

namespace {

class AppEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete app;
        app = nullptr;
    }
    QApplication* app = nullptr;
};

AppEnvironment* const environment
    = static_cast<AppEnvironment*>(::testing::AddGlobalTestEnvironment(new AppEnvironment));

} // namespace

QApplication& App()
{
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = { name, nullptr };
    if (!environment->app)
        environment->app = new QApplication(argc, argv);
    return *environment->app;
}

} // namespace vesko::test

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// Qt's I/O classes want an application object; one for the whole test program.
class QtCoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!QCoreApplication::instance())
            m_app = new QCoreApplication(m_argc, m_argv);
    }
    void TearDown() override { delete m_app; }

private:
    int m_argc = 1;
    char m_name[8] = "test_io";
    char* m_argv[2] = {m_name, nullptr};
    QCoreApplication* m_app = nullptr;
};

[[maybe_unused]] auto* const g_env = ::testing::AddGlobalTestEnvironment(new QtCoreEnvironment);

}  // namespace

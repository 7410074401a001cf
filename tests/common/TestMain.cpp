#include "TestRegistry.h"

#include <QApplication>
#include <QTest>
#include <QStringList>
#include <memory>

#ifdef TALVEX_TEST_SIMULATED_BOARD
#include "SimUsbBackend.h"
#endif

std::vector<TestRegistry::Entry>& TestRegistry::entries()
{
    static std::vector<Entry> s_entries;
    return s_entries;
}

// Usage: test_<dir> [-class Name] [Qt Test options...]
int main(int argc, char** argv)
{
#ifdef TALVEX_TEST_SIMULATED_BOARD
    // The tests run on the simulated board unless told otherwise; the back-end lives until
    // every test object, and with it every device, is gone.
    if (qEnvironmentVariableIsEmpty("TALVEX_USB_BACKEND"))
        qputenv("TALVEX_USB_BACKEND", "simulator");
    const SimUsbBackend backend;
#endif
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    QString only;
    const int classIndex = args.indexOf("-class");
    if (classIndex >= 0 && classIndex + 1 < args.size())
    {
        only = args.at(classIndex + 1);
        args.removeAt(classIndex + 1);
        args.removeAt(classIndex);
    }

    int failed = 0;
    int ran = 0;
    for (const TestRegistry::Entry& entry : TestRegistry::entries())
    {
        if (!only.isEmpty() && only != QLatin1String(entry.name))
            continue;
        std::unique_ptr<QObject> test(entry.factory());
        if (QTest::qExec(test.get(), args) != 0)
            ++failed;
        ++ran;
    }
    if (ran == 0)
        qWarning("No test class named %s", qPrintable(only));
    return failed == 0 && ran > 0 ? 0 : 1;
}

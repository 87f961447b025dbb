#ifndef TESTMAIN_H
#define TESTMAIN_H

#include <QApplication>
#include <QtTest>

// Like QTEST_MAIN, but headless unless the caller picked a platform
// (CI also runs the GUI tests under a real X server with QT_QPA_PLATFORM=xcb).
#define PM_TEST_MAIN(TestClass)                                              \
    int main(int argc, char *argv[])                                         \
    {                                                                        \
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))                   \
            qputenv("QT_QPA_PLATFORM", "offscreen");                         \
        QApplication application(argc, argv);                                \
        TestClass test;                                                      \
        QTEST_SET_MAIN_SOURCE_PATH                                           \
        return QTest::qExec(&test, argc, argv);                              \
    }

#endif // TESTMAIN_H

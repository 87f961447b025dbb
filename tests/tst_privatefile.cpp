#include "exfatstick.h"
#include "vaulttool/privatefile.h"

#include <QtTest>

#include <memory>

// PrivateFile on an exFAT stick, which neither renames without replacing nor
// links, and keeps no file mode.
class TestPrivateFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(directory.path()));
        stick = std::make_unique<ExfatStick>("stick");
        if (!stick->mounted)
            QSKIP(qPrintable("no exFAT stick to write on: " + stick->failure));
    }

    void cleanupTestCase() { stick.reset(); }

    void init()
    {
        for (const QString &name : QDir("stick").entryList(QDir::Files | QDir::Hidden))
            QVERIFY(QFile::remove("stick/" + name));
    }

    void keepsItsPromises_data()
    {
        QTest::addColumn<QByteArrayList>("before");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("a new name") << QByteArrayList() << false << "" << QByteArray("copy");
        QTest::newRow("over a file") << QByteArrayList{"old"} << false << "cannot write stick/dest: it already exists"
                                     << QByteArray("old");
        QTest::newRow("over an empty file")
            << QByteArrayList{""} << false
            << "cannot write stick/dest: it already exists, empty, as a copy that was cut short leaves it; remove it "
               "and try again"
            << QByteArray();
        QTest::newRow("replacing") << QByteArrayList{"old"} << true << "" << QByteArray("copy");
    }

    // Whole under its name or not there, another file kept, and the mode it
    // cannot have said.
    void keepsItsPromises()
    {
        QFETCH(QByteArrayList, before);
        QFETCH(bool, replace);
        QFile destination("stick/dest");
        for (const QByteArray &content : before)
            QVERIFY(destination.open(QIODevice::WriteOnly) && destination.write(content) == content.size());
        destination.close();
        QString error;
        {
            PrivateFile file(destination.fileName(), replace);
            (void)(file.create(&error) && file.write("copy", &error) && file.publish(&error));
            QCOMPARE(file.warnings(),
                     QStringList("the file system of stick/dest cannot keep it readable by its owner only: anyone "
                                 "who can read that file system can read it"));
        }
        QTEST(error, "error");
        QVERIFY(destination.open(QIODevice::ReadOnly));
        QTEST(destination.readAll(), "after");
        QCOMPARE(QDir("stick").entryList(QDir::Files | QDir::Hidden), QStringList("dest"));
    }

private:
    QTemporaryDir directory;
    std::unique_ptr<ExfatStick> stick;
};

QTEST_GUILESS_MAIN(TestPrivateFile)
#include "tst_privatefile.moc"

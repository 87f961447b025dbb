#include "vaulttool/privatefile.h"

#include <QtTest>

// PrivateFile on an exFAT stick, which neither renames without replacing nor
// links, and keeps no file mode: an image mounted through FUSE on a loop
// device. That needs root, exfatprogs and exfat-fuse; where the machine
// cannot mount, the test says why and skips.
class TestPrivateFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QFile image("stick.img");
        QVERIFY(QDir::setCurrent(directory.path()) && QDir().mkdir("stick"));
        mounted = image.open(QIODevice::WriteOnly) && image.resize(8 << 20) && run("mkfs.exfat", {"stick.img"})
            && run("losetup", {"--find", "--show", "stick.img"}, &loopDevice)
            && run("mount.exfat-fuse", {loopDevice, "stick"});
        if (!mounted)
            QSKIP(qPrintable("no exFAT stick to write on: " + failure));
    }

    void cleanupTestCase()
    {
        QVERIFY(!mounted || run("umount", {"stick"}));
        QVERIFY(loopDevice.isEmpty() || run("losetup", {"--detach", loopDevice}));
    }

    void keepsItsPromises_data()
    {
        QTest::addColumn<QByteArrayList>("before");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("a new name") << QByteArrayList() << "" << QByteArray("copy");
        QTest::newRow("over a file") << QByteArrayList{"old"} << "cannot write stick/dest: it already exists"
                                     << QByteArray("old");
        QTest::newRow("over an empty file")
            << QByteArrayList{""}
            << "cannot write stick/dest: it already exists, empty, as a copy that was cut short leaves it; remove it "
               "and try again"
            << QByteArray();
    }

    // Whole under its name or not there, another file kept, and the mode it
    // cannot have said.
    void keepsItsPromises()
    {
        QFETCH(QByteArrayList, before);
        QFile destination("stick/dest");
        for (const QByteArray &content : before)
            QVERIFY(destination.open(QIODevice::WriteOnly) && destination.write(content) == content.size());
        destination.close();
        QString error;
        {
            PrivateFile file(destination.fileName(), false);
            (void)(file.create(&error) && file.write("copy", &error) && file.publish(&error));
            QCOMPARE(file.warnings().join('\n'),
                     "the file system of stick/dest cannot keep it readable by its owner "
                     "only: anyone who can read that file system can read it");
        }
        QTEST(error, "error");
        QVERIFY(destination.open(QIODevice::ReadOnly));
        QTEST(destination.readAll(), "after");
        QCOMPARE(QDir("stick").entryList(QDir::Files | QDir::Hidden), QStringList("dest"));
        QVERIFY(destination.remove());
    }

private:
    bool run(const QString &program, const QStringList &arguments, QString *output = nullptr)
    {
        QProcess process;
        process.start(program, arguments);
        const bool done
            = process.waitForFinished() && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        failure = program + ": " + process.errorString() + " " + process.readAllStandardError();
        if (output)
            *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
        return done;
    }

    QTemporaryDir directory;
    bool mounted = false;
    QString loopDevice;
    QString failure;
};

QTEST_GUILESS_MAIN(TestPrivateFile)
#include "tst_privatefile.moc"

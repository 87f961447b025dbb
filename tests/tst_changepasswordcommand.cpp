#include "crypto/aescipher.h"
#include "dialogs/enterdialog.h"
#include "mainwindow/mainwindow.h"

#include "modaldriver.h"
#include "pseudoterminal.h"
#include "testvault.h"
#include "vaulttoolprocess.h"

#include <QtTest>
#include <QtWidgets>

#include <sys/stat.h>

#include <thread>

// passwordmanager-vault change-password: every value sealed anew under the
// new master password, byte for byte, or nothing changed at all; never
// while the window program works with the old key.
class TestChangePasswordCommand : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        vault = std::make_unique<TestVault>();
        TestVault::create();
    }

    void cleanup()
    {
        window.reset();
        vault.reset();
    }

    // Names stored as bytes that are not UTF-8, a windows-1251 note and a
    // password with a zero byte in it, under ids another tool made.
    void resealsEveryValueAsItWas_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("opening");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QString>("note");
        QTest::newRow("typed twice") << QByteArray("master\nnew pass\nnew pass\n") << "new pass" << "master" << "";
        QTest::newRow("given once") << QByteArray("master\r\nпароль\r\n") << "пароль" << "master" << "";
        QTest::newRow("trimmed as the dialog trims")
            << QByteArray("master\n\tnew pass \n\tnew pass \n") << "new pass" << "\tnew pass " << "white space";
    }

    void resealsEveryValueAsItWas()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, opening);
        QFETCH(QString, refused);
        QFETCH(QString, note);
        const QList<QByteArray> values{"пароль", "заметка", QByteArray("pa\0ss", 5), "\xe7\xe0\xec\xe5\xf2\xea\xe0"};
        TestVault::addEntry("b.example", "user", values[0], values[1]);
        TestVault::addEntry("a", " ", values[2], values[3]);
        TestVault::run("UPDATE Data SET id = id * 7, login = CAST(X'EBEEE3E8ED' AS TEXT) WHERE domain = 'a'");
        const QString names = "SELECT group_concat(quote(id) || quote(domain) || hex(login), ',') FROM Data";
        const QVariant before = TestVault::run(names);
        const VaultToolProcess::Run result = VaultToolProcess::run({"change-password"}, input);
        QCOMPARE(result.out, QByteArray("sealed 2 entries under the new master password\n"));
        QVERIFY2(result.err.contains(note), qPrintable(result.err));
        QCOMPARE(TestVault::run(names), before);
        QVERIFY(opens(opening));
        QVERIFY(!opens(refused));
        QCOMPARE(openedValues(TestVault::masterKeyFor(opening)), values);
    }

    void refusalsLeaveTheFileAsItWas_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message");
        // Sealed with a fixed first block, so that its padding under the
        // master key is not whole by chance.
        const QByteArray otherKey = QByteArray::fromHex(TestVault::masterKeyFor("other").toLatin1());
        const QByteArray iv(16, 'i');
        const QString underOtherKey = AesCipher().encryptWithIv(iv + "n", otherKey, iv).toBase64();
        const QByteArray right = "master\nnew\nnew\n";
        QTest::newRow("wrong password") << QByteArray("Master\nnew\nnew\n") << "" << "wrong master password";
        QTest::newRow("repeat differs") << QByteArray("master\nnew\nnew \n") << "" << "the new master passwords differ";
        QTest::newRow("only blanks") << QByteArray("master\n \t\n \t\n") << "" << "the new master password is empty";
        QTest::newRow("no new one") << QByteArray("master\n") << "" << "no new master password given";
        QTest::newRow("a zero byte") << QByteArray("master\nn\0w\n", 11) << ""
                                     << "the new master password holds a zero byte";
        QTest::newRow("not UTF-8") << QByteArray("master\nn\xe9w\n") << ""
                                   << "the new master password is not UTF-8 text";
        QTest::newRow("over 128 KiB") << "master\n" + QByteArray(128 * 1024 + 1, 'n') + "\n"
                                      << ""
                                      << "the new master password is longer than 128 KiB";
        QTest::newRow("a damaged note") << right << "UPDATE Data SET info = 'AAAA' WHERE id = 2"
                                        << "entry 2: the note is 3 bytes long, which no stored value is\n";
        QTest::newRow("a value under another key")
            << right << "UPDATE Data SET info = '" + underOtherKey + "' WHERE id = 1"
            << "entry 1: the note does not decrypt under the master key\n"
               "passwordmanager-vault: not every entry opens under the current master password; "
               "nothing was changed\n";
    }

    void refusalsLeaveTheFileAsItWas()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, damage);
        QFETCH(QString, message);
        TestVault::addEntry("a", "l", "p", "n");
        TestVault::addEntry("b", "l", "p", "n");
        TestVault::run(damage);
        const QByteArray before = VaultToolProcess::readFile("db.db");
        const VaultToolProcess::Run result = VaultToolProcess::run({"change-password"}, input);
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QVERIFY(VaultToolProcess::readFile("db.db") == before);
        QCOMPARE(QDir().entryList(QDir::Files), QStringList("db.db"));
    }

    void asksThreeTimesOnTheTerminalWithoutEcho()
    {
        PseudoTerminal terminal(PM_VAULT_TOOL, {"change-password"});
        terminal.waitFor("Current master password: ");
        answer(terminal, "typed-secret");
        QCOMPARE(terminal.waitForExit(), 0);
        QCOMPARE(terminal.screen(),
                 QByteArray("Current master password: \r\nNew master password: \r\nNew master password again: \r\n"
                            "sealed 0 entries under the new master password\r\n"));
        QVERIFY(opens("typed-secret"));
    }

    void refusedWhileTheWindowProgramIsOpen()
    {
        const QByteArray before = VaultToolProcess::readFile("db.db");
        openWindow("master");
        const VaultToolProcess::Run refused = VaultToolProcess::run({"change-password"}, "master\nnew\n");
        QCOMPARE(refused.status, 1);
        QCOMPARE(refused.err, "passwordmanager-vault: the window program has the vault open; close it first\n");
        QVERIFY(VaultToolProcess::readFile("db.db") == before);
        window.reset();
        QCOMPARE(VaultToolProcess::run({"change-password"}, "master\nnew\n").status, 0);
    }

    // The window is started while the tool waits at its first prompt,
    // holding the lock; the tool is answered once the window waits for it.
    void aWindowStartedDuringAChangeWaitsForIt()
    {
        TestVault::addEntry("a", "l", "p", "n");
        PseudoTerminal terminal(PM_VAULT_TOOL, {"change-password"});
        terminal.waitFor("Current master password: ");
        struct stat file{};
        ::stat("db.db", &file);
        const QByteArray waiter = ":" + QByteArray::number(qulonglong(file.st_ino)) + " ";
        std::thread typist([&terminal, waiter] {
            QDeadlineTimer deadline(10000);
            while (!waitsForLock(waiter) && !deadline.hasExpired())
                QThread::msleep(5);
            answer(terminal, "new");
            terminal.waitForExit();
        });
        openWindow("new");
        typist.join();
        QCOMPARE(terminal.waitForExit(), 0);
        QCOMPARE(window->findChild<QTableWidget *>()->rowCount(), 1);
    }

    // The process is killed as soon as it writes to the vault file, which it
    // does only once every value is known to open: when the page cache
    // overflows during the second pass, or at the commit.
    void aKillInTheMiddleLeavesOnePasswordOpeningEverything()
    {
        TestVault::run("BEGIN");
        for (int entry = 0; entry < 20000; ++entry)
            TestVault::addEntry(QString::number(entry), "login", "password " + QByteArray::number(entry), "a note");
        TestVault::run("COMMIT");
        struct stat before{};
        ::stat("db.db", &before);
        PseudoTerminal terminal(PM_VAULT_TOOL, {"change-password"});
        terminal.waitFor("Current master password: ");
        answer(terminal, "new");
        struct stat now = before;
        while (::stat("db.db", &now) == 0 && now.st_mtim.tv_sec == before.st_mtim.tv_sec
               && now.st_mtim.tv_nsec == before.st_mtim.tv_nsec) { }
        ::kill(terminal.pid(), SIGKILL);
        QCOMPARE(terminal.waitForExit(), 128 + SIGKILL);
        // The gate reads the vault first, and so rolls back what the journal holds.
        QCOMPARE(int(opens("master")) + int(opens("new")), 1);
        const VaultToolProcess::Run withOld = VaultToolProcess::run({"check"}, "master\n");
        const VaultToolProcess::Run withNew = VaultToolProcess::run({"check"}, "new\n");
        QCOMPARE(withOld.status + withNew.status, 1);
        QCOMPARE(withOld.out + withNew.out, QByteArray("20000 entries, all clean\n"));
    }

private:
    // Once the first prompt shows: nothing typed before a prompt is read.
    static void answer(PseudoTerminal &terminal, const QByteArray &newPassword)
    {
        terminal.type("master\r");
        terminal.waitFor("New master password: ");
        terminal.type(newPassword + "\r");
        terminal.waitFor("New master password again: ");
        terminal.type(newPassword + "\r");
    }

    // The gate, typed at as a person would.
    static bool opens(const QString &password)
    {
        EnterDialog gate;
        gate.findChild<QLineEdit *>()->setText(password);
        gate.findChild<QPushButton *>()->click();
        return gate.result() == QDialog::Accepted;
    }

    static QList<QByteArray> openedValues(const QString &masterKey)
    {
        const QByteArray key = QByteArray::fromHex(masterKey.toLatin1());
        QSqlQuery query("SELECT pass, info FROM Data ORDER BY domain DESC");
        QList<QByteArray> values;
        while (query.next())
            values << StoredSecret::open(query.value(0).toByteArray(), key)
                   << StoredSecret::open(query.value(1).toByteArray(), key);
        return values;
    }

    void openWindow(const QString &password)
    {
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
        // Whatever is modal, the gate or a message box, is answered and closed.
        ModalDriver::answer(this, [password](QWidget *modal) {
            for (QLineEdit *edit : modal->findChildren<QLineEdit *>())
                edit->setText(password);
            for (QPushButton *button : modal->findChildren<QPushButton *>())
                button->click();
            modal->close();
        });
        window = std::make_unique<MainWindow>();
    }

    // Whether /proc/locks shows a process waiting for a lock on the file.
    static bool waitsForLock(const QByteArray &inode)
    {
        const QList<QByteArray> locks = VaultToolProcess::readFile("/proc/locks").split('\n');
        return std::any_of(locks.cbegin(), locks.cend(),
                           [&inode](const QByteArray &lock) { return lock.contains("->") && lock.contains(inode); });
    }

    std::unique_ptr<TestVault> vault;
    std::unique_ptr<MainWindow> window;
};

QTEST_MAIN(TestChangePasswordCommand)
#include "tst_changepasswordcommand.moc"

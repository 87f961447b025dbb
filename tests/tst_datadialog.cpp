#include "dialogs/datadialog.h"

#include "testvault.h"

#include <QtTest>
#include <QtWidgets>

namespace {
const QString successful = QStringLiteral("<font color = 'green'>Successful</font>");
}

// What the dialog shows of an entry comes from the vault through
// loadEntry, so a reload shows what was stored.
class TestDataDialog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        vault = std::make_unique<TestVault>();
        TestVault::create();
        dialog.setKey(TestVault::masterKeyFor());
    }

    void cleanup() { vault.reset(); }

    void addStoresWhatWasTyped_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::newRow("blanks") << QStringList{" ", "  ", "   ", "    "};
        QTest::newRow("quotes") << QStringList{"it's", "x' where 1=1 --", "'", "'); DELETE FROM Data; --"};
        QTest::newRow("cyrillic, lines") << QStringList{"почта.рф", "Вася", "пароль", "заметка\n\nконец"};
    }

    void addStoresWhatWasTyped()
    {
        QFETCH(QStringList, typed);
        dialog.reset(false);
        dialog.findChild<QLineEdit *>("domainEdit")->setText(typed[0]);
        dialog.findChild<QLineEdit *>("loginEdit")->setText(typed[1]);
        dialog.findChild<QLineEdit *>("passEdit")->setText(typed[2]);
        dialog.findChild<QPlainTextEdit *>()->setPlainText(typed[3]);
        QCOMPARE(save(), successful);
        dialog.reset(true);
        dialog.loadEntry("1");
        QCOMPARE(shown(), typed << "");
    }

    // Pass and note as another program may have stored them.
    void editShowsAndSavesWhatWasStored_data()
    {
        QTest::addColumn<QByteArray>("pass");
        QTest::addColumn<QByteArray>("note");
        QTest::addColumn<QString>("shownPass");
        QTest::addColumn<QString>("shownNote");
        QTest::addColumn<bool>("wrapsAnywhere");
        QTest::newRow("windows-1251") << QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC")
                                      << QByteArray("\xE7\xE0\xEC\xE5\xF2\xEA\xE0") << "пароль" << "заметка" << false;
        QTest::newRow("zero byte in the pass") << QByteArray("abc\0def", 7) << QByteArray() << "abc" << "" << false;
        QTest::newRow("cut utf-8 sequence") << QByteArray("ab") << QByteArray("ab\xD0") << "ab" << "abР" << false;
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBFx") << QByteArray("\xEF\xBB\xBFx")
                                         << QStringLiteral("\uFEFFx") << QStringLiteral("\uFEFFx") << false;
        // Notes with a stretch of more than 10,000 letters wrap anywhere.
        QTest::newRow("10000 letters") << QByteArray("p") << QByteArray(10000, 'x') << "p" << QString(10000, 'x')
                                       << false;
        QTest::newRow("10001 letters") << QByteArray("p") << QByteArray(10001, 'x') << "p" << QString(10001, 'x')
                                       << true;
        QTest::newRow("one line of 1 MB")
            << QByteArray("p") << QByteArray(1 << 20, 'x') << "p" << QString(1 << 20, 'x') << true;
        QTest::newRow("long line of words")
            << QByteArray("p") << QByteArray("word ").repeated(3000) << "p" << QString("word ").repeated(3000) << false;
    }

    // The domain stays as it is. Deleted meanwhile, the entry cannot be
    // saved; the dialog comes back empty for the next Add, and the next entry
    // does not get the deleted one's id.
    void editShowsAndSavesWhatWasStored()
    {
        QFETCH(QByteArray, pass);
        QFETCH(QByteArray, note);
        QFETCH(QString, shownPass);
        QFETCH(QString, shownNote);
        QFETCH(bool, wrapsAnywhere);
        TestVault::addEntry("example.org", "alice", pass, note);
        dialog.reset(true);
        dialog.loadEntry("1");
        QVERIFY(!dialog.findChild<QLineEdit *>("domainEdit")->isEnabled());
        QCOMPARE(dialog.findChild<QPushButton *>()->text(), QStringLiteral("Edit"));
        QCOMPARE(shown(), QStringList({"example.org", "alice", shownPass, shownNote, ""}));
        QCOMPARE(dialog.findChild<QPlainTextEdit *>()->wordWrapMode(),
                 wrapsAnywhere ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
        dialog.findChild<QLineEdit *>("loginEdit")->setText("al'ice");
        QCOMPARE(save(), successful);
        dialog.reset(true);
        dialog.loadEntry("1");
        QCOMPARE(shown(), QStringList({"example.org", "al'ice", shownPass, shownNote, ""}));

        TestVault::run("DELETE FROM Data");
        QCOMPARE(save(), QStringLiteral("<font color = 'red'>error</font>"));
        dialog.reset(false);
        QCOMPARE(shown(), QStringList({"", "", "", "", ""}));
        QCOMPARE(dialog.findChild<QPlainTextEdit *>()->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
        TestVault::addEntry("next.org", "bob", "next");
        QCOMPARE(TestVault::run("SELECT id FROM Data").toInt(), 2);
    }

private:
    // The four fields and the status line.
    QStringList shown() const
    {
        return {dialog.findChild<QLineEdit *>("domainEdit")->text(), dialog.findChild<QLineEdit *>("loginEdit")->text(),
                dialog.findChild<QLineEdit *>("passEdit")->text(), dialog.findChild<QPlainTextEdit *>()->toPlainText(),
                dialog.findChild<QLabel *>("statusLabel")->text()};
    }

    QString save()
    {
        dialog.findChild<QPushButton *>()->click();
        return dialog.findChild<QLabel *>("statusLabel")->text();
    }

    std::unique_ptr<TestVault> vault;
    DataDialog dialog;
};

QTEST_MAIN(TestDataDialog)
#include "tst_datadialog.moc"

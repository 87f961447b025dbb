#include "dialogs/datadialog.h"

#include "crypto/aescipher.h"
#include "testmain.h"
#include "testvault.h"
#include "vault/storedsecret.h"
#include "workingdirectory.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

namespace {
const QString successful = QStringLiteral("<font color = 'green'>Successful</font>");
const QString failed = QStringLiteral("<font color = 'red'>error</font>");
const QString domainIsEmpty = QStringLiteral("<font color = 'red'>Domain is Empty</font>");
const QString loginIsEmpty = QStringLiteral("<font color = 'red'>Login is Empty</font>");
const QString passIsEmpty = QStringLiteral("<font color = 'red'>Pass is Empty</font>");
}

class TestDataDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveChecksTheFieldsInOrder_data();
    void saveChecksTheFieldsInOrder();
    void emptyNoteIsStoredEncryptedAndLoadsEmpty();
    void longMultiLineNoteIsStoredWhole();
    void addingTwiceStoresTwoIdenticalRows();
    void editKeepsTheDomainAndTouchesOneRow();
    void editingAMissingEntryWritesNothing();
    void entryRemovedSinceLoadingIsNotReportedAsSaved();
    void failingStatementShowsError();
    void textSurvivesSaveLoadAndSaveAgain_data();
    void textSurvivesSaveLoadAndSaveAgain();
    void notesWrittenAsWindows1251StayReadable();
    void passIsLoadedUpToItsFirstZeroByte();

private:
    void fill(const QString &domain, const QString &login, const QString &pass, const QString &info);
    QString save();
    QLineEdit *edit(const char *name) const;
    QString info() const;
    QByteArray decrypt(const QVariant &stored) const;
    static QList<QVariantList> storedRows();

    std::unique_ptr<WorkingDirectory> workDir;
    std::unique_ptr<DataDialog> dialog;
    QString masterKey;
};

void TestDataDialog::init()
{
    workDir = std::make_unique<WorkingDirectory>();
    QVERIFY(workDir->isValid());
    TestVault::createSchema();
    QVERIFY(TestVault::openDefaultConnection());
    masterKey = TestVault::masterKeyFor(QStringLiteral("master"));
    dialog = std::make_unique<DataDialog>();
    dialog->setKey(masterKey);
    dialog->reset(false);
}

void TestDataDialog::cleanup()
{
    dialog.reset();
    TestVault::closeDefaultConnection();
    workDir.reset();
}

void TestDataDialog::saveChecksTheFieldsInOrder_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("pass");
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("status");

    QTest::newRow("everything empty") << "" << "" << "" << "" << domainIsEmpty;
    QTest::newRow("only domain empty") << "" << "l" << "p" << "i" << domainIsEmpty;
    QTest::newRow("login and pass empty") << "d" << "" << "" << "i" << loginIsEmpty;
    QTest::newRow("pass empty") << "d" << "l" << "" << "i" << passIsEmpty;
    QTest::newRow("note may be empty") << "d" << "l" << "p" << "" << successful;
    QTest::newRow("blanks only") << " " << "  " << "   " << "    " << successful;
    QTest::newRow("quotes") << "it's" << "x' where 1=1 --" << "'" << "''" << successful;
}

void TestDataDialog::saveChecksTheFieldsInOrder()
{
    QFETCH(QString, domain);
    QFETCH(QString, login);
    QFETCH(QString, pass);
    QFETCH(QString, info);
    QFETCH(QString, status);

    fill(domain, login, pass, info);
    QCOMPARE(save(), status);

    const QList<QVariantList> rows = storedRows();
    if (status != successful) {
        QVERIFY(rows.isEmpty());
        return;
    }
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][1].toString(), domain);
    QCOMPARE(rows[0][2].toString(), login);
    QCOMPARE(decrypt(rows[0][3]), pass.toUtf8());
    QCOMPARE(decrypt(rows[0][4]), info.toUtf8());
    // The dialog stays as it was, ready to add the same entry again.
    QCOMPARE(edit("domainEdit")->text(), domain);
    QCOMPARE(edit("passEdit")->text(), pass);
}

void TestDataDialog::emptyNoteIsStoredEncryptedAndLoadsEmpty()
{
    fill("d", "l", "p", "");
    QCOMPARE(save(), successful);
    const QVariantList row = storedRows().value(0);
    QCOMPARE(row[4].toString().size(), 44);
    QCOMPARE(decrypt(row[4]), QByteArray());

    dialog->reset(true);
    dialog->loadEntry(row[0].toString());
    QCOMPARE(info(), QString());
    QCOMPARE(edit("passEdit")->text(), QStringLiteral("p"));
}

void TestDataDialog::longMultiLineNoteIsStoredWhole()
{
    QString note;
    for (int line = 0; line < 40; ++line)
        note += QStringLiteral("line %1 of a note that is longer than announced\n").arg(line);
    note += QStringLiteral("\n\nlast line without a break");
    QVERIFY(note.size() > 300);

    fill("d", "l", "p", note);
    QCOMPARE(save(), successful);
    const QVariantList row = storedRows().value(0);
    QVERIFY(row[4].toString().size() > 600);
    QCOMPARE(decrypt(row[4]), note.toUtf8());

    dialog->reset(true);
    dialog->loadEntry(row[0].toString());
    QCOMPARE(info(), note);
}

void TestDataDialog::addingTwiceStoresTwoIdenticalRows()
{
    fill("d", "l", "p", "note");
    QCOMPARE(save(), successful);
    QCOMPARE(save(), successful);
    const QList<QVariantList> rows = storedRows();
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows[0][0] != rows[1][0]);
    QCOMPARE(rows[0].mid(1), rows[1].mid(1));
}

void TestDataDialog::editKeepsTheDomainAndTouchesOneRow()
{
    const qint64 before = TestVault::addEntry("before.org", "b", "pb", "ib", masterKey);
    const qint64 id = TestVault::addEntry("example.org", "alice", "old", "old note", masterKey);
    const qint64 after = TestVault::addEntry("after.org", "a", "pa", "ia", masterKey);
    const QList<QVariantList> untouched = storedRows();

    dialog->reset(true);
    dialog->loadEntry(QString::number(id));
    QVERIFY(!edit("domainEdit")->isEnabled());
    QCOMPARE(dialog->findChild<QPushButton *>("saveButton")->text(), QStringLiteral("Edit"));
    QCOMPARE(edit("domainEdit")->text(), QStringLiteral("example.org"));
    QCOMPARE(edit("loginEdit")->text(), QStringLiteral("alice"));
    QCOMPARE(edit("passEdit")->text(), QStringLiteral("old"));
    QCOMPARE(info(), QStringLiteral("old note"));

    edit("loginEdit")->setText(QStringLiteral("x' where 1=1 --"));
    edit("passEdit")->setText(QStringLiteral("new"));
    QCOMPARE(save(), successful);

    const QList<QVariantList> rows = storedRows();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], untouched[0]);
    QCOMPARE(rows[2], untouched[2]);
    QCOMPARE(rows[1][0].toLongLong(), id);
    QCOMPARE(rows[1][1].toString(), QStringLiteral("example.org"));
    QCOMPARE(rows[1][2].toString(), QStringLiteral("x' where 1=1 --"));
    QCOMPARE(decrypt(rows[1][3]), QByteArray("new"));
    QCOMPARE(decrypt(rows[1][4]), QByteArray("old note"));
    Q_UNUSED(before)
    Q_UNUSED(after)
}

void TestDataDialog::editingAMissingEntryWritesNothing()
{
    TestVault::addEntry("example.org", "alice", "p", "i", masterKey);
    const QList<QVariantList> stored = storedRows();
    fill("left", "over", "from", "before");

    dialog->reset(true);
    dialog->loadEntry(QStringLiteral("999"));
    QVERIFY(!edit("domainEdit")->isEnabled());
    QCOMPARE(edit("domainEdit")->text(), QString());
    QCOMPARE(edit("loginEdit")->text(), QString());
    QCOMPARE(edit("passEdit")->text(), QString());
    QCOMPARE(info(), QString());
    edit("loginEdit")->setText(QStringLiteral("l"));
    edit("passEdit")->setText(QStringLiteral("p"));
    QCOMPARE(save(), domainIsEmpty);
    QCOMPARE(storedRows(), stored);
}

void TestDataDialog::entryRemovedSinceLoadingIsNotReportedAsSaved()
{
    const qint64 id = TestVault::addEntry("example.org", "alice", "p", "i", masterKey);
    dialog->reset(true);
    dialog->loadEntry(QString::number(id));
    QVERIFY(TestVault::execute(QStringLiteral("DELETE FROM Data")));

    QCOMPARE(save(), failed);
    QVERIFY(storedRows().isEmpty());
}

void TestDataDialog::failingStatementShowsError()
{
    QVERIFY(TestVault::execute(QStringLiteral("DROP TABLE Data")));
    fill("d", "l", "p", "i");
    QCOMPARE(save(), failed);
    QVERIFY(dialog->isEnabled());
}

void TestDataDialog::textSurvivesSaveLoadAndSaveAgain_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("ascii") << QStringLiteral("plain");
    QTest::newRow("cyrillic") << QStringLiteral("Привет, мир");
    QTest::newRow("greek") << QStringLiteral("Καλημέρα");
    QTest::newRow("accented latin") << QStringLiteral("crème brûlée, Ångström");
    QTest::newRow("emoji") << QStringLiteral("\U0001F600 \U0001F510");
    QTest::newRow("quotes and backslashes") << QStringLiteral("'\\'\"`");
}

void TestDataDialog::textSurvivesSaveLoadAndSaveAgain()
{
    QFETCH(QString, text);

    fill(text, text, text, text + "\n" + text);
    QCOMPARE(save(), successful);
    const QList<QVariantList> saved = storedRows();
    const QString id = saved.value(0).value(0).toString();

    dialog->reset(true);
    dialog->loadEntry(id);
    QCOMPARE(edit("domainEdit")->text(), text);
    QCOMPARE(edit("loginEdit")->text(), text);
    QCOMPARE(edit("passEdit")->text(), text);
    QCOMPARE(info(), text + "\n" + text);
    QCOMPARE(save(), successful);
    QCOMPARE(storedRows(), saved);
}

void TestDataDialog::notesWrittenAsWindows1251StayReadable()
{
    const QByteArray windows1251("\xC7\xE0\xEC\xE5\xF2\xEA\xE0\r\n\xF1\xEB\xEE\xE2\xEE");
    const qint64 id = TestVault::addEntry("d", "l", "p", windows1251, masterKey);
    dialog->reset(true);
    dialog->loadEntry(QString::number(id));
    QCOMPARE(info(), QStringLiteral("Заметка\nслово"));
}

void TestDataDialog::passIsLoadedUpToItsFirstZeroByte()
{
    const qint64 id = TestVault::addEntry("d", "l", QByteArray("top\0secret", 10), "i", masterKey);
    dialog->reset(true);
    dialog->loadEntry(QString::number(id));
    QCOMPARE(edit("passEdit")->text(), QStringLiteral("top"));
}

void TestDataDialog::fill(const QString &domain, const QString &login, const QString &pass,
                          const QString &info)
{
    edit("domainEdit")->setText(domain);
    edit("loginEdit")->setText(login);
    edit("passEdit")->setText(pass);
    dialog->findChild<QPlainTextEdit *>("infoEdit")->setPlainText(info);
}

QString TestDataDialog::save()
{
    dialog->findChild<QPushButton *>("saveButton")->click();
    return dialog->findChild<QLabel *>("statusLabel")->text();
}

QLineEdit *TestDataDialog::edit(const char *name) const
{
    return dialog->findChild<QLineEdit *>(QString::fromLatin1(name));
}

QString TestDataDialog::info() const
{
    return dialog->findChild<QPlainTextEdit *>("infoEdit")->toPlainText();
}

QByteArray TestDataDialog::decrypt(const QVariant &stored) const
{
    AesCipher cipher;
    return cipher.decrypt(QByteArray::fromBase64(stored.toByteArray()), cipher.keyFromHex(masterKey));
}

QList<QVariantList> TestDataDialog::storedRows()
{
    return TestVault::rows(QStringLiteral("SELECT id, domain, login, pass, info FROM Data ORDER BY id"));
}

PM_TEST_MAIN(TestDataDialog)
#include "tst_datadialog.moc"

#include "dialogs/datadialog.h"

#include "crypto/aescipher.h"
#include "testmain.h"
#include "testvault.h"
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
}

class TestDataDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addChecksTheFieldsInOrderAndStoresThem_data();
    void addChecksTheFieldsInOrderAndStoresThem();
    void entrySurvivesLoadAndSaveAgain_data();
    void entrySurvivesLoadAndSaveAgain();
    void editKeepsTheDomainAndTouchesOneRow();
    void editOfAMissingEntryWritesNothing();
    void noteWithALongUnbrokenStretchWrapsAnywhere_data();
    void noteWithALongUnbrokenStretchWrapsAnywhere();

private:
    QString save();
    void load(qint64 id);
    QLineEdit *edit(const char *name) const;
    QPlainTextEdit *infoEdit() const;
    QByteArray decrypt(const QVariant &stored) const;
    static QList<QVariantList> storedRows();

    std::unique_ptr<WorkingDirectory> workDir;
    std::unique_ptr<DataDialog> dialog;
    QString masterKey;
};

void TestDataDialog::init()
{
    workDir = std::make_unique<WorkingDirectory>();
    TestVault::createSchema();
    QVERIFY(TestVault::openDefaultConnection());
    masterKey = TestVault::masterKeyFor("master");
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

void TestDataDialog::addChecksTheFieldsInOrderAndStoresThem_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("status");

    QTest::newRow("everything empty") << QStringList({"", "", "", ""}) << domainIsEmpty;
    QTest::newRow("only domain empty") << QStringList({"", "l", "p", "i"}) << domainIsEmpty;
    QTest::newRow("login and pass empty") << QStringList({"d", "", "", "i"})
                                          << "<font color = 'red'>Login is Empty</font>";
    QTest::newRow("pass empty") << QStringList({"d", "l", "", "i"})
                                << "<font color = 'red'>Pass is Empty</font>";
    QTest::newRow("note may be empty") << QStringList({"d", "l", "p", ""}) << successful;
    QTest::newRow("blanks only") << QStringList({" ", "  ", "   ", "    "}) << successful;
    QTest::newRow("quotes") << QStringList({"it's", "x' where 1=1 --", "'", "''"}) << successful;
}

void TestDataDialog::addChecksTheFieldsInOrderAndStoresThem()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, status);
    edit("domainEdit")->setText(fields[0]);
    edit("loginEdit")->setText(fields[1]);
    edit("passEdit")->setText(fields[2]);
    infoEdit()->setPlainText(fields[3]);

    QCOMPARE(save(), status);
    if (status != successful) {
        QVERIFY(storedRows().isEmpty());
        return;
    }
    // The dialog keeps its fields: Add again stores a second, identical entry.
    QCOMPARE(save(), successful);
    const QList<QVariantList> rows = storedRows();
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows[0][0] != rows[1][0]);
    QCOMPARE(rows[0].mid(1), rows[1].mid(1));
    QCOMPARE(rows[0][1].toString(), fields[0]);
    QCOMPARE(rows[0][2].toString(), fields[1]);
    QCOMPARE(decrypt(rows[0][3]), fields[2].toUtf8());
    QCOMPARE(decrypt(rows[0][4]), fields[3].toUtf8());
    if (fields[3].isEmpty())
        QCOMPARE(rows[0][4].toString().size(), 44);
}

void TestDataDialog::entrySurvivesLoadAndSaveAgain_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("info");

    QTest::newRow("cyrillic") << "Привет, мир" << "Заметка";
    QTest::newRow("greek, accents, emoji") << "Καλημέρα crème \U0001F600" << "Ångström \U0001F510";
    QTest::newRow("empty note") << "plain" << "";
    QString note;
    for (int line = 0; line < 40; ++line)
        note += QStringLiteral("line %1 of a note longer than announced\n").arg(line);
    QTest::newRow("long note with blank lines") << "'\\'\"`" << note + "\n\nlast";
    QTest::newRow("one line of 1 MB") << "long" << QString(1 << 20, 'x');
}

void TestDataDialog::entrySurvivesLoadAndSaveAgain()
{
    QFETCH(QString, text);
    QFETCH(QString, info);
    const qint64 id = TestVault::addEntry(text, text, text.toUtf8(), info.toUtf8(), masterKey);
    const QList<QVariantList> stored = storedRows();

    load(id);
    QCOMPARE(edit("domainEdit")->text(), text);
    QCOMPARE(edit("loginEdit")->text(), text);
    QCOMPARE(edit("passEdit")->text(), text);
    QCOMPARE(infoEdit()->toPlainText(), info);
    QCOMPARE(save(), successful);
    QCOMPARE(storedRows(), stored);
}

void TestDataDialog::editKeepsTheDomainAndTouchesOneRow()
{
    TestVault::addEntry("before.org", "b", "pb", "ib", masterKey);
    const qint64 id = TestVault::addEntry("example.org", "alice", "old", "old note", masterKey);
    TestVault::addEntry("after.org", "a", "pa", "ia", masterKey);
    const QList<QVariantList> before = storedRows();

    load(id);
    QVERIFY(!edit("domainEdit")->isEnabled());
    QCOMPARE(dialog->findChild<QPushButton *>("saveButton")->text(), QStringLiteral("Edit"));
    edit("loginEdit")->setText("x' where 1=1 --");
    edit("passEdit")->setText("new");
    QCOMPARE(save(), successful);

    const QList<QVariantList> rows = storedRows();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], before[0]);
    QCOMPARE(rows[2], before[2]);
    QCOMPARE(rows[1].mid(0, 2), before[1].mid(0, 2));
    QCOMPARE(rows[1][2].toString(), QStringLiteral("x' where 1=1 --"));
    QCOMPARE(decrypt(rows[1][3]), QByteArray("new"));
    QCOMPARE(decrypt(rows[1][4]), QByteArray("old note"));

    // Removed behind the dialog's back: saving again must not claim success.
    QVERIFY(TestVault::execute("DELETE FROM Data WHERE domain = 'example.org'"));
    QCOMPARE(save(), failed);
}

void TestDataDialog::editOfAMissingEntryWritesNothing()
{
    TestVault::addEntry("example.org", "alice", "p", "i", masterKey);
    const QList<QVariantList> stored = storedRows();
    edit("domainEdit")->setText("left over");

    load(999);
    for (const char *name : {"domainEdit", "loginEdit", "passEdit"})
        QCOMPARE(edit(name)->text(), QString());
    QCOMPARE(infoEdit()->toPlainText(), QString());
    edit("loginEdit")->setText("l");
    edit("passEdit")->setText("p");
    QCOMPARE(save(), domainIsEmpty);
    QCOMPARE(storedRows(), stored);
}

void TestDataDialog::noteWithALongUnbrokenStretchWrapsAnywhere_data()
{
    QTest::addColumn<QString>("info");
    QTest::addColumn<bool>("anywhere");
    QTest::newRow("ordinary note") << "a few words\non two lines" << false;
    QTest::newRow("10000 letters") << QString(10000, 'x') << false;
    QTest::newRow("10001 letters") << QString(10001, 'x') << true;
    QTest::newRow("long line of words") << QString("word ").repeated(3000) << false;
}

void TestDataDialog::noteWithALongUnbrokenStretchWrapsAnywhere()
{
    QFETCH(QString, info);
    QFETCH(bool, anywhere);
    load(TestVault::addEntry("d", "l", "p", info.toUtf8(), masterKey));
    QCOMPARE(infoEdit()->wordWrapMode(),
             anywhere ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    dialog->reset(false);
    QCOMPARE(infoEdit()->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

QString TestDataDialog::save()
{
    dialog->findChild<QPushButton *>("saveButton")->click();
    return dialog->findChild<QLabel *>("statusLabel")->text();
}

void TestDataDialog::load(qint64 id)
{
    dialog->reset(true);
    dialog->loadEntry(QString::number(id));
}

QLineEdit *TestDataDialog::edit(const char *name) const
{
    return dialog->findChild<QLineEdit *>(name);
}

QPlainTextEdit *TestDataDialog::infoEdit() const
{
    return dialog->findChild<QPlainTextEdit *>("infoEdit");
}

QByteArray TestDataDialog::decrypt(const QVariant &stored) const
{
    AesCipher cipher;
    return cipher.decrypt(QByteArray::fromBase64(stored.toByteArray()), cipher.keyFromHex(masterKey));
}

QList<QVariantList> TestDataDialog::storedRows()
{
    return TestVault::rows("SELECT id, domain, login, pass, info FROM Data ORDER BY id");
}

PM_TEST_MAIN(TestDataDialog)
#include "tst_datadialog.moc"

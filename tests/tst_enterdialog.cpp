#include "dialogs/enterdialog.h"

#include "crypto/aescipher.h"
#include "dialogsteps.h"
#include "modaldriver.h"
#include "testmain.h"
#include "testvault.h"
#include "vault/storedsecret.h"
#include "workingdirectory.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

class TestEnterDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void promptTellsWhetherAPasswordIsSet_data();
    void promptTellsWhetherAPasswordIsSet();
    void firstClickSetsThePassword();
    void passwordOpensTheVaultAtLaterStarts_data();
    void passwordOpensTheVaultAtLaterStarts();
    void wrongPasswordLeavesTheDialogAsItWas();
    void passwordThatCannotBeStoredKeepsTheGateClosed();
    void clickWithoutTablesDoesNothing();

private:
    static bool click(EnterDialog &dialog, const QString &password);
    static QString promptOf(EnterDialog &dialog);
    static QStringList storedCheckValues();

    std::unique_ptr<WorkingDirectory> workDir;
};

void TestEnterDialog::init()
{
    workDir = std::make_unique<WorkingDirectory>();
    QVERIFY(workDir->isValid());
    TestVault::createSchema();
    QVERIFY(TestVault::openDefaultConnection());
}

void TestEnterDialog::cleanup()
{
    TestVault::closeDefaultConnection();
    workDir.reset();
}

void TestEnterDialog::promptTellsWhetherAPasswordIsSet_data()
{
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<QString>("prompt");

    QTest::newRow("empty check value table") << QString() << QStringLiteral("Установить пароль:");
    QTest::newRow("check value stored") << QStringLiteral("INSERT INTO SPass VALUES ('QUJD')")
                                        << QStringLiteral("Введите пароль:");
    QTest::newRow("no check value table") << QStringLiteral("DROP TABLE SPass")
                                          << QStringLiteral("Установить пароль:");
}

void TestEnterDialog::promptTellsWhetherAPasswordIsSet()
{
    QFETCH(QString, setUp);
    QFETCH(QString, prompt);
    if (!setUp.isEmpty())
        QVERIFY(TestVault::execute(setUp));

    EnterDialog dialog;
    QCOMPARE(promptOf(dialog), prompt);
}

void TestEnterDialog::firstClickSetsThePassword()
{
    QString masterKey;
    EnterDialog dialog;
    dialog.setKeyTarget(&masterKey);
    QVERIFY(click(dialog, QStringLiteral("пароль 1")));

    const QByteArray bytes = QStringLiteral("пароль 1").toUtf8();
    QCOMPARE(masterKey,
             QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex()));
    const QStringList stored = storedCheckValues();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().size(), 44);
    AesCipher cipher;
    QCOMPARE(StoredSecret::open(stored.first().toLatin1(), cipher.keyFromHex(masterKey)), bytes);
}

void TestEnterDialog::passwordOpensTheVaultAtLaterStarts_data()
{
    QTest::addColumn<QString>("setText");
    QTest::addColumn<QString>("laterText");
    QTest::addColumn<bool>("opens");

    QTest::newRow("same text") << "secret" << "secret" << true;
    QTest::newRow("other case") << "secret" << "Secret" << false;
    QTest::newRow("blanks trimmed when set") << "  secret  " << "secret" << true;
    QTest::newRow("blanks kept when checked") << "  secret  " << "  secret  " << false;
    QTest::newRow("trailing blank when checked") << "secret" << "secret " << false;
    QTest::newRow("empty password") << "" << "" << true;
    QTest::newRow("blanks only set as empty") << "   " << "" << true;
    QTest::newRow("cyrillic") << "пароль" << "пароль" << true;
    QTest::newRow("sixteen bytes and more") << "0123456789abcdefXYZ" << "0123456789abcdefXYZ" << true;
    QTest::newRow("prefix of the password") << "0123456789abcdefXYZ" << "0123456789abcdef" << false;
}

void TestEnterDialog::passwordOpensTheVaultAtLaterStarts()
{
    QFETCH(QString, setText);
    QFETCH(QString, laterText);
    QFETCH(bool, opens);

    QString keyWhenSet;
    {
        EnterDialog first;
        first.setKeyTarget(&keyWhenSet);
        QVERIFY(click(first, setText));
    }
    QString keyLater;
    EnterDialog later;
    later.setKeyTarget(&keyLater);
    QCOMPARE(promptOf(later), QStringLiteral("Введите пароль:"));
    QCOMPARE(click(later, laterText), opens);
    if (opens)
        QCOMPARE(keyLater, keyWhenSet);
    QCOMPARE(storedCheckValues().size(), 1);
}

void TestEnterDialog::wrongPasswordLeavesTheDialogAsItWas()
{
    TestVault::setMasterPassword(QStringLiteral("right"));
    ModalDriver driver;
    QString masterKey;
    EnterDialog dialog;
    dialog.setKeyTarget(&masterKey);

    for (int attempt = 0; attempt < 5; ++attempt) {
        QVERIFY(!click(dialog, QStringLiteral("wrong")));
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("passwordEdit"))->text(),
                 QStringLiteral("wrong"));
        QCOMPARE(promptOf(dialog), QStringLiteral("Введите пароль:"));
    }
    QVERIFY(click(dialog, QStringLiteral("right")));
    QCOMPARE(masterKey, TestVault::masterKeyFor(QStringLiteral("right")));
    QCOMPARE(storedCheckValues().size(), 1);
    QVERIFY(driver.unexpectedModals().isEmpty());
}

void TestEnterDialog::passwordThatCannotBeStoredKeepsTheGateClosed()
{
    TestVault::closeDefaultConnection();
    QVERIFY(TestVault::openDefaultConnection(QStringLiteral("QSQLITE_OPEN_READONLY")));

    ModalDriver driver;
    QStringList messages;
    driver.then(DialogSteps::dismissMessage(&messages));
    QString masterKey;
    EnterDialog dialog;
    dialog.setKeyTarget(&masterKey);

    QVERIFY(!click(dialog, QStringLiteral("secret")));
    QCOMPARE(messages, QStringList(QStringLiteral("The master password could not be saved.")));
    QVERIFY(storedCheckValues().isEmpty());
    QVERIFY(driver.unexpectedModals().isEmpty());
}

void TestEnterDialog::clickWithoutTablesDoesNothing()
{
    QVERIFY(TestVault::execute(QStringLiteral("DROP TABLE SPass")));
    ModalDriver driver;
    EnterDialog dialog;
    QString masterKey;
    dialog.setKeyTarget(&masterKey);

    QVERIFY(!click(dialog, QStringLiteral("secret")));
    QVERIFY(masterKey.isEmpty());
    QVERIFY(driver.unexpectedModals().isEmpty());
}

bool TestEnterDialog::click(EnterDialog &dialog, const QString &password)
{
    dialog.findChild<QLineEdit *>(QStringLiteral("passwordEdit"))->setText(password);
    dialog.findChild<QPushButton *>(QStringLiteral("enterButton"))->click();
    return dialog.result() == QDialog::Accepted;
}

QString TestEnterDialog::promptOf(EnterDialog &dialog)
{
    return dialog.findChild<QLabel *>(QStringLiteral("promptLabel"))->text();
}

QStringList TestEnterDialog::storedCheckValues()
{
    QStringList values;
    for (const QVariantList &row : TestVault::rows(QStringLiteral("SELECT pass FROM SPass")))
        values << row.value(0).toString();
    return values;
}

PM_TEST_MAIN(TestEnterDialog)
#include "tst_enterdialog.moc"

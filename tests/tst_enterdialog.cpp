#include "dialogs/enterdialog.h"

#include "crypto/aescipher.h"
#include "dialogsteps.h"
#include "testmain.h"
#include "testvault.h"
#include "workingdirectory.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class TestEnterDialog : public QObject
{
    Q_OBJECT

private slots:
    void setPasswordOpensTheVaultAtLaterStarts_data();
    void setPasswordOpensTheVaultAtLaterStarts();
    void passwordThatCannotBeStoredKeepsTheGateClosed();

private:
    static bool click(EnterDialog &dialog, const QString &password);
    static QStringList checkValues();
};

void TestEnterDialog::setPasswordOpensTheVaultAtLaterStarts_data()
{
    QTest::addColumn<QString>("setText");
    QTest::addColumn<QString>("laterText");
    QTest::addColumn<bool>("opens");

    QTest::newRow("same text") << "secret" << "secret" << true;
    QTest::newRow("other case") << "secret" << "Secret" << false;
    QTest::newRow("blanks trimmed when set") << "  secret  " << "secret" << true;
    QTest::newRow("blanks kept when checked") << "  secret  " << "  secret  " << false;
    QTest::newRow("empty password") << "" << "" << true;
    QTest::newRow("cyrillic") << "пароль" << "пароль" << true;
    QTest::newRow("sixteen bytes and more") << "0123456789abcdefXYZ" << "0123456789abcdefXYZ" << true;
    QTest::newRow("prefix of the password") << "0123456789abcdefXYZ" << "0123456789abcdef" << false;
}

void TestEnterDialog::setPasswordOpensTheVaultAtLaterStarts()
{
    QFETCH(QString, setText);
    QFETCH(QString, laterText);
    QFETCH(bool, opens);
    WorkingDirectory workDir;
    TestVault::createSchema();
    QVERIFY(TestVault::openDefaultConnection());
    {
        QString keyWhenSet;
        EnterDialog first;
        first.setKeyTarget(&keyWhenSet);
        QCOMPARE(first.findChild<QLabel *>("promptLabel")->text(), QStringLiteral("Установить пароль:"));
        QVERIFY(click(first, setText));
        QCOMPARE(keyWhenSet, TestVault::masterKeyFor(setText.trimmed()));
        QCOMPARE(checkValues().value(0).size(), setText.trimmed().toUtf8().size() < 16 ? 44 : 64);
        AesCipher cipher;
        QCOMPARE(cipher.decrypt(QByteArray::fromBase64(checkValues().value(0).toLatin1()),
                                cipher.keyFromHex(keyWhenSet)),
                 setText.trimmed().toUtf8());

        ModalDriver driver;
        QString keyLater;
        EnterDialog later;
        later.setKeyTarget(&keyLater);
        QCOMPARE(later.findChild<QLabel *>("promptLabel")->text(), QStringLiteral("Введите пароль:"));
        // Wrong attempts change nothing, however many there are.
        for (int attempt = 0; attempt < 3; ++attempt) {
            QVERIFY(!click(later, setText + "x"));
            QCOMPARE(later.findChild<QLineEdit *>("passwordEdit")->text(), setText + "x");
        }
        QCOMPARE(click(later, laterText), opens);
        if (opens)
            QCOMPARE(keyLater, keyWhenSet);
        QCOMPARE(checkValues().size(), 1);
        QVERIFY(driver.unexpectedModals().isEmpty());
    }
    TestVault::closeDefaultConnection();
}

void TestEnterDialog::passwordThatCannotBeStoredKeepsTheGateClosed()
{
    WorkingDirectory workDir;
    TestVault::createSchema();
    QVERIFY(TestVault::openDefaultConnection("QSQLITE_OPEN_READONLY"));
    {
        ModalDriver driver;
        QStringList messages;
        driver.then(DialogSteps::dismissMessage(&messages));
        QString masterKey;
        EnterDialog dialog;
        dialog.setKeyTarget(&masterKey);

        QVERIFY(!click(dialog, "secret"));
        QCOMPARE(messages, QStringList("The master password could not be saved."));
        QVERIFY(checkValues().isEmpty());
        QVERIFY(driver.unexpectedModals().isEmpty());
    }
    TestVault::closeDefaultConnection();
}

bool TestEnterDialog::click(EnterDialog &dialog, const QString &password)
{
    dialog.findChild<QLineEdit *>("passwordEdit")->setText(password);
    dialog.findChild<QPushButton *>("enterButton")->click();
    return dialog.result() == QDialog::Accepted;
}

QStringList TestEnterDialog::checkValues()
{
    QStringList values;
    for (const QVariantList &row : TestVault::rows("SELECT pass FROM SPass"))
        values << row.value(0).toString();
    return values;
}

PM_TEST_MAIN(TestEnterDialog)
#include "tst_enterdialog.moc"

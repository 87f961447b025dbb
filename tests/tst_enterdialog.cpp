#include "dialogs/enterdialog.h"

#include "modaldriver.h"
#include "testvault.h"

#include <QSqlQuery>
#include <QtTest>
#include <QtWidgets>

class TestEnterDialog : public QObject
{
    Q_OBJECT

private slots:
    // A check value that cannot be stored keeps the gate shut. Set with
    // blanks around it, the password is kept without them; a wrong one
    // leaves the dialog open.
    void passwordSetOpensTheVaultLater()
    {
        TestVault vault;
        TestVault::create();
        TestVault::run("DELETE FROM SPass");
        QString keyWhenSet;
        EnterDialog first;
        first.setKeyTarget(&keyWhenSet);
        QCOMPARE(first.findChild<QLabel *>()->text(), QStringLiteral("Установить пароль:"));
        QSqlQuery("PRAGMA query_only = ON");
        QStringList messages;
        ModalDriver::answer(&first, ModalDriver::noteText(&messages));
        QVERIFY(!click(first, " пароль\t"));
        QCOMPARE(messages, QStringList("The master password could not be saved."));
        QSqlQuery("PRAGMA query_only = OFF");
        QVERIFY(click(first, " пароль\t"));
        QCOMPARE(keyWhenSet, TestVault::masterKeyFor("пароль"));
        QCOMPARE(TestVault::run("SELECT group_concat(length(pass)) FROM SPass").toString(), QStringLiteral("44"));

        EnterDialog later;
        QCOMPARE(later.findChild<QLabel *>()->text(), QStringLiteral("Введите пароль:"));
        QVERIFY(!click(later, " пароль\t"));
        QVERIFY(click(later, "пароль"));
    }

private:
    static bool click(EnterDialog &dialog, const QString &password)
    {
        dialog.findChild<QLineEdit *>()->setText(password);
        dialog.findChild<QPushButton *>()->click();
        return dialog.result() == QDialog::Accepted;
    }
};

QTEST_MAIN(TestEnterDialog)
#include "tst_enterdialog.moc"

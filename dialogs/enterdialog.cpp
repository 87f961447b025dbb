// The master password gate: a new vault's password set, or a vault's checked.

#include "dialogs/enterdialog.h"

#include "vault/masterpassword.h"
#include "vault/storedsecret.h"
#include "vault/vaultstatements.h"

#include <QMessageBox>
#include <QSqlQuery>

EnterDialog::EnterDialog()
    : container(new QWidget(this))
{
    container->setGeometry(0, 0, 370, 50);
    promptLabel.setObjectName(QStringLiteral("promptLabel"));
    passwordEdit.setObjectName(QStringLiteral("passwordEdit"));
    enterButton.setObjectName(QStringLiteral("enterButton"));
    promptLabel.setParent(container);
    passwordEdit.setParent(container);
    enterButton.setParent(container);
    promptLabel.setGeometry(10, 10, 100, 16);
    promptLabel.setText(vaultHasCheckValue() ? QStringLiteral("Введите пароль:")
                                             : QStringLiteral("Установить пароль:"));
    passwordEdit.setGeometry(115, 10, 180, 20);
    enterButton.setGeometry(300, 10, 60, 20);
    enterButton.setText(QStringLiteral("Enter"));
    promptLabel.setBuddy(&passwordEdit);
    passwordEdit.setAccessibleName(tr("Master password"));
    connect(&enterButton, &QPushButton::clicked, this, &EnterDialog::on_pushButton_clicked);
}

EnterDialog::~EnterDialog() = default;

void EnterDialog::setKeyTarget(QString *target)
{
    keyTarget = target;
}

void EnterDialog::on_pushButton_clicked()
{
    QSqlQuery query;
    if (!query.exec(VaultStatements::selectCheckValue()) || !query.next())
        return;
    if (query.value(VaultStatements::CheckValueCount).toInt() == 0)
        setPassword();
    else
        checkPassword(query.value(VaultStatements::CheckValueText).toByteArray());
}

bool EnterDialog::vaultHasCheckValue()
{
    QSqlQuery query;
    return query.exec(VaultStatements::countCheckValues()) && query.next() && query.value(0).toInt() != 0;
}

void EnterDialog::handOutKey(const MasterPassword &password)
{
    if (keyTarget)
        *keyTarget = password.masterKey();
}

void EnterDialog::setPassword()
{
    const MasterPassword password(StoredSecret::bytesOf(passwordEdit.text().trimmed()));
    handOutKey(password);
    QSqlQuery query;
    if (!query.exec(VaultStatements::insertCheckValue(password.checkValue()))) {
        // Accepting now would let entries be stored under a key that the
        // next start no longer knows.
        QMessageBox::warning(this, QStringLiteral("Password Manager"),
                             QStringLiteral("The master password could not be saved."));
        return;
    }
    accept();
}

void EnterDialog::checkPassword(const QByteArray &storedCheckValue)
{
    const MasterPassword password(StoredSecret::bytesOf(passwordEdit.text()));
    handOutKey(password);
    if (password.matches(storedCheckValue))
        accept();
}

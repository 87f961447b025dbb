// The entry dialog: an entry's four fields loaded, checked and stored.

#include "dialogs/datadialog.h"

#include "accessibility/accessiblenotification.h"
#include "crypto/aescipher.h"
#include "vault/vaultentries.h"

#include <QTextBoundaryFinder>

#include <limits>

namespace {
// Wrapping at word boundaries takes time that grows with the square of the
// longest stretch without a place to break the line: a megabyte of it would
// take minutes. Longer stretches than this make a note wrap anywhere.
constexpr int longestUnbrokenStretch = 10000;

bool hasLongUnbrokenStretch(const QString &text)
{
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    int previous = 0;
    for (int next = breaks.toNextBoundary(); next >= 0; next = breaks.toNextBoundary()) {
        if (next - previous > longestUnbrokenStretch)
            return true;
        previous = next;
    }
    return false;
}
}

DataDialog::DataDialog()
    : container(new QWidget(this))
{
    AccessibleNotification::attachTo(&statusLabel);
    container->setGeometry(0, 0, 300, 350);
    // The order of parenting is the keyboard focus order.
    for (QWidget *widget :
         std::initializer_list<QWidget *>{&domainLabel, &loginLabel, &passLabel, &infoLabel, &domainEdit, &loginEdit,
                                          &passEdit, &infoEdit, &saveButton, &statusLabel})
        widget->setParent(container);
    domainEdit.setObjectName(QStringLiteral("domainEdit"));
    loginEdit.setObjectName(QStringLiteral("loginEdit"));
    passEdit.setObjectName(QStringLiteral("passEdit"));
    infoEdit.setObjectName(QStringLiteral("infoEdit"));
    saveButton.setObjectName(QStringLiteral("saveButton"));
    statusLabel.setObjectName(QStringLiteral("statusLabel"));

    domainLabel.setGeometry(10, 5, 50, 16);
    domainLabel.setText(QStringLiteral("Domain:"));
    domainEdit.setGeometry(60, 5, 200, 21);
    loginLabel.setGeometry(10, 30, 50, 16);
    loginLabel.setText(QStringLiteral("Login:"));
    loginEdit.setGeometry(60, 30, 200, 21);
    passLabel.setGeometry(10, 55, 30, 16);
    passLabel.setText(QStringLiteral("Pass:"));
    passEdit.setGeometry(60, 55, 200, 21);
    infoLabel.setGeometry(10, 80, 300, 16);
    infoLabel.setText(QStringLiteral("Дополнительная информация:(max 300 символов)"));
    infoEdit.setGeometry(10, 100, 250, 200);
    saveButton.setGeometry(10, 310, 100, 21);
    statusLabel.setGeometry(120, 310, 100, 16);
    statusLabel.setTextFormat(Qt::RichText);
    // Tab moves on to the button instead of going into the note.
    infoEdit.setTabChangesFocus(true);
    // A stored value of any length must come back whole when Edit saves it.
    for (QLineEdit *edit : {&domainEdit, &loginEdit, &passEdit})
        edit->setMaxLength(std::numeric_limits<int>::max());
    describeFields();

    setFixedSize(container->size());
    connect(&saveButton, &QPushButton::clicked, this, &DataDialog::on_pushButton_clicked);
}

DataDialog::~DataDialog() = default;

void DataDialog::setKey(const QString &key)
{
    masterKey = key;
}

void DataDialog::reset(bool mode)
{
    editMode = mode;
    domainEdit.setEnabled(!editMode);
    saveButton.setText(editMode ? QStringLiteral("Edit") : QStringLiteral("Add"));
    setWindowTitle(editMode ? tr("Edit entry") : tr("Add entry"));
    infoEdit.clear();
    infoEdit.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    showStatus(QString());
    domainEdit.clear();
    loginEdit.clear();
    passEdit.clear();
    // Typing must not land in whichever field had the focus last time.
    if (editMode)
        loginEdit.setFocus();
    else
        domainEdit.setFocus();
}

void DataDialog::loadEntry(const QString &id)
{
    entryId = id;
    bool isNumber = false;
    const qint64 number = id.toLongLong(&isNumber);
    Entry entry;
    if (!isNumber || !VaultEntries::read(number, key(), &entry, nullptr))
        return;
    domainEdit.setText(entry.domain);
    loginEdit.setText(entry.login);
    passEdit.setText(entry.password);
    if (hasLongUnbrokenStretch(entry.note))
        infoEdit.setWordWrapMode(QTextOption::WrapAnywhere);
    infoEdit.appendPlainText(entry.note);
}

void DataDialog::on_pushButton_clicked()
{
    const QString emptyField = firstEmptyFieldMessage();
    if (!emptyField.isEmpty()) {
        showStatus(emptyField);
        return;
    }
    showStatus(save() ? QStringLiteral("<font color = 'green'>Successful</font>")
                      : QStringLiteral("<font color = 'red'>error</font>"));
}

void DataDialog::describeFields()
{
    domainLabel.setBuddy(&domainEdit);
    loginLabel.setBuddy(&loginEdit);
    passLabel.setBuddy(&passEdit);
    infoLabel.setBuddy(&infoEdit);
    domainEdit.setAccessibleName(tr("Domain"));
    loginEdit.setAccessibleName(tr("Login"));
    passEdit.setAccessibleName(tr("Pass"));
    infoEdit.setAccessibleName(tr("Note"));
}

void DataDialog::showStatus(const QString &richText)
{
    AccessibleNotification::announce(&statusLabel, richText);
}

QString DataDialog::firstEmptyFieldMessage() const
{
    if (domainEdit.text().isEmpty())
        return QStringLiteral("<font color = 'red'>Domain is Empty</font>");
    if (loginEdit.text().isEmpty())
        return QStringLiteral("<font color = 'red'>Login is Empty</font>");
    if (passEdit.text().isEmpty())
        return QStringLiteral("<font color = 'red'>Pass is Empty</font>");
    return QString();
}

QByteArray DataDialog::key() const
{
    AesCipher cipher;
    return cipher.keyFromHex(masterKey);
}

bool DataDialog::save()
{
    const Entry entry{domainEdit.text(), loginEdit.text(), passEdit.text(), infoEdit.toPlainText()};
    if (!editMode)
        return VaultEntries::add(entry, key(), nullptr);
    bool isNumber = false;
    const qint64 id = entryId.toLongLong(&isNumber);
    // An entry removed since it was loaded must not be reported as saved.
    return isNumber && VaultEntries::update(id, entry, key(), nullptr);
}

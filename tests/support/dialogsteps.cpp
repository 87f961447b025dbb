#include "dialogsteps.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>

ModalDriver::Step DialogSteps::enterPassword(const QString &password)
{
    return [password](QWidget *modal) {
        auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("passwordEdit"));
        auto *button = modal->findChild<QPushButton *>(QStringLiteral("enterButton"));
        if (!edit || !button) {
            modal->close();
            return;
        }
        edit->setText(password);
        button->click();
    };
}

ModalDriver::Step DialogSteps::pressEscape()
{
    return [](QWidget *modal) { QTest::keyClick(modal, Qt::Key_Escape); };
}

ModalDriver::Step DialogSteps::closeWindow()
{
    return [](QWidget *modal) { modal->close(); };
}

ModalDriver::Step DialogSteps::dismissMessage(QStringList *seen)
{
    return [seen](QWidget *modal) {
        *seen << ModalDriver::textOf(modal);
        modal->close();
    };
}

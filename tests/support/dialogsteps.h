#ifndef DIALOGSTEPS_H
#define DIALOGSTEPS_H

#include "modaldriver.h"

#include <QStringList>

// What a user does in the program's modal dialogs, as ModalDriver steps.
class DialogSteps
{
public:
    static ModalDriver::Step enterPassword(const QString &password);
    static ModalDriver::Step pressEscape();
    static ModalDriver::Step closeWindow();
    // Notes the text of a message box and dismisses it.
    static ModalDriver::Step dismissMessage(QStringList *seen);
};

#endif // DIALOGSTEPS_H

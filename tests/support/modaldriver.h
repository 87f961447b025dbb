#ifndef PM_MODALDRIVER_H
#define PM_MODALDRIVER_H

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers modal dialogs from inside their own event loops.
class ModalDriver
{
public:
    using Step = std::function<void(QWidget *modal)>;

    // Runs the step on the next widget to be modal, unless the context
    // object is gone by then.
    static void answer(QObject *context, const Step &step)
    {
        QTimer::singleShot(10, context, [context, step] {
            if (QWidget *modal = QApplication::activeModalWidget())
                step(modal);
            else
                answer(context, step);
        });
    }

    // A step that notes the text of a message box and closes it.
    static Step noteText(QStringList *texts)
    {
        return [texts](QWidget *messageBox) {
            *texts << messageBox->property("text").toString();
            messageBox->close();
        };
    }
};

#endif // PM_MODALDRIVER_H

#include "modaldriver.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace {
constexpr int pollIntervalMs = 10;
constexpr int graceTicks = 300;
}

ModalDriver::ModalDriver(QObject *parent)
    : QObject(parent)
{
    timer.setInterval(pollIntervalMs);
    connect(&timer, &QTimer::timeout, this, &ModalDriver::poll);
    timer.start();
}

void ModalDriver::then(Step step)
{
    steps.push(std::move(step));
}

bool ModalDriver::allStepsRan() const
{
    return steps.empty();
}

QStringList ModalDriver::unexpectedModals() const
{
    return unexpected;
}

QString ModalDriver::textOf(QWidget *modal)
{
    if (auto *box = qobject_cast<QMessageBox *>(modal))
        return box->text();
    return QString::fromLatin1(modal->metaObject()->className());
}

void ModalDriver::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal) {
        idleTicksWithModal = 0;
        return;
    }
    if (stepPending)
        return;
    if (!steps.empty()) {
        idleTicksWithModal = 0;
        // Run outside this timer's callback: Qt does not fire a timer again
        // while its callback runs, and the step may open a dialog of its own.
        stepPending = true;
        QMetaObject::invokeMethod(this, [this, modal = QPointer<QWidget>(modal)] {
            stepPending = false;
            Step step = std::move(steps.front());
            steps.pop();
            if (modal)
                step(modal);
        }, Qt::QueuedConnection);
        return;
    }
    if (++idleTicksWithModal >= graceTicks) {
        idleTicksWithModal = 0;
        unexpected << textOf(modal);
        modal->close();
    }
}

#ifndef MODALDRIVER_H
#define MODALDRIVER_H

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <queue>

class QWidget;

// Answers modal dialogs from inside their own event loops. Each queued step
// runs once, on whatever widget is modal when it gets its turn. A modal
// widget that no step is left for is closed after a grace period and noted,
// so a surprise dialog fails the test instead of hanging it.
class ModalDriver : public QObject
{
    Q_OBJECT

public:
    using Step = std::function<void(QWidget *modal)>;

    explicit ModalDriver(QObject *parent = nullptr);

    void then(Step step);
    bool allStepsRan() const;
    // Text (or class name) of every modal widget that no step was left for.
    QStringList unexpectedModals() const;

    static QString textOf(QWidget *modal);

private:
    void poll();

    QTimer timer;
    std::queue<Step> steps;
    QStringList unexpected;
    int idleTicksWithModal = 0;
    bool stepPending = false;
};

#endif // MODALDRIVER_H

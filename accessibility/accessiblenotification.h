#ifndef PM_ACCESSIBLENOTIFICATION_H
#define PM_ACCESSIBLENOTIFICATION_H

#include <QAccessibleWidget>
#include <QString>

class QLabel;

// What a label says to a screen reader when it shows a message. Screen
// readers pass over a new text on a label that does not have the focus, but
// they announce an object in the notification role as it is shown.
class AccessibleNotification : public QAccessibleWidget
{
public:
    // Before anything asks for the label's interface: the first one made
    // for an object is kept for its whole life.
    static void attachTo(QLabel *label);
    // An empty text hides the label and says nothing.
    static void announce(QLabel *label, const QString &text);

    QString text(QAccessible::Text kind) const override;

private:
    explicit AccessibleNotification(QLabel *label);
};

#endif // PM_ACCESSIBLENOTIFICATION_H

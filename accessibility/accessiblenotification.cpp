// The notification role a status label takes, so that screen readers speak its messages.

#include "accessibility/accessiblenotification.h"

#include <QLabel>
#include <QTextDocumentFragment>

AccessibleNotification::AccessibleNotification(QLabel *label)
    : QAccessibleWidget(label, QAccessible::Notification)
{
}

void AccessibleNotification::attachTo(QLabel *label)
{
    QAccessible::registerAccessibleInterface(new AccessibleNotification(label));
}

void AccessibleNotification::announce(QLabel *label, const QString &text)
{
    label->hide();
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

QString AccessibleNotification::text(QAccessible::Text kind) const
{
    if (kind != QAccessible::Name)
        return QAccessibleWidget::text(kind);
    const auto *label = static_cast<const QLabel *>(widget());
    if (label->textFormat() == Qt::PlainText)
        return label->text();
    return QTextDocumentFragment::fromHtml(label->text()).toPlainText();
}

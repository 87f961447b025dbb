#include "mainwindow/mainwindow.h"

#include "dialogs/enterdialog.h"
#include "modaldriver.h"
#include "testvault.h"

#include <QSqlQuery>
#include <QtGui/private/qguiapplication_p.h>
#include <QtTest>
#include <QtWidgets>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {
// Labels and check boxes need their size hint, buttons their text and a few
// pixels, line edits their text's height and, when read-only, its width.
QSize roomNeeded(QWidget *widget)
{
    const QFontMetrics metrics = widget->fontMetrics();
    if (auto *button = qobject_cast<QPushButton *>(widget))
        return {metrics.horizontalAdvance(button->text()) + 8, metrics.height()};
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return {edit->isReadOnly() ? metrics.horizontalAdvance(edit->text()) + 4 : 0, metrics.height() + 2};
    return qobject_cast<QLabel *>(widget) || qobject_cast<QCheckBox *>(widget) ? widget->sizeHint() : QSize();
}

// Notes what is wrong in one window, each fault with the window and the
// widget: no icon or none drawn for the window's scale, a scale other than
// the screen's dpi over 96 (the screen's dpi is QT_FONT_DPI, where set), a
// font other than the one asked for or under 11 px, a text that does not fit
// (the line gap, up to 2 px, may be cut). Notes what a screen reader says of
// each text field and of the list: its name, then its caption.
void inspect(QWidget *window, QStringList *faults, QStringList *fields = nullptr)
{
    const qreal scale = window->devicePixelRatioF();
    const int dpi = qEnvironmentVariableIntValue("QT_FONT_DPI");
    if (!window->windowIcon().availableSizes().contains(QSize(256, 256))
        || window->windowIcon().pixmap(16).width() < qFloor(16 * scale) || (dpi && qAbs(scale - dpi / 96.0) > 0.01))
        QDebug(&(*faults << QString()).last())
            << window << dpi << "dpi, scale" << scale << window->windowIcon().pixmap(16);
    for (QWidget *widget : window->findChildren<QWidget *>() + QList<QWidget *>({window})) {
        const QSize needed = roomNeeded(widget);
        const QRect room = widget->isWindow() ? widget->rect() : widget->geometry() & widget->parentWidget()->rect();
        const QFontInfo font(widget->font());
        if (widget->isVisibleTo(window)
            && (font.family() != widget->font().family() || font.pixelSize() < 11
                || needed.boundedTo(room.size() + QSize(0, 2)) != needed))
            QDebug(&(*faults << QString()).last())
                << window->metaObject()->className() << widget << widget->property("text").toString() << "needs"
                << needed << "has" << room.size() << "in" << font.family() << font.pixelSize() << "px, asked for"
                << widget->font().family();
        QAccessibleInterface *field = QAccessible::queryAccessibleInterface(widget);
        if (fields && (field->role() == QAccessible::EditableText || field->role() == QAccessible::Table)) {
            *fields << field->text(QAccessible::Name);
            for (const auto &caption : field->relations(QAccessible::Label))
                fields->last() += " / " + caption.first->text(QAccessible::Name);
        }
    }
}
}

// Every window of the program as a person sees it, hears it and walks it
// by keyboard: the gate, the main window, the entry dialog, a message box
// and the list's menu, also under a desktop theme's font.
class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // What a screen reader announces while the focus stays where it is:
        // objects in the notification role, as they are shown. Qt tells it
        // nothing until the platform's accessibility is on.
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
            const QAccessibleInterface *object = event->accessibleInterface();
            if (event->type() == QAccessible::ObjectShow && object && object->role() == QAccessible::Notification)
                heard << object->text(QAccessible::Name);
        });
    }

    void init()
    {
        vault = std::make_unique<TestVault>();
        ModalDriver::answer(this, [this](QWidget *gate) {
            inspect(gate, &faults, &fields);
            gate->findChild<QLineEdit *>()->setText("master");
            gate->findChild<QPushButton *>()->click();
        });
        window = std::make_unique<MainWindow>();
        window->show();
        inspect(window.get(), &faults, &fields);
        heard.clear();
    }

    void cleanup()
    {
        window.reset();
        vault.reset();
        faults.clear();
        fields.clear();
    }

    void everyWindowShowsItsTextsWhole()
    {
        // As a desktop theme does, once the event loop runs and when its settings change.
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
        EnterDialog later;
        inspect(&later, &faults);
        DataDialog entry;
        entry.reset(true);
        inspect(&entry, &faults);
        entry.reset(false);
        entry.show();
        walkByKeyboard(&entry);
        inspect(&entry, &faults);
        ModalDriver::answer(this, [this](QWidget *box) {
            inspect(box, &faults);
            box->close();
        });
        QTest::keyClick(window->findChild<QLineEdit *>("lineEdit_4"), Qt::Key_Return);
        window->reloadTable();
        window->findChild<QTableWidget *>()->selectRow(0);
        emit window->findChild<QTableWidget *>()->customContextMenuRequested(QPoint(5, 5));
        inspect(window->findChild<QMenu *>(), &faults);
        faults.removeDuplicates();
        for (const QString &fault : faults)
            qWarning().noquote() << fault;
        QVERIFY2(faults.isEmpty(), "the windows have faults, each in a warning above");
    }

    void screenReadersHearEachFieldsNameAndCaption()
    {
        DataDialog entry;
        entry.reset(false);
        entry.show();
        inspect(&entry, &faults, &fields);
        QCOMPARE(fields,
                 QStringList({"Master password / Установить пароль:", "Generated password",
                              "Password length / Password length:", "Entries", "Contact address",
                              "Find domain / Find Domain:", "Domain / Domain:", "Login / Login:", "Pass / Pass:",
                              "Note / Дополнительная информация:(max 300 символов)"}));
    }

    // Save, fill the field the status asks for, Tab on; the last save
    // cannot store.
    void entryDialogIsWalkedByKeyboard()
    {
        DataDialog entry;
        entry.reset(false);
        entry.show();
        QCOMPARE(walkByKeyboard(&entry),
                 QStringList({"domainEdit", "loginEdit", "passEdit", "infoEdit", "saveButton"}));
        QCOMPARE(entry.findChild<QLabel *>("statusLabel")->text(), QStringLiteral("<font color = 'red'>error</font>"));
        QCOMPARE(entry.findChild<QPlainTextEdit *>()->toPlainText(), QStringLiteral("x"));
    }

    void statusMessagesAreAnnounced()
    {
        DataDialog entry;
        entry.reset(false);
        entry.show();
        walkByKeyboard(&entry);
        window->reloadTable();
        window->findChild<QTableWidget *>()->selectRow(0);
        emit window->findChild<QTableWidget *>()->customContextMenuRequested(QPoint(5, 5));
        // "Delete", which the read-only vault refuses.
        window->findChild<QMenu *>()->actions().last()->trigger();
        QCOMPARE(heard,
                 QStringList({"Domain is Empty", "Login is Empty", "Pass is Empty", "Successful", "error",
                              "The entry could not be deleted: attempt to write a readonly database."}));
    }

private:
    // The focus path of five saves from the keyboard; the vault turns
    // read-only before the last.
    static QStringList walkByKeyboard(DataDialog *entry)
    {
        QStringList path;
        for (int step = 0; step < 5; ++step) {
            path << entry->focusWidget()->objectName();
            entry->findChild<QPushButton *>()->click();
            QTest::keyClicks(entry->focusWidget(), "x");
            QTest::keyClick(entry->focusWidget(), Qt::Key_Tab);
            if (step == 3)
                QSqlQuery("PRAGMA query_only = ON");
        }
        return path;
    }

    static QStringList heard;
    std::unique_ptr<TestVault> vault;
    std::unique_ptr<MainWindow> window;
    QStringList faults;
    QStringList fields;
};

QStringList TestWindows::heard;

// Not QTEST_MAIN, which would fix the resolution at 96 dpi: this runs at
// other resolutions too, scaled as the program is.
int main(int argc, char *argv[])
{
    MainWindow::scaleWithScreen();
    QApplication application(argc, argv);
    TestWindows test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_windows.moc"

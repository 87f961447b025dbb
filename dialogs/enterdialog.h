#ifndef PM_ENTERDIALOG_H
#define PM_ENTERDIALOG_H

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class MasterPassword;

// The gate at start-up: sets the master password of a new vault or checks
// it against the stored check value, and hands out the master key.
class EnterDialog : public QDialog
{
    Q_OBJECT

public:
    EnterDialog();
    ~EnterDialog() override;

    void setKeyTarget(QString *target);

public slots:
    void on_pushButton_clicked();

private:
    static bool vaultHasCheckValue();
    void handOutKey(const MasterPassword &password);
    void setPassword();
    void checkPassword(const QByteArray &storedCheckValue);

    QWidget *container;
    QLabel promptLabel;
    QLineEdit passwordEdit;
    QPushButton enterButton;
    QString *keyTarget = nullptr;
};

#endif // PM_ENTERDIALOG_H

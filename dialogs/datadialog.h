#ifndef PM_DATADIALOG_H
#define PM_DATADIALOG_H

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

// Adds an entry, or edits the one loaded with loadEntry. The owner resets
// it before every showing; it never closes itself.
class DataDialog : public QDialog
{
    Q_OBJECT

public:
    DataDialog();
    ~DataDialog() override;

    void setKey(const QString &key);
    void reset(bool mode);
    void loadEntry(const QString &id);

public slots:
    void on_pushButton_clicked();

private:
    void describeFields();
    void showStatus(const QString &richText);
    QString firstEmptyFieldMessage() const;
    QByteArray key() const;
    bool save();

    QWidget *container;
    QLabel domainLabel;
    QLabel loginLabel;
    QLabel passLabel;
    QLabel infoLabel;
    QLabel statusLabel;
    QLineEdit domainEdit;
    QLineEdit loginEdit;
    QLineEdit passEdit;
    QPlainTextEdit infoEdit;
    QPushButton saveButton;
    bool editMode = false;
    QString entryId;
    QString masterKey;
};

#endif // PM_DATADIALOG_H

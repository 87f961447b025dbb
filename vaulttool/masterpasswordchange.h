#ifndef PM_MASTERPASSWORDCHANGE_H
#define PM_MASTERPASSWORDCHANGE_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class MasterPassword;

// A new master password for the vault open on the default connection: every
// stored password and note sealed anew under its key, byte for byte as it
// was, and its check value in SPass; ids and names are left as they are.
// All of it in one transaction, or nothing.
class MasterPasswordChange
{
public:
    MasterPasswordChange(const QByteArray &currentKey, const MasterPassword &next);

    // False where anything stands in the way, and then nothing is written;
    // `damaged` names each entry whose values do not open under the current
    // key, as check names it.
    bool run(QStringList *damaged, QString *error);
    int entryCount() const;

private:
    bool findEntries(QStringList *damaged, QString *error);
    bool reseal(qint64 rowid, QString *error) const;
    bool replaceCheckValue(QString *error) const;

    QByteArray currentKey;
    QByteArray nextKey;
    QString nextCheckValue;
    QVector<qint64> rowids;
};

#endif // PM_MASTERPASSWORDCHANGE_H

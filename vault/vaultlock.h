#ifndef PM_VAULTLOCK_H
#define PM_VAULTLOCK_H

#include <QObject>
#include <QSqlDatabase>
#include <QString>

// The lock by which whoever works with the vault's key keeps a change of the
// master password away, and a change keeps everyone else waiting: the window
// program and the tool's commands hold it shared, a change holds it alone.
// It is an advisory lock on the file that the connection has open, through a
// descriptor of its own, held until the object goes: as the child of a
// window, for as long as the window lives.
//
// Going, it closes its descriptor, and closing any descriptor of a file drops
// every lock that SQLite took on it in this process: it must go only while
// no transaction is open.
class VaultLock : public QObject
{
public:
    explicit VaultLock(QObject *parent = nullptr);
    ~VaultLock() override;

    // Waits for as long as a change holds the lock.
    bool lockShared(const QSqlDatabase &vault, QString *error);
    // Refused at once where anyone else holds the lock.
    bool lockAlone(const QSqlDatabase &vault, QString *error);
    bool isHeld() const;

private:
    bool lock(const QSqlDatabase &vault, int access, short type, int command, QString *error);

    int descriptor = -1;
};

#endif // PM_VAULTLOCK_H

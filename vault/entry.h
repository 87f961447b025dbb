#ifndef PM_ENTRY_H
#define PM_ENTRY_H

#include <QString>

// One entry as the window program shows it: domain and login as stored,
// password and note decrypted and read as text.
struct Entry
{
    QString domain;
    QString login;
    QString password;
    QString note;

    bool operator==(const Entry &other) const
    {
        return domain == other.domain && login == other.login && password == other.password && note == other.note;
    }
};

#endif // PM_ENTRY_H

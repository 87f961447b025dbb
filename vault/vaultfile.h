#ifndef VAULTFILE_H
#define VAULTFILE_H

#include <QByteArray>
#include <QString>

// The one file that holds the vault, relative to the working directory.
class VaultFile
{
public:
    static QString name();

    // Creates the vault as an empty file that only its owner can read and
    // write, so that the domains, logins and the check value are never
    // readable by other accounts, not even for a moment. When the name is a
    // symbolic link the file is made where the link leads. Returns the path
    // of the file it made, or nothing if the vault already exists (or cannot
    // be made): a file that was there before is never touched.
    static QByteArray createOwnerOnly();
    // Takes back what createOwnerOnly made in this run.
    static void removeCreated(const QByteArray &createdPath);

private:
    static QByteArray pathBehindLinks();
};

#endif // VAULTFILE_H

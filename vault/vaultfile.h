#ifndef VAULTFILE_H
#define VAULTFILE_H

#include <QString>

// The one file that holds the vault, relative to the working directory.
class VaultFile
{
public:
    static QString name();
    static bool exists();

    // Creates an empty file that only its owner can read and write, so that
    // the domains, logins and the check value are never readable by other
    // accounts, not even for a moment. Fails if the file already exists.
    static bool createOwnerOnly();
};

#endif // VAULTFILE_H

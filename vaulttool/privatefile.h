#ifndef PRIVATEFILE_H
#define PRIVATEFILE_H

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

// A file that only its owner can read. It is written under a temporary name
// beside its destination and takes the destination's name only once it is
// complete, so nobody ever finds it half made. A file already there is kept
// unless it may be replaced.
class PrivateFile
{
public:
    PrivateFile(const QString &destination, bool replace);

    bool create();
    QString temporaryPath() const;
    bool write(const QByteArray &bytes);
    bool publish();
    QString errorString() const;

private:
    bool takeName();
    bool fail(const QString &reason);

    const QString destination;
    const bool replace;
    QTemporaryFile temporary;
    QString error;
};

#endif // PRIVATEFILE_H

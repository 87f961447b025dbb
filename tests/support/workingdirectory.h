#ifndef WORKINGDIRECTORY_H
#define WORKINGDIRECTORY_H

#include <QString>
#include <QTemporaryDir>

// Moves the process into a fresh empty directory for the lifetime of the
// object, so that whatever the code under test writes (db.db above all)
// lands there and is removed afterwards.
class WorkingDirectory
{
public:
    WorkingDirectory();
    ~WorkingDirectory();

    bool isValid() const;

private:
    QString previous;
    QTemporaryDir directory;
};

#endif // WORKINGDIRECTORY_H

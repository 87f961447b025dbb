#include "workingdirectory.h"

#include <QDir>

WorkingDirectory::WorkingDirectory()
    : previous(QDir::currentPath())
{
    if (directory.isValid())
        QDir::setCurrent(directory.path());
}

WorkingDirectory::~WorkingDirectory()
{
    QDir::setCurrent(previous);
}

bool WorkingDirectory::isValid() const
{
    return directory.isValid() && QDir::currentPath() == QDir(directory.path()).canonicalPath();
}

// passwordmanager-vault: the companion tool, run on the window program's vault.

#include "vaulttool/vaulttool.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(PM_VERSION));
    return VaultTool().run(QCoreApplication::arguments());
}

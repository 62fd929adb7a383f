#include "app/dailybackup.h"

#include "base/failure.h"
#include "gui/backupactions.h"
#include "invoice/workspace.h"
#include "store/backup.h"
#include "store/database.h"

#include <QFileInfo>

QString dailyBackup(const Workspace &workspace) {
    try {
        const QString database = workspace.databasePath();
        const QString folder = backupFolder(workspace);
        if (hasBackupOf(folder, workspace.today()))
            return QString();
        // Books that are not there yet (or another program's old file) have nothing to keep.
        if (!isServerAddress(database) && fileKind(database) != FileKind::SQLite)
            return QString();
        backupDatabase(database, folder, workspace.now());
        return QString();
    } catch (const std::exception &e) {
        return QStringLiteral("Günün yedeği alınamadı:\n%1").arg(failureText(e));
    }
}

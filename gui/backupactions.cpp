#include "gui/backupactions.h"

#include "gui/choosers.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "invoice/books.h"
#include "invoice/workspace.h"

#include <QCursor>
#include <QDir>
#include <QGuiApplication>

QString backupFolder(const Workspace &workspace) {
    return workspace.filePath(QStringLiteral("yedekler"));
}

bool backUpBooks(const Workspace &workspace, QWidget *parent, bool chooseFolder) {
    QString folder = backupFolder(workspace);
    if (chooseFolder) {
        const std::optional<QString> chosen =
            Choosers::choosePath(parent, Choosers::PathKind::Folder,
                                 QStringLiteral("Yedeğin Alınacağı Klasör"), QDir::homePath());
        if (!chosen)
            return false;
        folder = *chosen;
    }
    BackupResult r;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool done = guarded(parent, [&] { r = Books(workspace).backUp(folder); });
    QGuiApplication::restoreOverrideCursor();
    if (done)
        Messages::info(parent,
                       QStringLiteral("Yedek alındı: %1").arg(QDir::toNativeSeparators(r.path)));
    return done;
}

bool restoreBooks(const Workspace &workspace, QWidget *parent) {
    const std::optional<QString> backup = Choosers::choosePath(
        parent, Choosers::PathKind::OpenFile, QStringLiteral("Geri Yüklenecek Yedek"),
        backupFolder(workspace),
        QStringLiteral("Yedekler (fatura-*.MDB *.MDB *.mdb *.db);;Bütün dosyalar (*)"));
    if (!backup)
        return false;
    QString database;
    BackupContents contents;
    if (!guarded(parent, [&] {
            database = Books(workspace).shownBooks();
            contents = Books::checkBackup(*backup);
        }))
        return false;
    if (!Messages::ask(
            parent, QStringLiteral("Yedek: %1\n%2\n\nDefterler (%3) bu yedekle değiştirilsin "
                                   "mi? Şimdiki defterler yanında saklanır.")
                        .arg(QDir::toNativeSeparators(*backup), contentsText(contents), database)))
        return false;
    QString kept;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool done = guarded(parent, [&] { kept = Books(workspace).restore(*backup); });
    QGuiApplication::restoreOverrideCursor();
    if (done)
        Messages::info(parent, QStringLiteral("Yedek geri yüklendi. Önceki defterler saklandı: %1\n"
                                              "Açık pencerelerdeki faturaları yeniden yükleyiniz.")
                                   .arg(QDir::toNativeSeparators(kept)));
    return done;
}

#include "gui/browser.h"

#include "gui/maker.h"
#include "gui/messages.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

std::function<bool(const QString &)> &launcher() {
    static std::function<bool(const QString &)> f = [](const QString &address) {
        return QDesktopServices::openUrl(QUrl(address));
    };
    return f;
}

} // namespace

void openMakerSite(QWidget *parent) {
    const QString address = Maker::webAddress();
    if (!launcher()(address))
        Messages::error(parent,
                        QStringLiteral("Web tarayıcısı başlatılamadı.\nAdres: %1").arg(address));
}

void setBrowserLauncher(std::function<bool(const QString &)> f) {
    launcher() = std::move(f);
}

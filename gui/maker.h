#pragma once

#include <QString>

// The maker's details, in one place until the maker's own are known.
namespace Maker {

inline QString webHost() {
    return QStringLiteral("www.example.com");
}
inline QString webAddress() {
    return QStringLiteral("http://") + webHost();
}
// The advertising page shown in the main window: plain HTTP on the maker's host. The
// environment variable FATURA_REKLAM_URL replaces it, for checks against a local server.
inline QString advertUrl() {
    if (qEnvironmentVariableIsSet("FATURA_REKLAM_URL"))
        return qEnvironmentVariable("FATURA_REKLAM_URL");
    return webAddress() + QStringLiteral("/reklam/Pralkin/default.asp");
}
// The program itself, as the about box names it: "Fatura 1.0".
inline QString programTitle() {
    return QStringLiteral("Fatura %1").arg(QStringLiteral(FATURA_VERSION));
}
inline QString company() {
    return QStringLiteral("Örnek Yazılım Ltd. Şti.");
}
inline QString services() {
    return QStringLiteral("Fatura, stok ve cari hesap programları");
}
inline QString email() {
    return QStringLiteral("destek@example.com");
}
inline QString messenger() {
    return QStringLiteral("MSN: destek@example.com");
}
inline QString phones() {
    return QStringLiteral("Tel: 0 (212) 555 01 00 - 0 (212) 555 01 01");
}

} // namespace Maker

#include "base/failure.h"

#include <new>

Failure::Failure(const QString &message)
    : std::runtime_error(message.toStdString()) {}

QString Failure::message() const {
    return QString::fromUtf8(what());
}

QString failureText(const std::exception &e) {
    if (const auto *own = dynamic_cast<const Failure *>(&e))
        return own->message();
    const QString detail = QString::fromUtf8(e.what());
    const QString sentence =
        dynamic_cast<const std::bad_alloc *>(&e)
            ? QStringLiteral("Bellek yetmediği için işlem yapılamadı; açık pencereleri kapatıp "
                             "yeniden deneyin.")
            : QStringLiteral("Beklenmeyen bir hata oluştu; işlem yapılamadı.");
    return detail.isEmpty() ? sentence : sentence + QStringLiteral("\n\nAyrıntı: ") + detail;
}

QString unknownFailureText() {
    return QStringLiteral("Beklenmeyen bir hata oluştu; işlem yapılamadı.");
}

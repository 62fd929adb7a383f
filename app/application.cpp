#include "app/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void setUpApplication(QApplication &app) {
    QApplication::setApplicationName(QStringLiteral("Fatura"));
    QApplication::setApplicationDisplayName(QStringLiteral("Fatura"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.example.fatura"));
    auto *qtTexts = new QTranslator(&app);
    if (qtTexts->load(QLocale(QLocale::Turkish, QLocale::Turkey), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTexts);
}

#include "settings/Form5.h"

Form5::Form5(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Ayarlar"));
}

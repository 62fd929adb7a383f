#include "batch/Form7.h"

Form7::Form7(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Otomotik Fatura Basım"));
}

#include "invoice/Form3.h"

Form3::Form3(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Fatura Giriş"));
}

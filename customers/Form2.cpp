#include "customers/Form2.h"

Form2::Form2(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Müşteri tanıtım"));
}

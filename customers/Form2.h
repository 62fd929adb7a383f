#pragma once

#include <QWidget>

// Placeholder until this window is built.
class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(QWidget *parent = nullptr);
};

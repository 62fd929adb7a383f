#pragma once

#include <QWidget>

// Placeholder until this window is built.
class Form5 : public QWidget {
    Q_OBJECT
public:
    explicit Form5(QWidget *parent = nullptr);
};

#pragma once

#include <QDialog>

class QLabel;

// The about box: the maker's details; the web address opens the maker's site.
class Form1 : public QDialog {
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);

private:
    QLabel *m_label4;
};

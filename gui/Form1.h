#pragma once

#include <QDialog>

class QLabel;
class Workspace;

// The about box: the maker's details; the web address opens the maker's site.
class Form1 : public QDialog {
    Q_OBJECT
public:
    explicit Form1(const Workspace &workspace, QWidget *parent = nullptr);

private:
    QLabel *m_label4;
};

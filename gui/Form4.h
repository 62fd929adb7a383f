#pragma once

#include <QMainWindow>

#include <functional>

class QLabel;
class WebPanel;
class Workspace;

// The main window: the menu from which every other window opens, the advertising panel
// and the maker's contact details. Closing it closes the program.
class Form4 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form4(const Workspace &workspace, QWidget *parent = nullptr);

    WebPanel *webPanel() const { return m_web; }

    // Asked before the window closes: false (another window kept unsaved work open) keeps the
    // program running.
    void setBeforeClose(std::function<bool()> check) { m_beforeClose = std::move(check); }

Q_SIGNALS:
    void customersRequested();
    void invoiceRequested();
    void batchRequested();
    void earsivRequested();
    void reportsRequested();
    void backupRequested();
    void backupToFolderRequested();
    void restoreRequested();
    void settingsRequested();
    void aboutRequested();
    // Emitted while the window closes, before it goes: the other windows close first.
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    WebPanel *m_web;
    std::function<bool()> m_beforeClose;
};

// The program's own picture for the main window.
QPixmap mainPicture(const QSize &size);

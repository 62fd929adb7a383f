#pragma once

#include "settings/settingsfile.h"

#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class ImageButton;
class PreviewWindow;
class PrinterSetupWindow;
class Workspace;
class QLineEdit;

// The settings window "Ayarlar": one box for every value of ayarlar.dat, filled from the file
// when the window is created. Nothing reaches the file until "Kaydet"; after a save the
// window hides and keeps its boxes.
class Form5 : public QWidget {
    Q_OBJECT
public:
    explicit Form5(Workspace &workspace, QWidget *parent = nullptr);

    // Writes all 23 lines from the boxes. Returns false, after telling the user why, when a
    // value cannot be written back as typed or the file cannot be written; nothing is
    // written then.
    bool kaydet();

    // The record the boxes hold now, each box's text as it stands.
    ayarlar settingsInBoxes() const;

private:
    void load();
    void chooseDatabase();
    void chooseFont(int line);
    void stepLineSpacing(int step);
    void saveAndHide();
    void openPreview();
    void openPrinterSetup();

    QRect twips(int left, int top, int width, int height) const;
    ImageButton *imageButton(const QString &name, const QString &caption, qreal points,
                             const QRect &at, const QRect &captionAt);

    double m_scale = 1.0; // pixels per twip
    // Boxes by file line (index = line - 1): one for a single value, four for a placement.
    std::array<QLineEdit *, 23> m_singleBoxes{};
    std::array<std::array<QLineEdit *, 4>, 23> m_placementBoxes{};
    Workspace &m_workspace;
    QPointer<PreviewWindow> m_preview;
    QPointer<PrinterSetupWindow> m_printerSetup;
};

#pragma once

#include <QString>

#include <functional>

class QWidget;

// Opens the maker's web site in the desktop's default browser; says so when no browser
// could be started.
void openMakerSite(QWidget *parent);

// Tests replace the browser start; the function gets the address and returns whether a
// browser started.
void setBrowserLauncher(std::function<bool(const QString &)> launcher);

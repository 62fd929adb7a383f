#pragma once

class QWidget;
class Workspace;

// Opens the maker's web site in the desktop's default browser; says so when no browser
// could be started.
void openMakerSite(QWidget *parent, const Workspace &workspace);

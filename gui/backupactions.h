#pragma once

#include <QDateTime>

class QWidget;
class Workspace;

// The main menu's "Yedekle", "Yedeği Klasöre Al" and "Yedekten Geri Yükle": the books copied
// into yedekler/ of the working folder or a folder the user picks (a USB stick), or put back
// from a backup the user picks after it was checked and its contents shown and confirmed.
// Every outcome is a message. Returns whether it was done.
bool backUpBooks(const Workspace &workspace, QWidget *parent, bool chooseFolder);
bool restoreBooks(const Workspace &workspace, QWidget *parent);

// The backups folder of the working folder.
QString backupFolder(const Workspace &workspace);

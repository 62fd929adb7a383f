#pragma once

#include <QString>

class Workspace;

// The first start of each day copies the books into yedekler/ of the working folder (the last
// 30 kept). Returns the message that says why it failed; empty when it was taken, was already
// taken today, or there are no books yet.
QString dailyBackup(const Workspace &workspace);

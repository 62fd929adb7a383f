#pragma once

#include <QString>

// The database the settings file names (its first two lines are read). Throws SettingsError
// when the settings file cannot be read.
QString settingsDatabase();

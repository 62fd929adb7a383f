#pragma once

#include <QString>

// The database the settings file names (its first two lines are read). Throws AyarHatasi
// when the settings file cannot be read.
QString ayarlardakiVeritabani();

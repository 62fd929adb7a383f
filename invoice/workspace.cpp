#include "invoice/workspace.h"

#include "settings/settingsfile.h"
#include "store/database.h"

QString settingsDatabase() {
    return databasePath(ayarlari_oku(2).veritabani_yolu);
}

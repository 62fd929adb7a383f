#include "invoice/workspace.h"

#include "settings/settingsfile.h"
#include "store/database.h"

QString ayarlardakiVeritabani() {
    return veritabaniYolu(ayarlari_oku(2).veritabani_yolu);
}

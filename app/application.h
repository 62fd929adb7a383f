#pragma once

class QApplication;

// The application's names, its desktop entry and Qt's own texts (file and font choosers) in
// Turkish: what every start does before its first window, the program's and the start
// benchmark's alike. The translator belongs to `app`.
void setUpApplication(QApplication &app);

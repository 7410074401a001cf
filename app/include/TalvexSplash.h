#pragma once

#include <QDate>
#include <QPixmap>
#include <QString>

// The start-up picture and the version texts, made from the day the program was built. Called
// by main, in the GUI thread, before the main window is built.
class TalvexSplash
{
public:
    static const int s_majorVersion = 6;
    static const int s_minorVersion = 0;
    static const char* const s_webAddress;

    // The compiler's date text ("Mar  5 2018"), read in the C locale so that the month name
    // reads the same in every language; an unreadable text gives an invalid date.
    static QDate buildDate(const char* compilerDate);
    // "Version 6.0.ddMMyy" and "Build date dd/MM/yyyy"; an invalid date leaves the date parts empty.
    static QString versionText(const QDate& date);
    static QString buildDateText(const QDate& date);
    // ":/rc/splash.png" with the version, the build date and the web address at its top right.
    static QPixmap pixmap(const QDate& date);
};

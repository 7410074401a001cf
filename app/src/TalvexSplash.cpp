#include "TalvexSplash.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

const char* const TalvexSplash::s_webAddress = "www.veltramonde.example";

QDate TalvexSplash::buildDate(const char* compilerDate)
{
    return QLocale::c().toDate(QString::fromLatin1(compilerDate).simplified(), QStringLiteral("MMM d yyyy"));
}

QString TalvexSplash::versionText(const QDate& date)
{
    return QStringLiteral("Version %1.%2.%3%4%5")
        .arg(s_majorVersion)
        .arg(s_minorVersion)
        .arg(date.toString(QStringLiteral("dd")), date.toString(QStringLiteral("MM")), date.toString(QStringLiteral("yy")));
}

QString TalvexSplash::buildDateText(const QDate& date)
{
    return QStringLiteral("Build date %1").arg(date.toString(QStringLiteral("dd/MM/yyyy")));
}

QPixmap TalvexSplash::pixmap(const QDate& date)
{
    QPixmap picture(QStringLiteral(":/rc/splash.png"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.height();
    const QStringList lines = {versionText(date), buildDateText(date), QString::fromLatin1(s_webAddress)};
    // The painter must have ended before the splash screen takes the picture.
    {
        QPainter painter(&picture);
        painter.setFont(font);
        for (int i = 0; i < lines.size(); ++i)
            painter.drawText(525 - metrics.horizontalAdvance(lines.at(i)), 40 + i * lineHeight, lines.at(i));
    }
    return picture;
}

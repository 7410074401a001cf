#include "TestRegistry.h"

#include "TalvexSplash.h"

#include <QLocale>
#include <QTest>

// The version texts made from the build date, and the splash picture they are drawn on.
class tst_TalvexSplash : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<QString>("compilerDate");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("buildDate");

        QTest::newRow("5 March 2018") << "Mar  5 2018" << "Version 6.0.050318" << "Build date 05/03/2018";
        QTest::newRow("14 December 2017") << "Dec 14 2017" << "Version 6.0.141217" << "Build date 14/12/2017";
        QTest::newRow("unreadable") << "Maerz 5 2018" << "Version 6.0." << "Build date ";
    }

    // The compiler writes English month names whatever the user's language is.
    void texts()
    {
        QFETCH(QString, compilerDate);
        QFETCH(QString, version);
        QFETCH(QString, buildDate);

        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QDate date = TalvexSplash::buildDate(compilerDate.toLatin1().constData());
        QLocale::setDefault(before);
        QCOMPARE(TalvexSplash::versionText(date), version);
        QCOMPARE(TalvexSplash::buildDateText(date), buildDate);
    }

    void picture()
    {
        Q_INIT_RESOURCE(rc);
        const QPixmap plain(":/rc/splash.png");
        const QPixmap drawn = TalvexSplash::pixmap(QDate(2018, 3, 5));
        QCOMPARE(drawn.size(), plain.size());
        // The texts are drawn at the top right, the rest of the picture is left alone.
        QVERIFY(drawn.copy(300, 20, 240, 50).toImage() != plain.copy(300, 20, 240, 50).toImage());
        QCOMPARE(drawn.copy(0, 100, 540, 180).toImage(), plain.copy(0, 100, 540, 180).toImage());
    }
};

TALVEX_TEST(tst_TalvexSplash)
#include "tst_TalvexSplash.moc"

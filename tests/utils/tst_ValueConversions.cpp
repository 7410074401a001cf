#include "TestRegistry.h"

#include "ValueConversions.h"

#include <QLocale>
#include <QTest>

namespace
{
// Sets the default locale for one test and puts the old one back.
class LocaleScope
{
public:
    explicit LocaleScope(const QString& name) : m_old(QLocale()) { QLocale::setDefault(QLocale(name)); }
    ~LocaleScope() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};
}

class tst_ValueConversions : public QObject
{
    Q_OBJECT

private slots:
    void toDouble_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<double>("expected");
        QTest::addColumn<bool>("ok");

        QTest::newRow("german text with space") << "de_DE" << QVariant("1 234,5") << 1234.5 << true;
        QTest::newRow("english text with space") << "en_US" << QVariant("1 234.5") << 1234.5 << true;
        QTest::newRow("german reads comma") << "de_DE" << QVariant("0,25") << 0.25 << true;
        QTest::newRow("number ignores locale") << "de_DE" << QVariant(2.75) << 2.75 << true;
        QTest::newRow("unreadable text") << "en_US" << QVariant("abc") << 0.0 << false;
        QTest::newRow("invalid variant") << "en_US" << QVariant() << 0.0 << false;
    }

    void toDouble()
    {
        QFETCH(QString, locale);
        QFETCH(QVariant, value);
        LocaleScope scope(locale);
        bool ok = false;
        QTEST(variantToDouble(value, &ok), "expected");
        QTEST(ok, "ok");
    }

    void toInt_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("expected");

        QTest::newRow("2.9 truncates") << "en_US" << QVariant(2.9) << 2;
        QTest::newRow("-2.9 truncates toward zero") << "en_US" << QVariant(-2.9) << -2;
        QTest::newRow("text with group space") << "de_DE" << QVariant("12 000") << 12000;
        QTest::newRow("invalid variant") << "en_US" << QVariant() << 0;
        QTest::newRow("huge double clamps") << "en_US" << QVariant(1e12) << std::numeric_limits<int>::max();
        QTest::newRow("huge negative clamps") << "en_US" << QVariant(-1e12) << std::numeric_limits<int>::min();
        QTest::newRow("NaN is no number") << "en_US" << QVariant(qQNaN()) << 0;
        QTest::newRow("infinity clamps") << "en_US" << QVariant(qInf()) << std::numeric_limits<int>::max();
    }

    void toInt()
    {
        QFETCH(QString, locale);
        QFETCH(QVariant, value);
        LocaleScope scope(locale);
        QTEST(variantToInt(value), "expected");
    }

    void toText_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");

        QTest::newRow("a third") << "en_US" << QVariant(1.0 / 3.0) << "0.333333";
        QTest::newRow("a tenth") << "en_US" << QVariant(0.1) << "0.1";
        QTest::newRow("integer keeps all digits") << "en_US" << QVariant(1234567) << "1234567";
        QTest::newRow("german decimal comma") << "de_DE" << QVariant(2.5) << "2,5";
        QTest::newRow("float") << "en_US" << QVariant(0.5f) << "0.5";
        QTest::newRow("text as it is") << "en_US" << QVariant("a b") << "a b";
    }

    void toText()
    {
        QFETCH(QString, locale);
        QFETCH(QVariant, value);
        LocaleScope scope(locale);
        QTEST(variantToString(value), "expected");
    }

    void textRoundTripsInItsLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("en_US") << "en_US";
        QTest::newRow("de_DE") << "de_DE";
        QTest::newRow("fr_FR") << "fr_FR";
    }

    void textRoundTripsInItsLocale()
    {
        QFETCH(QString, locale);
        LocaleScope scope(locale);
        for (double value : {0.001, 1.5, 123456.0, -9876.5})
            QCOMPARE(variantToDouble(variantToString(value)), value);
    }
};

TALVEX_TEST(tst_ValueConversions)
#include "tst_ValueConversions.moc"

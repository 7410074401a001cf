#include "TalvexDoubleValidator.h"
#include "TestRegistry.h"

#include <QLineEdit>
#include <QTest>

class tst_TalvexDoubleValidator : public QObject
{
    Q_OBJECT

private slots:
    void fixup_data()
    {
        QTest::addColumn<double>("bottom");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("fixed");

        QTest::newRow("above top") << 0.0 << "C" << "150" << "100";
        QTest::newRow("below bottom") << 0.0 << "C" << "-3" << "0";
        QTest::newRow("not a number") << 0.0 << "C" << "abc" << "0";
        QTest::newRow("empty") << 0.0 << "C" << "" << "0";
        QTest::newRow("in range") << 0.0 << "C" << "42.5" << "42.5";
        QTest::newRow("small bottom") << 0.001 << "C" << "0" << "0.001";
        QTest::newRow("six digits") << 0.001 << "C" << "" << "0.001";
        // Read and written in the validator's locale, the one it validates in.
        QTest::newRow("german above top") << 0.0 << "de_DE" << "150,5" << "100";
        QTest::newRow("german in range") << 0.0 << "de_DE" << "42,5" << "42,5";
        QTest::newRow("german small bottom") << 0.001 << "de_DE" << "-1" << "0,001";
    }

    void fixup()
    {
        QFETCH(double, bottom);
        QFETCH(QString, locale);
        QFETCH(QString, input);
        QFETCH(QString, fixed);

        TalvexDoubleValidator validator(bottom, 100.0, 3, nullptr);
        validator.setLocale(QLocale(locale));
        validator.fixup(input);
        QCOMPARE(input, fixed);
        int position = 0;
        QCOMPARE(validator.validate(input, position), QValidator::Acceptable);
    }

    // A line edit that loses its text to bad input gets a value in range on Return.
    void lineEditFixesUp()
    {
        QLineEdit lineEdit;
        TalvexDoubleValidator* validator = new TalvexDoubleValidator(0.0, 100.0, 2, &lineEdit);
        validator->setLocale(QLocale::c());
        lineEdit.setValidator(validator);
        QTest::keyClicks(&lineEdit, "150");
        QTest::keyClick(&lineEdit, Qt::Key_Return);
        QCOMPARE(lineEdit.text(), QString("100"));
    }
};

TALVEX_TEST(tst_TalvexDoubleValidator)
#include "tst_TalvexDoubleValidator.moc"

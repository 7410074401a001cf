#include "TestRegistry.h"
#include "TestSettings.h"
#include "UIEnumConverter.h"
#include "UIPropertyBinding.h"
#include "UIWidgetFor.h"

#include <QLabel>
#include <QTest>

// The micro-stepping selector against the factor the configuration stores.
class tst_UIEnumConverter : public QObject
{
    Q_OBJECT

    struct Selector
    {
        Selector() : converter(new UIEnumConverter(&comboBox))
        {
            for (int setting = 0; setting < 4; ++setting)
            {
                comboBox.addItem(QString("1/%1").arg(1 << setting), setting);
                converter->addConversion(setting, double(1 << setting));
            }
        }

        UIWidgetFor<QComboBox> comboBox;
        UIEnumConverter* converter;
    };

private slots:
    void conversions_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("item");
        QTest::newRow("double") << QVariant(4.0) << 2;
        QTest::newRow("int is the same key") << QVariant(8) << 3;
        QTest::newRow("text is the same key") << QVariant("2") << 1;
    }

    void conversions()
    {
        QFETCH(QVariant, value);
        QFETCH(int, item);

        Selector selector;
        selector.converter->setValue(value);
        QCOMPARE(selector.comboBox.currentData(), QVariant(item));
        QCOMPARE(selector.converter->getValue(), QVariant(double(1 << item)));
        QCOMPARE(selector.converter->text(), QString("1/%1").arg(1 << item));
    }

    void bindingWritesConvertedValue()
    {
        TestSettings settings;
        settings.setValue(1, 2.0);
        Selector selector;
        selector.converter->bindMethodCall(new UIPropertyBinding<TestSettingsTraits>(&settings, 1));
        QCOMPARE(selector.comboBox.currentData(), QVariant(1));

        QTest::keyClick(&selector.comboBox, Qt::Key_Down);
        QCOMPARE(settings.value(1), QVariant(4.0));

        settings.setValue(1, 8.0);
        QCOMPARE(selector.comboBox.currentData(), QVariant(3));
    }

    void showsNoTip()
    {
        QWidget page;
        Selector selector;
        selector.comboBox.setParent(&page);
        selector.converter->showInfoTip("Not shown.");
        QVERIFY(page.findChildren<QLabel*>().isEmpty());
    }

    void forwardsEnabling()
    {
        Selector selector;
        selector.converter->setEnabled(false);
        QVERIFY(!selector.comboBox.isEnabled());
        QVERIFY(!selector.converter->isEnabled());
        QCOMPARE(selector.converter->object(), &selector.comboBox);
    }
};

TALVEX_TEST(tst_UIEnumConverter)
#include "tst_UIEnumConverter.moc"

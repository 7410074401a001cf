#include "TestRegistry.h"
#include "UIInfoTip.h"
#include "UIWidgetFor.h"

#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

class tst_UIInfoTip : public QObject
{
    Q_OBJECT

    static QList<QLabel*> tips(QWidget* page) { return page->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly); }

private slots:
    void showsIconWithMessage_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("error") << int(UIInfoTip::Error);
        QTest::newRow("information") << int(UIInfoTip::Information);
    }

    void showsIconWithMessage()
    {
        QFETCH(int, kind);

        QWidget page;
        auto* editor = new UIWidgetFor<QSpinBox>;
        editor->setParent(&page);
        editor->move(40, 30);
        UIInfoTip(kind, static_cast<QWidget*>(editor), "Out of range.", -1);

        const QList<QLabel*> shown = tips(&page);
        QCOMPARE(shown.size(), 1);
        QLabel* tip = shown.first();
        QCOMPARE(tip->toolTip(), QString("Out of range."));
        QVERIFY(!tip->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(tip->size(), tip->pixmap(Qt::ReturnByValue).size());
        QCOMPARE(tip->pos(), QPoint(28, 22));
        QCOMPARE(tip->property("InfoTip"), QVariant::fromValue(reinterpret_cast<quintptr>(static_cast<QWidget*>(editor))));
    }

    // A second tip for one widget replaces the first; a tip of another widget stays.
    void secondTipReplacesFirst()
    {
        QWidget page;
        auto* first = new UIWidgetFor<QLineEdit>;
        first->setParent(&page);
        auto* second = new UIWidgetFor<QLineEdit>;
        second->setParent(&page);

        first->showInfoTip("one");
        second->showInfoTip("other");
        QPointer<QLabel> replaced = tips(&page).first();
        first->showInfoTip("two");
        QVERIFY(replaced.isNull());
        QStringList texts;
        for (QLabel* tip : tips(&page))
            texts << tip->toolTip();
        texts.sort();
        QCOMPARE(texts, (QStringList{"other", "two"}));

        UIInfoTip(UIInfoTip::Remove, static_cast<QWidget*>(first), QString(), -1);
        QCOMPARE(tips(&page).size(), 1);
        QCOMPARE(tips(&page).first()->toolTip(), QString("other"));
    }

    // An error tip stays 5000 ms and then goes.
    void errorTipTimesOut()
    {
        QWidget page;
        auto* editor = new UIWidgetFor<QDoubleSpinBox>;
        editor->setParent(&page);
        editor->showInfoTip("Too high.");
        QPointer<QLabel> tip = tips(&page).first();
        QTimer* timer = tip->findChild<QTimer*>();
        QVERIFY(timer);
        QVERIFY(timer->isActive());
        QVERIFY(timer->isSingleShot());
        QCOMPARE(timer->interval(), 5000);

        QTest::qWait(20);
        QVERIFY(!tip.isNull());
        timer->start(0); // let the 5000 ms pass at once
        QTRY_VERIFY(tip.isNull());
    }

    void inputForm()
    {
        QWidget page;
        auto* editor = new UIWidgetFor<QCheckBox>;
        editor->setParent(&page);
        UIInfoTip(UIInfoTip::Information, static_cast<UIIUserInput*>(editor), "Note.", -1);
        QCOMPARE(tips(&page).size(), 1);
        QVERIFY(!tips(&page).first()->findChild<QTimer*>());
    }
};

TALVEX_TEST(tst_UIInfoTip)
#include "tst_UIInfoTip.moc"

#include "Diagram.h"
#include "DiagramAcquisitionItem.h"
#include "DiagramOutputItem.h"
#include "TalvexIODiagram.h"
#include "TalvexIODiagramItemFactory.h"
#include "TalvexIODiagramItemType.h"
#include "TestRegistry.h"

#include <QGraphicsSimpleTextItem>
#include <QStackedWidget>
#include <QTest>
#include <memory>

typedef QVector<int> Functions;

namespace
{
QStringList inputLabels(const DiagramAcquisitionItem* item)
{
    QStringList labels;
    for (QGraphicsItem* child : item->childItems())
        if (auto text = dynamic_cast<QGraphicsSimpleTextItem*>(child))
            labels.append(text->text());
    return labels;
}
}

// The blocks the factory makes for each kind.
class tst_TalvexIODiagramItemFactory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The adapter sets the scene's values of "none" before any block is made.
        TalvexIODiagram adapter(nullptr, 10, 10, 0, TalvexDriverDescriptor());
    }

    void acquisitionBlocks_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<Functions>("functions");
        QTest::addColumn<int>("sample");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("ADC") << int(ADC) << Functions{0, 1} << 1 << QStringList{"+", QString(QChar(0x2012))};
        QTest::newRow("quadrature") << int(Quadrature) << Functions{16, 17} << 4 << QStringList{"A", "B"};
        QTest::newRow("event") << int(Event) << Functions{48} << 2 << QStringList();
        QTest::newRow("start limit") << int(LimitStart) << Functions{32} << 0 << QStringList();
        QTest::newRow("end limit") << int(LimitEnd) << Functions{33} << 0 << QStringList();
        QTest::newRow("motor control") << int(MotorCtrl) << Functions{64, 65} << 0 << QStringList{"M", "P"};
        QTest::newRow("step count") << int(StepCount) << Functions{} << 8 << QStringList();
        QTest::newRow("stop") << int(Stop) << Functions{68} << 0 << QStringList();
        QTest::newRow("coupling") << int(Pelmora) << Functions{66, 67} << 0 << QStringList{"S", "D"};
    }
    void acquisitionBlocks()
    {
        QFETCH(int, kind);
        QFETCH(Functions, functions);
        QFETCH(int, sample);
        QFETCH(QStringList, labels);
        QStackedWidget pages;
        const TalvexIODiagramItemFactory factory({});
        std::unique_ptr<DiagramAcquisitionItem> item(factory.createAcquisitionItem(kind, &pages, 3));
        QCOMPARE(item->inputCount(), functions.count());
        for (int i = 0; i < functions.count(); ++i)
            QCOMPARE(item->inputFunction(i), functions.at(i));
        QCOMPARE(item->outputSample(), sample);
        QCOMPARE(inputLabels(item.get()), labels);
        // Blocks are drawn at half the picture's size: 48 x 44.
        QCOMPARE(item->symbolSize(), QSizeF(48, 44));
    }

    void channelRestrictions_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("encoderPins");
        QTest::addColumn<QString>("acceptedOnFirst");
        QTest::addColumn<QString>("acceptedOnSecond");
        QTest::newRow("ADC") << int(ADC) << false << "1234" << "1234";
        QTest::newRow("ADC, encoder pins") << int(ADC) << true << "1234" << "1234";
        QTest::newRow("quadrature") << int(Quadrature) << false << "123" << "234";
        QTest::newRow("quadrature, encoder pins") << int(Quadrature) << true << "12345678" << "12345678";
        QTest::newRow("start limit") << int(LimitStart) << false << "12345678" << "";
    }
    void channelRestrictions()
    {
        QFETCH(int, kind);
        QFETCH(bool, encoderPins);
        QFETCH(QString, acceptedOnFirst);
        QFETCH(QString, acceptedOnSecond);
        const TalvexIODiagramItemFactory factory({{TalvexIODiagram::OptionEncoderInputs, encoderPins}});
        std::unique_ptr<DiagramAcquisitionItem> item(factory.createAcquisitionItem(kind, nullptr, 0));
        const QStringList accepted = {acceptedOnFirst, acceptedOnSecond};
        for (int terminal = 0; terminal < item->inputCount(); ++terminal)
        {
            QString channels;
            for (int channel = 1; channel <= 8; ++channel)
                if (item->acceptsChannel(channel, terminal))
                    channels += QString::number(channel);
            QCOMPARE(channels, accepted.at(terminal));
        }
    }

    void outputBlocks_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("outputs");
        QTest::newRow("PWM") << int(PWM) << 1;
        QTest::newRow("dual PWM") << int(DualPWM) << 2;
        QTest::newRow("relay") << int(Relay) << 1;
    }
    void outputBlocks()
    {
        QFETCH(int, kind);
        QFETCH(int, outputs);
        const TalvexIODiagramItemFactory factory({});
        std::unique_ptr<DiagramOutputItem> item(factory.createOutputItem(kind, nullptr, 0));
        QCOMPARE(item->outputCount(), outputs);
        // Each output's plate ends where its line leaves the block, 30 units to the left.
        for (int i = 0; i < outputs; ++i)
            QCOMPARE(item->outputRect(i).right(), -30.0);
    }
};

TALVEX_TEST(tst_TalvexIODiagramItemFactory)
#include "tst_TalvexIODiagramItemFactory.moc"

#include "TestRegistry.h"

#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "TalvexDriverModel.h"
#include "TalvexMotorSupplyWidget.h"
#include "USBByteHelpers.h"

#include <QLabel>
#include <QTest>
#include <qcustomplot.h>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;

// The supply widget of a connected board whose supply reply the test chooses.
struct SupplyOnBoard
{
    explicit SupplyOnBoard(const D& model)
        : m_board(model, USBVersion(1, 0))
        , m_widget(nullptr, &m_board.m_state)
        , m_pPlot(m_widget.findChild<QCustomPlot*>())
    {
    }

    QStringList labels() const
    {
        QStringList texts;
        for (QLabel* label : m_widget.findChildren<QLabel*>())
            texts << label->text();
        return texts;
    }

    // One measurement, as the timer would ask for it, answered.
    bool measure()
    {
        const double next = m_pPlot->graph(0)->dataCount() == 0 ? 0 : (m_pPlot->graph(0)->data()->constEnd() - 1)->key + 1;
        QMetaObject::invokeMethod(&m_widget, "measureSupply");
        return waitFor([this, next] {
            return m_pPlot->graph(0)->dataCount() > 0 && (m_pPlot->graph(0)->data()->constEnd() - 1)->key == next;
        });
    }

    ConnectedDriverBoard m_board;
    TalvexMotorSupplyWidget m_widget;
    QCustomPlot* m_pPlot;
};

// The supply reply of a mains-powered board: three raw words, volts in tenths, current counts.
QVector<quint8> supplyReply(const D& model, double volts, double amperes)
{
    QVector<quint8> bytes(6, 0);
    appendUInt16(bytes, quint16(qRound(volts * 10)));
    appendUInt16(bytes, quint16(qRound(amperes * TalvexDriverModel::supplyCurrentCountsPerAmpere(model))));
    return bytes;
}
}

// The supply monitor of the Home tab on the simulated board.
class tst_TalvexMotorSupplyWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!runsOnSimulatedBus())
            QSKIP("needs the simulated bus");
    }

    void showsVoltageCurrentAndPower()
    {
        const D model(27, 1);
        SupplyOnBoard supply(model);
        QVERIFY(supply.m_board.m_connected.isOk());
        supply.m_board.m_pRecorder->answer(R::commandCode(model, R::MeasureSupply), supplyReply(model, 24.0, 0.5));
        supply.m_widget.start();
        QVERIFY(supply.measure());
        QCOMPARE(supply.labels(),
            (QStringList{"Supply voltage: 24.0 V", "Supply current: 0.50 A", "Supply power: 12.0 W"}));
        supply.m_widget.stop();
        QCOMPARE(supply.labels(), (QStringList{"", "", ""}));
        QCOMPARE(supply.m_pPlot->graph(0)->dataCount(), 0);
    }

    void usbPoweredBoardNamesItsSupply()
    {
        SupplyOnBoard supply(D(10, 1));
        supply.m_widget.start();
        QVERIFY(supply.measure());
        QVERIFY2(supply.labels().value(0).startsWith("Supply voltage: 16.0 V ("), qPrintable(supply.labels().value(0)));
    }

    // 112 points at most: from the 112th reply on the oldest goes and the window scrolls.
    void scrollsAfter111Points()
    {
        SupplyOnBoard supply(D(27, 1));
        supply.m_widget.start();
        for (int i = 0; i < 111; ++i)
            QVERIFY(supply.measure());
        QCOMPARE(supply.m_pPlot->graph(0)->dataCount(), 111);
        QCOMPARE(supply.m_pPlot->xAxis->range(), QCPRange(0, 120));
        QVERIFY(supply.measure());
        QCOMPARE(supply.m_pPlot->graph(0)->dataCount(), 111);
        QCOMPARE(supply.m_pPlot->graph(1)->dataCount(), 111);
        QCOMPARE(supply.m_pPlot->graph(0)->data()->constBegin()->key, 1.0);
        QCOMPARE(supply.m_pPlot->xAxis->range(), QCPRange(1, 121));

        // A new start begins at key 0 with empty graphs.
        supply.m_widget.start();
        QVERIFY(supply.measure());
        QCOMPARE(supply.m_pPlot->graph(0)->dataCount(), 1);
        QCOMPARE(supply.m_pPlot->graph(0)->data()->constBegin()->key, 0.0);
    }

    // The axes reach the model's maximum supply with round steps of its own.
    void axesFollowTheModel_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("voltStep");
        QTest::addColumn<double>("amperes");
        QTest::addColumn<double>("ampereStep");
        QTest::newRow("(1,1)") << D::s_model1_1 << 150.0 << 30.0 << 5.0 << 1.0;
        QTest::newRow("(1,2)") << D::s_model1_2 << 150.0 << 30.0 << 5.0 << 1.0;
        QTest::newRow("(10,1)") << D::s_model10_1 << 25.0 << 4.0 << 2.0 << 0.25;
        QTest::newRow("(27,1)") << D::s_model27_1 << 60.0 << 10.0 << 3.0 << 0.5;
    }
    void axesFollowTheModel()
    {
        QFETCH(D, model);
        QFETCH(double, volts);
        QFETCH(double, voltStep);
        QFETCH(double, amperes);
        QFETCH(double, ampereStep);
        SupplyOnBoard supply(model);
        QVERIFY(supply.m_board.m_connected.isOk());
        supply.m_widget.start();
        const auto step = [](QCPAxis* axis) { return axis->ticker().dynamicCast<QCPAxisTickerFixed>()->tickStep(); };
        QCOMPARE(supply.m_pPlot->yAxis->range(), QCPRange(0, volts));
        QCOMPARE(step(supply.m_pPlot->yAxis), voltStep);
        QCOMPARE(supply.m_pPlot->yAxis2->range(), QCPRange(0, amperes));
        QCOMPARE(step(supply.m_pPlot->yAxis2), ampereStep);
    }

    // A board that does not answer gets no second measurement while the first is out.
    void sendsNoSecondMeasurementWhileOneIsPending()
    {
        const D model(27, 1);
        SupplyOnBoard supply(model);
        supply.m_widget.start();
        supply.m_widget.start();
        supply.m_board.m_pRecorder->clear();
        QMetaObject::invokeMethod(&supply.m_widget, "measureSupply");
        QMetaObject::invokeMethod(&supply.m_widget, "measureSupply");
        QVERIFY(waitFor([&supply] { return supply.m_pPlot->graph(0)->dataCount() == 1; }));
        QCOMPARE(supply.m_board.m_pRecorder->opcodes().count(), 1);
        // Once answered, the next tick measures again.
        QVERIFY(supply.measure());
    }
};

TALVEX_TEST(tst_TalvexMotorSupplyWidget)
#include "tst_TalvexMotorSupplyWidget.moc"

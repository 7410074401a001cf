#include "TestRegistry.h"

#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "TalvexDriverCommands.h"
#include "TalvexMotorSupplyController.h"

#include <QRegularExpression>
#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexMotorSupplyController::Axes Axes;

// The controller of a connected board, with the measurements it reported.
struct SupplyOnBoard
{
    explicit SupplyOnBoard(const D& model)
        : m_board(model, USBVersion(1, 0))
        , m_controller(&m_board.m_state, nullptr)
    {
        QObject::connect(&m_controller, &TalvexMotorSupplyController::measured,
            [this](const TalvexDriverMeasurement& measurement, const D& measuredModel) {
                m_volts << measurement.supplyVoltage();
                m_amperes << measurement.supplyCurrent();
                m_models << measuredModel;
            });
    }

    int measuredCount() const { return m_volts.count(); }
    // Until the replies of everything sent so far have come back: a request queued behind them
    // is answered after them.
    bool settled()
    {
        QObject requester;
        TalvexDriverCommands commands(m_board.m_pDispatcher.get(), &requester);
        return commands.getMotorState().isOk()
            && waitFor([&] { return commands.canSend(R::GetMotorState); });
    }
    // The supply measurements the board was sent.
    QStringList measurements() const { return m_board.m_pRecorder->wire().filter(QRegularExpression("^40$")); }

    ConnectedDriverBoard m_board;
    TalvexMotorSupplyController m_controller;
    QList<double> m_volts;
    QList<double> m_amperes;
    QList<D> m_models;
};
}

// The supply monitor's rules without its widget, on the simulated board.
class tst_TalvexMotorSupplyController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!runsOnSimulatedBus())
            QSKIP("needs the simulated bus");
    }

    // The simulated boards: 48 V on the oldest models, 24 V on (27,1), USB power on (10,1);
    // 30 mA with the motor off.
    void measures_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<double>("volts");
        QTest::newRow("(1,1)") << D::s_model1_1 << 48.0;
        QTest::newRow("(1,2)") << D::s_model1_2 << 48.0;
        QTest::newRow("(10,1)") << D::s_model10_1 << 16.0;
        QTest::newRow("(27,1)") << D::s_model27_1 << 24.0;
    }

    // A tick sends the supply measurement, and its reply is decoded for the board's model.
    void measures()
    {
        QFETCH(D, model);
        QFETCH(double, volts);
        SupplyOnBoard supply(model);
        QVERIFY(supply.m_board.m_connected.isOk());
        QVERIFY(supply.m_controller.start());
        supply.m_controller.measure();
        QVERIFY(waitFor([&] { return supply.measuredCount() == 1; }));
        QCOMPARE(supply.measurements(), QStringList{"40"});
        QCOMPARE(supply.m_volts.value(0), volts);
        QCOMPARE(supply.m_amperes.value(0), 0.03);
        QCOMPARE(supply.m_models.value(0), model);
    }

    // A refused measurement shows nothing; it is no longer out, so the next tick asks again.
    void refusedMeasurementChangesNothing()
    {
        const D model = D::s_model27_1;
        SupplyOnBoard supply(model);
        supply.m_board.m_pRecorder->refuse(R::commandCode(model, R::MeasureSupply), 108);
        supply.m_controller.start();
        QVERIFY(waitFor([&] {
            supply.m_controller.measure();
            return supply.measurements().count() >= 2;
        }));
        QVERIFY(supply.settled());
        QCOMPARE(supply.measuredCount(), 0);
    }

    // A measurement still out when the board disconnects and connects again is forgotten: the
    // first tick after the new start measures, and only the new reply is shown.
    void restartForgetsTheMeasurementOut()
    {
        SupplyOnBoard supply(D::s_model1_2);
        supply.m_controller.start();
        supply.m_controller.measure();
        supply.m_controller.stop();
        supply.m_controller.start();
        supply.m_controller.measure();
        QVERIFY(supply.settled());
        QCOMPARE(supply.measurements().count(), 2);
        QCOMPARE(supply.measuredCount(), 1);
    }

    void axes_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<bool>("known");
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("voltStep");
        QTest::addColumn<double>("amperes");
        QTest::addColumn<double>("ampereStep");
        QTest::newRow("(1,1)") << D::s_model1_1 << true << 150.0 << 30.0 << 5.0 << 1.0;
        QTest::newRow("(1,2)") << D::s_model1_2 << true << 150.0 << 30.0 << 5.0 << 1.0;
        QTest::newRow("(10,1)") << D::s_model10_1 << true << 25.0 << 4.0 << 2.0 << 0.25;
        QTest::newRow("(27,1)") << D::s_model27_1 << true << 60.0 << 10.0 << 3.0 << 0.5;
        QTest::newRow("(23,1) has no supply range") << D(23, 1) << false << 100.0 << 30.0 << 100.0 << 1.0;
    }

    // The axes reach the model's maximum supply with round steps of its own; a model the
    // studio does not know gives none at the start, and any other model's before it.
    void axes()
    {
        QFETCH(D, model);
        QFETCH(bool, known);
        QFETCH(double, volts);
        QFETCH(double, voltStep);
        QFETCH(double, amperes);
        QFETCH(double, ampereStep);
        SupplyOnBoard supply(model);
        QVERIFY(supply.m_board.m_connected.isOk());
        const Axes axes = supply.m_controller.axes();
        QCOMPARE(axes.volts, volts);
        QCOMPARE(axes.voltStep, voltStep);
        QCOMPARE(axes.amperes, amperes);
        QCOMPARE(axes.ampereStep, ampereStep);
        const std::optional<Axes> started = supply.m_controller.start();
        QCOMPARE(bool(started), known);
        if (started)
            QCOMPARE(started->volts, volts);
    }
};

TALVEX_TEST(tst_TalvexMotorSupplyController)
#include "tst_TalvexMotorSupplyController.moc"

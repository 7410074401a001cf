#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "TalvexDriverCommRequest.h"

#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;

// The opcode of actions 0 to 28 of a model, "--" where the model lacks the action.
QStringList opcodeRow(const char* row)
{
    return QString::fromLatin1(row).split(' ', Qt::SkipEmptyParts);
}
}

class tst_DriverCommRequest : public QObject
{
    Q_OBJECT

private slots:
    void opcodes_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<QStringList>("opcodes");
        QTest::newRow("(1,1)") << D::s_model1_1
                               << opcodeRow("20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F 30 31 32 -- -- "
                                            "40 41 42 43 44 45 46 --");
        QTest::newRow("(1,2)") << D::s_model1_2
                               << opcodeRow("20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F 30 31 32 33 34 "
                                            "40 41 42 43 44 45 46 --");
        QTest::newRow("(10,1)") << D::s_model10_1
                                << opcodeRow("20 21 22 23 24 25 26 27 28 29 2A 2B -- -- 2E 2F 30 31 32 33 34 "
                                             "40 41 42 43 44 45 46 47");
        QTest::newRow("(27,1)") << D::s_model27_1
                                << opcodeRow("20 21 22 23 24 25 26 27 28 29 2A 2B -- -- 2E 2F 30 31 32 33 34 "
                                             "40 41 42 43 44 45 46 47");
        QTest::newRow("(23,1) has no command set")
            << D(23, 1)
            << opcodeRow("-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --");
    }

    void opcodes()
    {
        QFETCH(D, model);
        QFETCH(QStringList, opcodes);
        QCOMPARE(opcodes.size(), TalvexDriverCommRequest::s_actionCount);
        for (int action = 0; action < opcodes.size(); ++action)
        {
            const bool present = opcodes[action] != "--";
            const int opcode = present ? opcodes[action].toInt(nullptr, 16) : 0;
            QVERIFY2(TalvexDriverCommRequest::isSupported(model, action) == present, qPrintable(QString::number(action)));
            QCOMPARE(int(TalvexDriverCommRequest::commandCode(model, action)), opcode);
            TalvexDriverCommRequest request(model, USBVersion(1, 0), action);
            QCOMPARE(int(request.getCommand()), opcode);
            QCOMPARE(request.checkSupported().isOk(), present);
        }
    }

    void replyLengths_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        // Actions 21 to 28; every action below 21 expects no reply data.
        QTest::addColumn<QList<int>>("lengths");
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0) << QList<int>{10, 14, 8, 10, 18, 6, 11, 0};
        QTest::newRow("(1,1) 3.0") << D::s_model1_1 << USBVersion(3, 0) << QList<int>{10, 14, 8, 10, 18, 6, 11, 0};
        QTest::newRow("(1,2) 2.0") << D::s_model1_2 << USBVersion(2, 0) << QList<int>{10, 14, 11, 10, 18, 6, 11, 0};
        QTest::newRow("(1,2) 2.1") << D::s_model1_2 << USBVersion(2, 1) << QList<int>{10, 14, 11, 11, 18, 6, 11, 0};
        QTest::newRow("(1,2) 2.9") << D::s_model1_2 << USBVersion(2, 9) << QList<int>{10, 14, 11, 11, 18, 6, 11, 0};
        QTest::newRow("(1,2) 3.0") << D::s_model1_2 << USBVersion(3, 0) << QList<int>{10, 14, 11, 11, 19, 6, 11, 0};
        QTest::newRow("(1,2) 3.5") << D::s_model1_2 << USBVersion(3, 5) << QList<int>{10, 14, 11, 11, 19, 6, 11, 0};
        QTest::newRow("(1,2) 1.9") << D::s_model1_2 << USBVersion(1, 9) << QList<int>{10, 14, 11, 10, 18, 6, 11, 0};
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 0) << QList<int>{9, 14, 11, 11, 19, 6, 11, 1};
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0) << QList<int>{10, 14, 11, 11, 25, 6, 11, 2};
        QTest::newRow("(23,1)") << D(23, 1) << USBVersion(1, 0) << QList<int>{0, 0, 0, 0, 0, 0, 0, 0};
    }

    void replyLengths()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QList<int>, lengths);
        for (int action = 0; action < TalvexDriverCommRequest::s_actionCount; ++action)
        {
            const int expected = action < 21 ? 0 : lengths[action - 21];
            QCOMPARE(TalvexDriverCommRequest(model, firmware, action).getExpectedReturnDataCount(), expected);
            QCOMPARE(TalvexDriverCommRequest::expectedReplyLength(model, firmware, action), expected);
        }
    }

    void statuses_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << 0 << "Success";
        QTest::newRow("1") << 1 << 2 << "Instruction was not recognised by target device";
        QTest::newRow("2") << 2 << 2 << "Target device is busy";
        QTest::newRow("100") << 100 << 2 << "Motor is busy";
        QTest::newRow("101") << 101 << 2 << "Motor is turned off";
        QTest::newRow("102") << 102 << 2 << "Motor driver over-current (phase A)";
        QTest::newRow("103") << 103 << 2 << "Motor driver over-current (phase B)";
        QTest::newRow("104") << 104 << 2 << "Motor short-circuit";
        QTest::newRow("105") << 105 << 2 << "Motor driver over-temperature";
        QTest::newRow("106") << 106 << 2 << "Motor at start";
        QTest::newRow("107") << 107 << 2 << "Motor at end";
        QTest::newRow("108") << 108 << 2 << "Motor supply voltage too low or too high";
        QTest::newRow("109") << 109 << 2 << "Both end limits are activated";
        QTest::newRow("110") << 110 << 2 << "Measuring already in progress";
        QTest::newRow("200") << 200 << 1 << "Some values for the motion configuration were out of range";
        QTest::newRow("201") << 201 << 1 << "Some values for the motor supply configuration were out of range";
        QTest::newRow("202") << 202 << 1 << "Some values for the interface configuration were out of range";
        QTest::newRow("3") << 3 << 2 << "Instruction stream was corrupted (unexpected return value [3])";
        QTest::newRow("99") << 99 << 2 << "Instruction stream was corrupted (unexpected return value [99])";
        QTest::newRow("111") << 111 << 2 << "Instruction stream was corrupted (unexpected return value [111])";
        QTest::newRow("150") << 150 << 2 << "Instruction stream was corrupted (unexpected return value [150])";
        QTest::newRow("203") << 203 << 2 << "Instruction stream was corrupted (unexpected return value [203])";
        QTest::newRow("255") << 255 << 2 << "Instruction stream was corrupted (unexpected return value [255])";
    }

    void statuses()
    {
        QFETCH(int, status);
        QFETCH(int, code);
        QFETCH(QString, text);
        TalvexDriverCommRequest request(D::s_model1_2, USBVersion(3, 0), TalvexDriverCommRequest::Move);
        const USBResult result = request.checkReply(quint8(status));
        QCOMPARE(result.getStatus(), code);
        QCOMPARE(result.getMessage(), text);
    }

    void payloadIsSentAsSet()
    {
        TalvexDriverCommRequest request(D::s_model27_1, USBVersion(1, 0), TalvexDriverCommRequest::Move);
        QVERIFY(request.getPayload().isEmpty());
        request.setData(QByteArray::fromHex("0100ff000080"));
        QCOMPARE(hexText(request.getPayload()), QString("01 00 FF 00 00 80"));
        QCOMPARE(request.getAction(), int(TalvexDriverCommRequest::Move));
        QVERIFY(!request.isRaw());
        QVERIFY(!request.parsesReply());
    }

    // An action the model lacks is a clear refusal and never reads as success, whatever a
    // board answers; asking for its opcode does not make the model know it.
    void missingActionIsRefused_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<int>("action");
        QTest::newRow("relay on (10,1)") << D::s_model10_1 << int(TalvexDriverCommRequest::RelayOn);
        QTest::newRow("relay off (27,1)") << D::s_model27_1 << int(TalvexDriverCommRequest::RelayOff);
        QTest::newRow("low inductance (1,1)") << D::s_model1_1 << int(TalvexDriverCommRequest::LowInductanceOn);
        QTest::newRow("PWM read (1,2)") << D::s_model1_2 << int(TalvexDriverCommRequest::GetPWMSettings);
        QTest::newRow("unknown model") << D(5, 5) << int(TalvexDriverCommRequest::GetMotorState);
        QTest::newRow("action out of range") << D::s_model1_2 << 29;
        QTest::newRow("negative action") << D::s_model1_2 << -1;
    }

    void missingActionIsRefused()
    {
        QFETCH(D, model);
        QFETCH(int, action);
        QCOMPARE(int(TalvexDriverCommRequest::commandCode(model, action)), 0);
        QVERIFY(!TalvexDriverCommRequest::isSupported(model, action));
        TalvexDriverCommRequest request(model, USBVersion(3, 0), action);
        const USBResult refusal = request.checkSupported();
        QCOMPARE(refusal.getStatus(), 1);
        QCOMPARE(refusal.getMessage(), QString("The command is not supported by the device"));
        QCOMPARE(request.checkReply(0).getMessage(), refusal.getMessage());
        QCOMPARE(request.getExpectedReturnDataCount(), 0);
    }
};

TALVEX_TEST(tst_DriverCommRequest)
#include "tst_DriverCommRequest.moc"

#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "PropertyMessageRecorder.h"
#include "TalvexDriverMotionConfiguration.h"

#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverMotionConfiguration Motion;

// Values of ids 0 to 5 in the order micro-stepping, velocity, acceleration, method,
// separate-backward flag, backward velocity.
Motion motionOf(const QList<int>& values)
{
    Motion motion;
    motion.setValue(Motion::MicroStepping, values[0]);
    motion.setValue(Motion::Velocity, values[1]);
    motion.setValue(Motion::Acceleration, uint(values[2]));
    motion.setValue(Motion::AccelerationMethod, values[3]);
    motion.setValue(Motion::SeparateBackwardVelocity, values[4] != 0);
    motion.setValue(Motion::BackwardVelocity, values[5]);
    return motion;
}

QList<int> valuesOf(const Motion& motion)
{
    QList<int> values;
    for (int id : {Motion::MicroStepping, Motion::Velocity, Motion::Acceleration, Motion::AccelerationMethod,
             Motion::SeparateBackwardVelocity, Motion::BackwardVelocity})
        values.append(motion.value(id).toInt());
    return values;
}

class ConfigurationRecorder : public Motion::IChangeObserver
{
public:
    void configurationChanged(Motion* configuration) override { m_changed.append(configuration); }
    void configurationDestroyed(Motion* configuration) override { m_destroyed.append(configuration); }

    QList<Motion*> m_changed;
    QList<Motion*> m_destroyed;
};
}

class tst_DriverMotionConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void codec_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QString>("bytes");
        const QList<int> defaults{0, 200, 1000, 1, 0, 200};
        QTest::newRow("(1,1) defaults") << D::s_model1_1 << defaults << "00 C8 00 E8 03 00 00 01";
        QTest::newRow("(1,2) defaults") << D::s_model1_2 << defaults << "00 C8 00 C8 00 E8 03 00 00 01 00";
        QTest::newRow("(10,1) defaults") << D::s_model10_1 << defaults << "00 C8 00 C8 00 E8 03 00 00 01 00";
        QTest::newRow("(27,1) defaults") << D::s_model27_1 << defaults << "00 C8 00 C8 00 E8 03 00 00 01 00";
        QTest::newRow("(27,1) separate backward")
            << D::s_model27_1 << QList<int>{7, 780, 70000, 0, 1, 600} << "07 0C 03 58 02 70 11 01 00 00 01";
        QTest::newRow("(1,2) 32-bit acceleration")
            << D::s_model1_2 << QList<int>{4, 1250, 10000000, 1, 0, 1250} << "04 E2 04 E2 04 80 96 98 00 01 00";
        QTest::newRow("(1,1) keeps no backward velocity")
            << D::s_model1_1 << QList<int>{3, 2500, 2500, 0, 0, 2500} << "03 C4 09 C4 09 00 00 00";
    }

    // Encoding and the decoding of the same bytes give each other back.
    void codec()
    {
        QFETCH(D, model);
        QFETCH(QList<int>, values);
        QFETCH(QString, bytes);
        QCOMPARE(hexText(motionOf(values).toByteArray(model)), bytes);
        const Motion decoded(hexBytes(bytes), model);
        QCOMPARE(valuesOf(decoded), values);
        QVERIFY(!decoded.value(Motion::StoredFlag).isValid());
    }

    // A velocity the 16-bit field cannot hold goes out as the nearest one it can, never wrapped
    // into another speed.
    void velocityFieldsSaturate()
    {
        QCOMPARE(hexText(motionOf({0, 70000, 1000, 0, 1, -5}).toByteArray(D::s_model27_1)),
            QString("00 FF FF 00 00 E8 03 00 00 00 01"));
    }

    void defaults()
    {
        const Motion motion;
        QCOMPARE(valuesOf(motion), (QList<int>{0, 200, 1000, 1, 0, 200}));
        QCOMPARE(motion.value(Motion::Acceleration).userType(), int(QMetaType::UInt));
        QCOMPARE(motion.value(Motion::StoredFlag), QVariant(false));
    }

    void oldModelReplySetsBackwardVelocity()
    {
        const Motion decoded(hexBytes("02 2C 01 10 27 00 00 00"), D::s_model1_1);
        QCOMPARE(valuesOf(decoded), (QList<int>{2, 300, 10000, 0, 0, 300}));
        QCOMPARE(decoded.value(Motion::SeparateBackwardVelocity), QVariant(false));
    }

    void separateFlagIsKeptAsTheBoardSentIt()
    {
        const Motion decoded(hexBytes("00 C8 00 C8 00 E8 03 00 00 01 01"), D::s_model1_2);
        QCOMPARE(decoded.value(Motion::SeparateBackwardVelocity), QVariant(1));
    }

    void validation_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QList<int>>("corrected");
        QTest::newRow("(10,1) too fast at 1/16")
            << D::s_model10_1 << QList<int>{4, 2000, 1000, 0, 0, 200} << QStringList{"The motor speed was too high."}
            << QList<int>{4, 1250, 1000, 0, 0, 200};
        QTest::newRow("(27,1) runs it") << D::s_model27_1 << QList<int>{4, 2000, 1000, 0, 0, 200} << QStringList()
                                        << QList<int>{4, 2000, 1000, 0, 0, 200};
        QTest::newRow("(27,1) too fast at 1/128")
            << D::s_model27_1 << QList<int>{7, 1000, 1000, 0, 0, 200} << QStringList{"The motor speed was too high."}
            << QList<int>{7, 781, 1000, 0, 0, 200};
        QTest::newRow("(27,1) full step beyond the 16-bit field")
            << D::s_model27_1 << QList<int>{0, 70000, 1000, 0, 0, 200} << QStringList{"The motor speed was too high."}
            << QList<int>{0, 65535, 1000, 0, 0, 200};
        QTest::newRow("(27,1) backward beyond the 16-bit field")
            << D::s_model27_1 << QList<int>{0, 200, 1000, 0, 1, 90000} << QStringList{"The motor speed was too high."}
            << QList<int>{0, 200, 1000, 0, 1, 65535};
        QTest::newRow("too slow") << D::s_model1_2 << QList<int>{0, 0, 1000, 0, 0, 200}
                                  << QStringList{"The motor speed was too low."} << QList<int>{0, 1, 1000, 0, 0, 200};
        QTest::newRow("negative velocity") << D::s_model1_2 << QList<int>{2, -5, 1000, 0, 0, 200}
                                           << QStringList{"The motor speed was too low."}
                                           << QList<int>{2, 1, 1000, 0, 0, 200};
        QTest::newRow("ramp-up too long")
            << D::s_model1_2 << QList<int>{0, 200, 100, 1, 0, 200}
            << QStringList{"The ramp-ump time of 20 s was more than 10 s. The acceleration was increased."}
            << QList<int>{0, 200, 200, 1, 0, 200};
        QTest::newRow("ramp-up too short")
            << D::s_model1_2 << QList<int>{0, 200, 3000000, 1, 0, 200}
            << QStringList{"The ramp-up time of 0.666667 ms was less than 1 ms.\nConsider using step acceleration."}
            << QList<int>{0, 200, 2000000, 1, 0, 200};
        QTest::newRow("zero acceleration") << D::s_model1_2 << QList<int>{0, 200, 0, 1, 0, 200}
                                           << QStringList{"Zero acceleration is not allowed."}
                                           << QList<int>{0, 200, 200, 1, 0, 200};
        QTest::newRow("step method skips acceleration")
            << D::s_model1_2 << QList<int>{0, 200, 0, 0, 0, 200} << QStringList() << QList<int>{0, 200, 0, 0, 0, 200};
        QTest::newRow("above the absolute maximum")
            << D::s_model1_2 << QList<int>{0, 2000, 15000000, 1, 0, 200}
            << QStringList{"The absolute maximum acceleration is 1000000 steps/s^2."}
            << QList<int>{0, 2000, 10000000, 1, 0, 200};
        QTest::newRow("ramp checked with the corrected velocity")
            << D::s_model10_1 << QList<int>{4, 2000, 1000, 1, 0, 200}
            << QStringList{"The motor speed was too high.",
                   "The ramp-ump time of 12.5 s was more than 10 s. The acceleration was increased."}
            << QList<int>{4, 1250, 1250, 1, 0, 200};
        // A file may hold a micro-stepping no board has: the limit must still come out as a velocity.
        QTest::newRow("micro-stepping -17 from a file")
            << D::s_model1_2 << QList<int>{-17, 70000, 1000, 0, 0, 200} << QStringList{"The motor speed was too high."}
            << QList<int>{-17, 65535, 1000, 0, 0, 200};
        QTest::newRow("micro-stepping -2000 from a file")
            << D::s_model1_2 << QList<int>{-2000, 70000, 1000, 0, 0, 200} << QStringList{"The motor speed was too high."}
            << QList<int>{-2000, 65535, 1000, 0, 0, 200};
        QTest::newRow("separate backward velocity")
            << D::s_model1_2 << QList<int>{0, 200, 1000, 0, 1, 30000} << QStringList{"The motor speed was too high."}
            << QList<int>{0, 200, 1000, 0, 1, 20000};
        QTest::newRow("backward velocity not in use")
            << D::s_model1_2 << QList<int>{0, 200, 1000, 0, 0, 30000} << QStringList()
            << QList<int>{0, 200, 1000, 0, 0, 30000};
        QTest::newRow("(1,1) never checks the backward velocity")
            << D::s_model1_1 << QList<int>{0, 200, 1000, 0, 1, 30000} << QStringList()
            << QList<int>{0, 200, 1000, 0, 1, 30000};
        QTest::newRow("backward pass checks acceleration too")
            << D::s_model1_2 << QList<int>{0, 200, 2000000, 1, 1, 100}
            << QStringList{"The ramp-up time of 0.5 ms was less than 1 ms.\nConsider using step acceleration."}
            << QList<int>{0, 200, 1000000, 1, 1, 100};
    }

    // Corrections are stored, and each message reaches the caller and the property observers.
    void validation()
    {
        QFETCH(D, model);
        QFETCH(QList<int>, values);
        QFETCH(QStringList, messages);
        QFETCH(QList<int>, corrected);
        Motion motion = motionOf(values);
        PropertyMessageRecorder<TalvexDriverMotionConfigurationTraits> recorder(motion);
        const Motion::ValidationMessages result = motion.validate(model);
        QStringList texts;
        for (const auto& message : result)
        {
            texts.append(message.first);
            QCOMPARE(message.second, 1);
        }
        QCOMPARE(texts, messages);
        QCOMPARE(recorder.m_messages.size(), messages.size());
        for (int i = 0; i < messages.size(); ++i)
            QCOMPARE(recorder.m_messages[i].second, messages[i]);
        QCOMPARE(valuesOf(motion), corrected);
    }

    void validationMessagesNameTheProperty()
    {
        Motion motion = motionOf({0, 0, 0, 1, 0, 200});
        PropertyMessageRecorder<TalvexDriverMotionConfigurationTraits> recorder(motion);
        motion.validate(D::s_model1_2);
        QCOMPARE(recorder.m_messages.size(), 2);
        QCOMPARE(recorder.m_messages[0].first, int(Motion::Velocity));
        QCOMPARE(recorder.m_messages[1].first, int(Motion::Acceleration));
        // The corrected value was told before the message.
        QCOMPARE(recorder.m_changes.first(), qMakePair(int(Motion::Velocity), QVariant(1)));
    }

    void microStepping_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<QList<int>>("modes");
        QTest::newRow("(1,1)") << D::s_model1_1 << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("(1,2)") << D::s_model1_2 << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("(10,1)") << D::s_model10_1 << QList<int>{0, 1, 2, 3};
        QTest::newRow("(27,1)") << D::s_model27_1 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7};
    }

    void microStepping()
    {
        QFETCH(D, model);
        QFETCH(QList<int>, modes);
        QList<int> supported = Motion::supportedMicroSteppings(model).values();
        std::sort(supported.begin(), supported.end());
        QCOMPARE(supported, modes);
    }

    void microSteppingFactor()
    {
        Motion motion;
        const QList<QPair<int, double>> expected{{0, 1.0}, {1, 2.0}, {4, 16.0}, {7, 128.0}, {8, 1.0}, {-1, 1.0}};
        for (const auto& entry : expected)
        {
            motion.setValue(Motion::MicroStepping, entry.first);
            QCOMPARE(motion.microSteppingFactor(), entry.second);
        }
    }

    void observersHearAssignmentAndDestruction()
    {
        ConfigurationRecorder recorder;
        Motion* target = new Motion;
        target->addObserver(&recorder);
        const Motion copy(*target);
        *target = motionOf({1, 2, 3, 0, 0, 2});
        QCOMPARE(recorder.m_changed, QList<Motion*>{target});
        // A copy does not take the observers along.
        Motion other(*target);
        other = copy;
        QCOMPARE(recorder.m_changed.size(), 1);
        delete target;
        QCOMPARE(recorder.m_destroyed, QList<Motion*>{target});
    }
};

TALVEX_TEST(tst_DriverMotionConfiguration)
#include "tst_DriverMotionConfiguration.moc"

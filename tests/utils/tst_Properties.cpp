#include "TestRegistry.h"

#include "Properties.h"

#include <QBuffer>
#include <QTest>

namespace
{
struct SampleTraits
{
};
typedef Properties<SampleTraits> SampleSet;

class Recorder : public SampleSet::IChangeObserver
{
public:
    QList<QPair<int, QVariant>> changes;
    QList<QPair<int, QString>> messages;
    SampleSet* destroyedSource = nullptr;

    void propertyChanged(int id, const QVariant& value) override { changes.append({id, value}); }
    void validationMessage(int id, const QString& text) override { messages.append({id, text}); }
    void sourceDestroyed(SampleSet* source) override { destroyedSource = source; }

    QList<int> changedIds() const
    {
        QList<int> ids;
        for (const auto& change : changes)
            ids.append(change.first);
        return ids;
    }
};

class HookedSet : public SampleSet
{
public:
    QList<int> hooked;
    void valueChanged(int id) override { hooked.append(id); }
};

// Removes another observer while it is told, the way a widget unbinds itself.
class Remover : public SampleSet::IChangeObserver
{
public:
    SampleSet* set = nullptr;
    SampleSet::IChangeObserver* victim = nullptr;
    void propertyChanged(int, const QVariant&) override { set->removeObserver(victim); }
    void validationMessage(int, const QString&) override {}
    void sourceDestroyed(SampleSet*) override {}
};

QByteArray streamed(const std::function<void(QDataStream&)>& writer)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    writer(out);
    return bytes;
}
}

class tst_Properties : public QObject
{
    Q_OBJECT

private slots:
    void setAndNotify()
    {
        HookedSet set;
        Recorder recorder;
        set.addObserver(&recorder);
        set.addObserver(&recorder);
        QVERIFY(!set.value(7).isValid());

        set.setValue(1, 2.5);
        set.setValue(1, 2.5); // equal values notify all the same
        QCOMPARE(recorder.changedIds(), (QList<int>{1, 1}));
        QCOMPARE(set.hooked, (QList<int>{1, 1}));
        QCOMPARE(set.value(1), QVariant(2.5));

        set.notifyValidationMessage(1, "Value too high");
        QCOMPARE(recorder.messages, (QList<QPair<int, QString>>{{1, "Value too high"}}));

        set.removeObserver(&recorder);
        set.setValue(2, 1);
        QCOMPARE(recorder.changes.size(), 2);
    }

    void assignmentNotifiesTheUnionOfIds()
    {
        // Observers outlive the sets they watch.
        Recorder recorder;
        Recorder sourceObserver;
        HookedSet target;
        target.setValue(1, "old");
        target.setValue(2, "gone");
        target.addObserver(&recorder);

        SampleSet source;
        source.setValue(0, "a");
        source.setValue(1, "b");
        source.addObserver(&sourceObserver);

        target.hooked.clear();
        static_cast<SampleSet&>(target) = source;
        QCOMPARE(recorder.changedIds(), (QList<int>{0, 1, 2}));
        QCOMPARE(target.hooked, (QList<int>{0, 1, 2}));
        QVERIFY(!target.value(2).isValid());
        QCOMPARE(target.value(1), QVariant("b"));

        // Observers are not copied: the source's observer hears nothing of the target.
        target.setValue(5, 1);
        QVERIFY(sourceObserver.changes.isEmpty());
        const SampleSet copy(source);
        QCOMPARE(copy.values(), source.values());
    }

    void destructionTellsObservers()
    {
        Recorder recorder;
        auto* set = new SampleSet;
        set->addObserver(&recorder);
        delete set;
        QCOMPARE(recorder.destroyedSource, set);
    }

    void observerRemovedWhileNotifyingIsNotCalled()
    {
        Remover remover;
        SampleSet set;
        auto* victim = new Recorder;
        remover.set = &set;
        remover.victim = victim;
        set.addObserver(&remover);
        set.addObserver(victim);
        set.setValue(1, 1);
        // Observers are told in the order they came: the remover first, so the victim never.
        QVERIFY(victim->changes.isEmpty());
        set.setValue(1, 2);
        set.notifyValidationMessage(1, "Too high");
        QVERIFY(victim->changes.isEmpty());
        QVERIFY(victim->messages.isEmpty());
        delete victim;
    }

    void streamRoundTrip()
    {
        SampleSet source;
        source.setValue(1, 3.25);
        source.setValue(20, QString("text"));
        source.setValue(3, true);
        const QByteArray bytes = streamed([&](QDataStream& out) { out << source; });

        Recorder recorder;
        HookedSet target;
        target.setValue(99, 1);
        target.addObserver(&recorder);
        target.hooked.clear();
        QDataStream in(bytes);
        in >> target;
        QCOMPARE(target.values(), source.values());
        QCOMPARE(recorder.changedIds(), (QList<int>{1, 3, 20}));
        QCOMPARE(target.hooked, (QList<int>{1, 3, 20}));

        // The layout: version 1, then the map.
        QDataStream raw(bytes);
        qint32 version = 0;
        QMap<qint32, QVariant> map;
        raw >> version >> map;
        QCOMPARE(version, 1);
        QCOMPARE(map.size(), 3);
    }

    void unreadableStreamsLeaveTheValues_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("version");

        QMap<qint32, QVariant> map{{1, 5}};
        QTest::newRow("version 2") << streamed([&](QDataStream& out) { out << qint32(2) << map; }) << 2;
        QTest::newRow("version 0") << streamed([&](QDataStream& out) { out << qint32(0) << map; }) << 0;
        QByteArray whole = streamed([&](QDataStream& out) { out << qint32(1) << map; });
        QTest::newRow("truncated map") << whole.left(whole.size() - 3) << -1;
        QTest::newRow("empty") << QByteArray() << -1;
    }

    void unreadableStreamsLeaveTheValues()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, version);
        SampleSet set;
        set.setValue(1, 42);
        QDataStream in(bytes);
        if (version >= 0)
        {
            try
            {
                in >> set;
                QFAIL("no exception");
            }
            catch (const StreamableVersionException& e)
            {
                QCOMPARE(e.getVersion(), version);
                QCOMPARE(e.getSourceFile(), QString("..\\..\\utils\\core\\include\\Properties"));
                QCOMPARE(e.getLine(), 127);
            }
        }
        else
        {
            QVERIFY_EXCEPTION_THROWN(in >> set, StreamableUnexpectedContentsException);
        }
        QCOMPARE(set.value(1), QVariant(42));
        QCOMPARE(set.values().size(), 1);
    }
};

TALVEX_TEST(tst_Properties)
#include "tst_Properties.moc"

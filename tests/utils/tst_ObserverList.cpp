#include "TestRegistry.h"

#include "ObserverList.h"

#include <QStringList>
#include <QTest>
#include <functional>

namespace
{
class Observer
{
public:
    virtual ~Observer() = default;
    virtual void told(int pass) = 0;
};

typedef ObserverList<Observer> List;

// Observer n writes n into the log when told and may act on the list during a pass.
class Probe : public Observer
{
public:
    int m_name = 0;
    QList<int>* m_pLog = nullptr;
    std::function<void(int)> m_action;

    void told(int pass) override
    {
        m_pLog->append(m_name);
        if (m_action)
            m_action(pass);
    }
};

struct Fixture
{
    explicit Fixture(int count)
        : m_probes(count)
    {
        for (int i = 0; i < count; ++i)
        {
            m_probes[i].m_name = i;
            m_probes[i].m_pLog = &m_log;
        }
    }

    QList<int> pass(int number)
    {
        m_log.clear();
        m_list.notify(&Observer::told, number);
        return m_log;
    }

    List m_list;
    QList<int> m_log;
    std::vector<Probe> m_probes;
};
}

class tst_ObserverList : public QObject
{
    Q_OBJECT

private slots:
    // added: the order of add calls; actor does its actions ("+n" add, "-n" remove) when it is
    // told in the first pass only.
    void changesDuringAPass_data()
    {
        QTest::addColumn<QList<int>>("added");
        QTest::addColumn<int>("actor");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QList<int>>("firstPass");
        QTest::addColumn<QList<int>>("secondPass");

        QTest::newRow("insertion order") << QList<int>{2, 0, 1} << -1 << QStringList() << QList<int>{2, 0, 1}
                                         << QList<int>{2, 0, 1};
        QTest::newRow("added twice keeps its first place")
            << QList<int>{0, 1, 0} << -1 << QStringList() << QList<int>{0, 1} << QList<int>{0, 1};
        QTest::newRow("removes a later one")
            << QList<int>{0, 1, 2} << 0 << QStringList{"-2"} << QList<int>{0, 1} << QList<int>{0, 1};
        QTest::newRow("removes an earlier one")
            << QList<int>{0, 1, 2} << 2 << QStringList{"-0"} << QList<int>{0, 1, 2} << QList<int>{1, 2};
        QTest::newRow("removes itself")
            << QList<int>{0, 1, 2} << 1 << QStringList{"-1"} << QList<int>{0, 1, 2} << QList<int>{0, 2};
        QTest::newRow("adds one") << QList<int>{0, 1} << 0 << QStringList{"+2"} << QList<int>{0, 1}
                                  << QList<int>{0, 1, 2};
        QTest::newRow("adds one already there")
            << QList<int>{0, 1} << 1 << QStringList{"+0"} << QList<int>{0, 1} << QList<int>{0, 1};
        QTest::newRow("removes and adds back a later one")
            << QList<int>{0, 1, 2} << 0 << QStringList{"-1", "+1"} << QList<int>{0, 2} << QList<int>{0, 2, 1};
        QTest::newRow("adds and removes a new one")
            << QList<int>{0, 1} << 0 << QStringList{"+2", "-2"} << QList<int>{0, 1} << QList<int>{0, 1};
        QTest::newRow("removes every other")
            << QList<int>{0, 1, 2, 3} << 0 << QStringList{"-1", "-2", "-3"} << QList<int>{0} << QList<int>{0};
    }

    void changesDuringAPass()
    {
        QFETCH(QList<int>, added);
        QFETCH(int, actor);
        QFETCH(QStringList, actions);
        QFETCH(QList<int>, firstPass);
        QFETCH(QList<int>, secondPass);

        Fixture fixture(4);
        for (int name : added)
            fixture.m_list.add(&fixture.m_probes[name]);
        if (actor >= 0)
        {
            fixture.m_probes[actor].m_action = [&](int pass) {
                if (pass != 1)
                    return;
                for (const QString& action : actions)
                {
                    Probe* target = &fixture.m_probes[action.mid(1).toInt()];
                    if (action.startsWith('+'))
                        fixture.m_list.add(target);
                    else
                        fixture.m_list.remove(target);
                }
            };
        }

        QCOMPARE(fixture.pass(1), firstPass);
        QCOMPARE(fixture.pass(2), secondPass);
    }

    void nestedPassesSkipWhatTheInnerOneRemoved()
    {
        Fixture fixture(3);
        for (Probe& probe : fixture.m_probes)
            fixture.m_list.add(&probe);
        // Observer 0 starts a nested pass in which observer 1 removes observer 2.
        fixture.m_probes[0].m_action = [&](int pass) {
            if (pass == 1)
                fixture.m_list.notify(&Observer::told, 10);
        };
        fixture.m_probes[1].m_action = [&](int pass) {
            if (pass == 10)
                fixture.m_list.remove(&fixture.m_probes[2]);
        };

        // Outer 0, inner 0 1, outer goes on with 1 and skips 2.
        QCOMPARE(fixture.pass(1), (QList<int>{0, 0, 1, 1}));
        QVERIFY(!fixture.m_list.contains(&fixture.m_probes[2]));
        fixture.m_probes[0].m_action = nullptr;
        QCOMPARE(fixture.pass(2), (QList<int>{0, 1}));
    }

    void membership()
    {
        Fixture fixture(2);
        List& list = fixture.m_list;
        QVERIFY(list.isEmpty());
        QVERIFY(list.add(&fixture.m_probes[0]));
        QVERIFY(!list.add(&fixture.m_probes[0]));
        QVERIFY(!list.add(nullptr));
        QVERIFY(!list.contains(nullptr));
        QVERIFY(!list.remove(&fixture.m_probes[1]));
        QVERIFY(!list.isEmpty());

        // A removal during a pass already counts: the list reads as empty at once.
        fixture.m_probes[0].m_action = [&](int) {
            QVERIFY(list.remove(&fixture.m_probes[0]));
            QVERIFY(!list.remove(&fixture.m_probes[0]));
            QVERIFY(list.isEmpty());
            QVERIFY(!list.remove(nullptr));
        };
        QCOMPARE(fixture.pass(1), QList<int>{0});
        QVERIFY(list.isEmpty());
    }

    void findFirstKeepsTheOrder()
    {
        Fixture fixture(3);
        fixture.m_list.add(&fixture.m_probes[2]);
        fixture.m_list.add(&fixture.m_probes[1]);
        fixture.m_list.add(&fixture.m_probes[0]);
        const auto belowTwo = [](Observer* o) { return static_cast<Probe*>(o)->m_name < 2; };
        QCOMPARE(fixture.m_list.findFirst(belowTwo), static_cast<Observer*>(&fixture.m_probes[1]));
        QCOMPARE(fixture.m_list.findFirst([](Observer*) { return false; }), static_cast<Observer*>(nullptr));
    }

    void observersStayWithTheirSubject()
    {
        Fixture fixture(2);
        fixture.m_list.add(&fixture.m_probes[0]);
        const List copy(fixture.m_list);
        QVERIFY(copy.isEmpty());

        List other;
        other.add(&fixture.m_probes[1]);
        fixture.m_list = other;
        QCOMPARE(fixture.pass(1), QList<int>{0});
    }
};

TALVEX_TEST(tst_ObserverList)
#include "tst_ObserverList.moc"

#include "TestRegistry.h"

#include "ScriptedRequest.h"

#include "USBDefaultCommRequest.h"

#include <QCoreApplication>
#include <QSet>
#include <QTest>
#include <QThread>
#include <boost/make_shared.hpp>

namespace
{
// Leaves every operation the base class implements to the base class.
class BaseOnlyRequest : public USBDefaultCommRequest
{
public:
    bool isRaw() const override { return false; }
    quint8 getCommand() const override { return 0x22; }
    QVector<quint8> getPayload() const override { return {}; }
    USBResult checkReply(quint8) override { return USBResult(); }
    int getExpectedReturnDataCount() const override { return 0; }
};
}

class tst_USBCommRequest : public QObject
{
    Q_OBJECT

private slots:
    void firstIdIs101()
    {
        // Only meaningful in a process that has built no request yet: ctest runs this class alone.
        const int id = ScriptedRequest(0x22, {}, 0).getId();
        if (!QCoreApplication::arguments().contains("-class") && id != 101)
            QSKIP("requests were built earlier in this process");
        QCOMPARE(id, 101);
        QCOMPARE(ScriptedRequest(0x22, {}, 0).getId(), 102);
    }

    void idsRiseByOneAcrossKinds()
    {
        const int first = ScriptedRequest(0x22, {}, 0).getId();
        QCOMPARE(nextCommRequestId(), first + 1);
        QCOMPARE(ScriptedRequest(0x22, {}, 0).getId(), first + 2);
    }

    void idsStayUniqueAcrossThreads()
    {
        constexpr int perThread = 2000;
        QVector<QVector<int>> ids(4);
        QVector<QThread*> threads;
        for (int t = 0; t < ids.size(); ++t)
        {
            threads.append(QThread::create([&ids, t] {
                for (int i = 0; i < perThread; ++i)
                    ids[t].append(nextCommRequestId());
            }));
            threads.last()->start();
        }
        QSet<int> all;
        for (int t = 0; t < ids.size(); ++t)
        {
            threads[t]->wait();
            delete threads[t];
            for (int id : ids[t])
                all.insert(id);
        }
        QCOMPARE(all.size(), ids.size() * perThread);
    }

    void freshRequestAndResult()
    {
        BaseOnlyRequest request;
        QVERIFY(!request.isDone());
        QVERIFY(request.getResult().isOk());
        QVERIFY(request.getReplyData().isEmpty());
        QVERIFY(!request.acceptsPacket(request.getId()));
        QVERIFY(!request.parsesReply());

        // The base reply handlers succeed and leave the reply data alone.
        request.setReplyData({1, 2, 3});
        QVERIFY(request.processReply({9, 9}).isOk());
        QVERIFY(request.readReply(boost::shared_ptr<USBISocket>()).isOk());
        QCOMPARE(request.getReplyData(), (QVector<quint8>{1, 2, 3}));

        request.setResult(USBResult("Communication timed out", 2));
        QVERIFY(request.isDone());
        QCOMPARE(request.getResult().getStatus(), 2);
        QCOMPARE(request.getResult().getMessage(), QString("Communication timed out"));
    }
};

TALVEX_TEST(tst_USBCommRequest)
#include "tst_USBCommRequest.moc"

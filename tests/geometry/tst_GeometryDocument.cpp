#include "Geometry2DLine.h"
#include "GeometryDocument.h"
#include "TestRegistry.h"

#include <QTest>
#include <functional>
#include <memory>

namespace
{
// Records every notification as text, with the document's flag at the time of edgeAdded and
// modificationChanged.
class RecordingObserver : public GeometryDocument::IObserver
{
public:
    RecordingObserver(GeometryDocument* document, QStringList& log, const QString& name)
        : m_document(document), m_log(log), m_name(name)
    {
        m_document->addObserver(this);
    }
    ~RecordingObserver() override
    {
        if (m_document)
            m_document->removeObserver(this);
    }

    void edgeAdded(Geometry2DEdgePtr edge) override
    {
        m_log << QStringLiteral("%1 edgeAdded %2 modified=%3")
                     .arg(m_name)
                     .arg(edge->curves().size())
                     .arg(m_document->isModified());
        if (onEdgeAdded)
            onEdgeAdded();
    }
    void documentCleared(GeometryDocument*) override { m_log << m_name + " cleared"; }
    void modificationChanged(bool modified) override
    {
        m_log << QStringLiteral("%1 modificationChanged %2 modified=%3")
                     .arg(m_name)
                     .arg(modified)
                     .arg(m_document->isModified());
    }
    void documentDestroyed(GeometryDocument* document) override
    {
        QCOMPARE(document, m_document);
        m_log << m_name + " destroyed";
        m_document = nullptr;
    }

    void unregister()
    {
        m_document->removeObserver(this);
        m_document = nullptr;
    }

    std::function<void()> onEdgeAdded;

private:
    GeometryDocument* m_document;
    QStringList& m_log;
    QString m_name;
};

Geometry2DEdgePtr edgeOfOneLine()
{
    Geometry2DEdgePtr edge(new Geometry2DEdge);
    edge->append(GeometryI2DCurvePtr(new Geometry2DLine(QPointF(0, 0), QPointF(1, 0))));
    return edge;
}
}

class tst_GeometryDocument : public QObject
{
    Q_OBJECT

private slots:
    void addEdgeTellsAdditionThenModification()
    {
        GeometryDocument document;
        QStringList log;
        RecordingObserver first(&document, log, "a");
        RecordingObserver second(&document, log, "b");
        QVERIFY(!document.isModified());
        const Geometry2DEdgePtr edge = edgeOfOneLine();
        document.addEdge(edge);
        QCOMPARE(log, (QStringList{"a edgeAdded 1 modified=1", "b edgeAdded 1 modified=1",
                                   "a modificationChanged 1 modified=1", "b modificationChanged 1 modified=1"}));
        QCOMPARE(document.edges(), QVector<Geometry2DEdgePtr>{edge});
    }

    void setModifiedTellsEvenWithoutChange()
    {
        GeometryDocument document;
        QStringList log;
        RecordingObserver observer(&document, log, "a");
        document.setModified(false);
        document.addEdge(edgeOfOneLine());
        document.setModified(false);
        QCOMPARE(log, (QStringList{"a modificationChanged 0 modified=0", "a edgeAdded 1 modified=1",
                                   "a modificationChanged 1 modified=1", "a modificationChanged 0 modified=0"}));
        QVERIFY(!document.isModified());
    }

    void observerMayUnregisterWhileTold()
    {
        GeometryDocument document;
        QStringList log;
        RecordingObserver first(&document, log, "a");
        RecordingObserver second(&document, log, "b");
        first.onEdgeAdded = [&] { first.unregister(); };
        document.addEdge(edgeOfOneLine());
        QCOMPARE(log, (QStringList{"a edgeAdded 1 modified=1", "b edgeAdded 1 modified=1",
                                   "b modificationChanged 1 modified=1"}));
    }

    void destructionTellsObserversWhichThenLeaveItAlone()
    {
        QStringList log;
        auto document = std::make_unique<GeometryDocument>();
        auto observer = std::make_unique<RecordingObserver>(document.get(), log, "a");
        document.reset();
        QCOMPARE(log, QStringList{"a destroyed"});
        // The observer outlives the document and must not unregister from it.
        observer.reset();
    }
};

TALVEX_TEST(tst_GeometryDocument)
#include "tst_GeometryDocument.moc"

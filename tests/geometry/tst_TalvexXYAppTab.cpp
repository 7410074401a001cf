#include "Geometry2DLine.h"
#include "ModalAnswers.h"
#include "TalvexXY2DGeometryWidget.h"
#include "TalvexXYAppTab.h"
#include "TestRegistry.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace
{
struct Tab
{
    TalvexSODocument soDocument;
    TalvexXYAppTab tab{soDocument};

    QTabWidget* tabs() const { return tab.findChild<QTabWidget*>(); }
    QPushButton* button(const QString& toolTip) const
    {
        for (QPushButton* b : tab.findChildren<QPushButton*>())
            if (b->toolTip() == toolTip)
                return b;
        return nullptr;
    }
    QList<bool> documentButtonsEnabled() const
    {
        return {button("Save current geometry document.")->isEnabled(),
                button("Save all geometry documents.")->isEnabled(),
                button("Send current geometry to XY-table.")->isEnabled()};
    }
    TalvexXY2DGeometryWidget* page(int index) const
    {
        return qobject_cast<TalvexXY2DGeometryWidget*>(tabs()->widget(index));
    }
    QStringList titles() const
    {
        QStringList list;
        for (int i = 0; i < tabs()->count(); ++i)
            list << tabs()->tabText(i);
        return list;
    }
};

void edit(TalvexXY2DGeometryWidget* page)
{
    Geometry2DEdgePtr edge(new Geometry2DEdge);
    edge->append(GeometryI2DCurvePtr(new Geometry2DLine(QPointF(100, 100), QPointF(700, 400))));
    page->document().addEdge(edge);
}

const QList<bool> s_enabled{true, true, true};
const QList<bool> s_disabled{false, false, false};
}

class tst_TalvexXYAppTab : public QObject
{
    Q_OBJECT

private slots:
    void buttonsFollowThePages()
    {
        Tab t;
        QCOMPARE(t.tabs()->count(), 0);
        QVERIFY(t.tabs()->tabsClosable());
        QCOMPARE(t.documentButtonsEnabled(), s_disabled);
        for (const QString tip : {"Add new geometry document.", "Open Talvex geometry file."})
        {
            QVERIFY(t.button(tip)->isEnabled());
            QVERIFY(!t.button(tip)->icon().isNull());
        }
        QTest::mouseClick(t.button("Add new geometry document."), Qt::LeftButton);
        QCOMPARE(t.titles(), QStringList{"Untitled"});
        QCOMPARE(t.documentButtonsEnabled(), s_enabled);

        t.tab.resize(900, 560);
        edit(t.page(0));
        t.tab.grab().save(QDir::temp().filePath("geometry-xy-tab.png"));

        t.page(0)->document().setModified(false);
        t.tab.onCloseTab(0);
        QCOMPARE(t.tabs()->count(), 0);
        QCOMPARE(t.documentButtonsEnabled(), s_disabled);
    }

    void modifiedMarkAndSave()
    {
        QTemporaryDir dir;
        Tab t;
        t.tab.onNewGeometry();
        edit(t.page(0));
        QCOMPARE(t.titles(), QStringList{"Untitled*"});
        // Ctrl+S on the page asks for a name and records it.
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(dir.filePath("part.tgm"), ModalAnswers::SelectAndAccept));
        QTest::keyClick(t.page(0), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(t.titles(), QStringList{"part.tgm"});
        QVERIFY(!t.page(0)->document().isModified());
        QCOMPARE(QFileInfo(t.page(0)->fileName()).fileName(), QStringLiteral("part.tgm"));
        // With a name, saving asks nothing.
        edit(t.page(0));
        QCOMPARE(t.titles(), QStringList{"part.tgm*"});
        QVERIFY(t.tab.saveGeometry(t.page(0)));
        QCOMPARE(t.titles(), QStringList{"part.tgm"});
    }

    void closingAsksOnlyForUnsavedChanges()
    {
        Tab t;
        t.tab.onNewGeometry();
        t.tab.onNewGeometry();
        edit(t.page(1));
        ModalAnswers answers;
        answers.press(QMessageBox::No);
        t.tab.onCloseTab(1);
        QCOMPARE(answers.m_boxes,
            QStringList{QStringLiteral("Close geometry: The geometry contains unsaved changes.\nClose anyway?")});
        QCOMPARE(t.tabs()->count(), 2);
        answers.press(QMessageBox::Yes);
        t.tab.onCloseTab(1);
        QCOMPARE(t.tabs()->count(), 1);
        // Unmodified: closes at once, no box to answer.
        t.tab.onCloseTab(0);
        QCOMPARE(t.tabs()->count(), 0);
    }

    void cancelledSaveAllLeavesTheRestUnsaved()
    {
        QTemporaryDir dir;
        Tab t;
        for (int i = 0; i < 3; ++i)
        {
            t.tab.onNewGeometry();
            edit(t.page(i));
        }
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(dir.filePath("first.tgm"), ModalAnswers::SelectAndAccept));
        answers.add(ModalAnswers::chooseFile(QString()));
        t.tab.onSaveAllGeometry();
        QCOMPARE(t.titles(), (QStringList{"first.tgm", "Untitled*", "Untitled*"}));
        QVERIFY(t.page(2)->fileName().isEmpty());
    }

    void openedFileGivesAnEmptyPageWithoutName()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("model.tgm"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("anything");
        file.close();
        Tab t;
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(file.fileName(), ModalAnswers::SelectAndAccept));
        t.tab.onOpenGeometry();
        QCOMPARE(t.titles(), QStringList{"model.tgm"});
        QVERIFY(t.page(0)->fileName().isEmpty());
        QVERIFY(t.page(0)->document().edges().isEmpty());
        QCOMPARE(t.documentButtonsEnabled(), s_enabled);
        // Save all includes opened pages; saving it asks for a name.
        answers.add(ModalAnswers::chooseFile(dir.filePath("saved.tgm"), ModalAnswers::SelectAndAccept));
        t.tab.onSaveAllGeometry();
        QCOMPARE(t.titles(), QStringList{"saved.tgm"});
    }
};

TALVEX_TEST(tst_TalvexXYAppTab)
#include "tst_TalvexXYAppTab.moc"

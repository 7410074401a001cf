#include "Geometry2DView.h"
#include "GeometryTree.h"
#include "ModalAnswers.h"
#include "TalvexSODocument.h"
#include "TalvexXY2DGeometryWidget.h"
#include "TestRegistry.h"

#include <QGraphicsRectItem>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace
{
QGraphicsRectItem* areaItem(const TalvexXY2DGeometryWidget& page)
{
    for (QGraphicsItem* item : page.findChild<Geometry2DView*>()->scene()->items())
        if (auto* rect = qgraphicsitem_cast<QGraphicsRectItem*>(item))
            return rect;
    return nullptr;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& contents)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(contents);
    return file.fileName();
}

const QByteArray s_square = "0\nSECTION\n2\nENTITIES\n"
                            "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n400\n21\n0\n"
                            "0\nLINE\n8\n0\n10\n400\n20\n300\n11\n400\n21\n0\n"
                            "0\nLINE\n8\n0\n10\n400\n20\n300\n11\n0\n21\n300\n"
                            "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n0\n21\n300\n"
                            "0\nCIRCLE\n8\n0\n10\n600\n20\n500\n40\n150\n"
                            "0\nLINE\n8\n0\n10\n5\n20\n5\n11\n5\n21\n5\n"
                            "0\nENDSEC\n0\nEOF\n";
}

class tst_TalvexXY2DGeometryWidget : public QObject
{
    Q_OBJECT

private slots:
    void buildsTreeViewAndTableArea()
    {
        TalvexSODocument soDocument;
        soDocument.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::TableSizeX, 800);
        TalvexXY2DGeometryWidget page(&soDocument);
        QVERIFY(page.fileName().isEmpty());
        QVERIFY(!page.document().isModified());
        QVERIFY(page.findChild<GeometryTree*>());
        QGraphicsRectItem* area = areaItem(page);
        QVERIFY(area);
        QCOMPARE(area->rect(), QRectF(0, -1000, 800, 1000));
        auto* button = page.findChild<QPushButton*>();
        QCOMPARE(button->toolTip(), QStringLiteral("Import geometry."));
        QVERIFY(!button->icon().isNull());
        QCOMPARE(button->iconSize(), QSize(32, 32));
    }

    void ctrlSRequestsSave()
    {
        TalvexSODocument soDocument;
        TalvexXY2DGeometryWidget page(&soDocument);
        QSignalSpy saves(&page, &TalvexXY2DGeometryWidget::saveRequest);
        QTest::keyClick(&page, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(saves.size(), 1);
        QCOMPARE(saves.first().first().value<TalvexXY2DGeometryWidget*>(), &page);
        QTest::keyClick(&page, Qt::Key_S);
        QTest::keyClick(&page, Qt::Key_Escape);
        QCOMPARE(saves.size(), 1);
    }

    void importShowsTheDrawingAndLeftOutCurves()
    {
        QTemporaryDir dir;
        TalvexSODocument soDocument;
        TalvexXY2DGeometryWidget page(&soDocument);
        QSignalSpy modified(&page, &TalvexXY2DGeometryWidget::modificationChanged);
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(writeFile(dir, "square.dxf", s_square), ModalAnswers::SelectAndAccept));
        answers.press(QMessageBox::Ok);
        page.onAddGeometryPressed();
        QCOMPARE(page.document().edges().size(), 2);
        QCOMPARE(modified.size(), 2);
        QCOMPARE(modified.last().first(), QVariant(true));
        const QString box = answers.m_boxes.value(0);
        QVERIFY2(box.startsWith("Import geometry file: 1 curve"), qPrintable(box));

        page.resize(800, 500);
        auto* tree = page.findChild<GeometryTree*>();
        tree->expandAll();
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        page.grab().save(QDir::temp().filePath("geometry-page.png"));
    }

    void cancelledDialogChangesNothing()
    {
        TalvexSODocument soDocument;
        TalvexXY2DGeometryWidget page(&soDocument);
        QSignalSpy modified(&page, &TalvexXY2DGeometryWidget::modificationChanged);
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(QString()));
        page.onAddGeometryPressed();
        QVERIFY(page.document().edges().isEmpty());
        QCOMPARE(modified.size(), 0);
    }

    void failedImportShowsTheReason()
    {
        QTemporaryDir dir;
        TalvexSODocument soDocument;
        TalvexXY2DGeometryWidget page(&soDocument);
        const QString path = writeFile(dir, "text.dxf", "0\nSECTION\n2\nENTITIES\n0\nTEXT\n1\nhi\n0\nENDSEC\n0\nEOF\n");
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(path, ModalAnswers::SelectAndAccept));
        answers.press(QMessageBox::Ok);
        page.onAddGeometryPressed();
        const QString box = answers.m_boxes.value(0);
        QVERIFY2(box.startsWith("Import geometry file: "), qPrintable(box));
        QVERIFY2(box.contains(QDir::toNativeSeparators(path)), qPrintable(box));
        QVERIFY(page.document().edges().isEmpty());
        QVERIFY(!page.document().isModified());
    }
};

TALVEX_TEST(tst_TalvexXY2DGeometryWidget)
#include "tst_TalvexXY2DGeometryWidget.moc"

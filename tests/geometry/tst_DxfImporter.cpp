#include "DxfImporter.h"
#include "DxfReader.h"
#include "Geometry2DArc.h"
#include "Geometry2DEllipticArc.h"
#include "Geometry2DPolyline.h"
#include "GeometryDocument.h"
#include "ResidentMemory.h"
#include "TestRegistry.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>
#include <dl_dxf.h>

namespace
{
const QString s_openscadData = QStringLiteral("/usr/share/openscad/testdata");
const QString s_librecadLibrary = QStringLiteral("/usr/share/librecad/library");

// An edge as "closed" or "open" and the type names of its curves, a run of one type counted:
// "closed Arc Line*2".
QString describe(const Geometry2DEdgePtr& edge)
{
    QStringList words{edge->isClosed(0.015) ? "closed" : "open"};
    const QVector<GeometryI2DCurvePtr>& curves = edge->curves();
    for (int i = 0; i < curves.size();)
    {
        int run = 1;
        while (i + run < curves.size() && curves[i + run]->typeName() == curves[i]->typeName())
            ++run;
        words << (run == 1 ? curves[i]->typeName() : QStringLiteral("%1*%2").arg(curves[i]->typeName()).arg(run));
        i += run;
    }
    return words.join(' ');
}

// The document's edges as a sorted set, equal edges counted: "2 x closed Circle".
QStringList describeSorted(const GeometryDocument& document)
{
    QMap<QString, int> counts;
    for (const Geometry2DEdgePtr& edge : document.edges())
        ++counts[describe(edge)];
    QStringList edges;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        edges << (it.value() == 1 ? it.key() : QStringLiteral("%1 x %2").arg(it.value()).arg(it.key()));
    return edges;
}

// A DXF file of the given ENTITIES section (group codes and values, one per line).
QString writeDxf(const QTemporaryDir& dir, const QString& name, const QString& entities)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(QStringLiteral("0\nSECTION\n2\nENTITIES\n%10\nENDSEC\n0\nEOF\n").arg(entities).toLatin1());
    return path;
}

QString lineEntity(double x1, double y1, double x2, double y2)
{
    return QStringLiteral("0\nLINE\n8\n0\n10\n%1\n20\n%2\n30\n0\n11\n%3\n21\n%4\n31\n0\n").arg(x1).arg(y1).arg(x2).arg(y2);
}

QString arcEntity(double angle1, double angle2)
{
    return QStringLiteral("0\nARC\n8\n0\n10\n5\n20\n5\n30\n0\n40\n2\n50\n%1\n51\n%2\n").arg(angle1).arg(angle2);
}

QString ellipseEntity(double mx, double my, double ratio, double start, double end)
{
    return QStringLiteral("0\nELLIPSE\n8\n0\n10\n1\n20\n2\n30\n0\n11\n%1\n21\n%2\n31\n0\n40\n%3\n41\n%4\n42\n%5\n")
        .arg(mx)
        .arg(my)
        .arg(ratio)
        .arg(start, 0, 'g', 17)
        .arg(end, 0, 'g', 17);
}

// Reads the curves alone, without joining them.
QVector<GeometryI2DCurvePtr> readCurves(const QString& path)
{
    DL_Dxf dxf;
    DxfReader reader;
    dxf.in(path.toStdString(), &reader);
    return reader.curves();
}
}

class tst_DxfImporter : public QObject
{
    Q_OBJECT

private slots:
    // Every drawing of openscad's DXF test files, as the edges one expects of it and the
    // number of curves left out (zero-length lines, a repeated vertex).
    void openscadDrawings_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("edges");
        QTest::addColumn<int>("leftOut");
        QTest::newRow("arc") << "dxf/arc.dxf" << QStringList{"closed Arc Line*2"} << 0;
        QTest::newRow("circle-advanced") << "dxf/circle-advanced.dxf" << QStringList{"9 x closed Circle", "4 x closed Line*4"} << 0;
        QTest::newRow("circle-double") << "dxf/circle-double.dxf" << QStringList{"2 x closed Circle", "closed Line*4"} << 0;
        QTest::newRow("circle-small") << "dxf/circle-small.dxf" << QStringList{"2 x closed Circle"} << 0;
        QTest::newRow("circle") << "dxf/circle.dxf" << QStringList{"closed Circle"} << 0;
        QTest::newRow("ellipse-arc-rot") << "dxf/ellipse-arc-rot.dxf" << QStringList{"4 x closed EllipticArc Line"} << 0;
        QTest::newRow("ellipse-arc") << "dxf/ellipse-arc.dxf" << QStringList{"closed EllipticArc Line"} << 0;
        QTest::newRow("ellipse-reverse") << "dxf/ellipse-reverse.dxf" << QStringList{"2 x closed EllipticArc Line"} << 0;
        QTest::newRow("ellipse-rot") << "dxf/ellipse-rot.dxf" << QStringList{"4 x closed EllipticArc"} << 0;
        QTest::newRow("ellipse") << "dxf/ellipse.dxf" << QStringList{"closed EllipticArc"} << 0;
        QTest::newRow("lwpolyline-closed") << "dxf/lwpolyline-closed.dxf" << QStringList{"closed Polyline"} << 0;
        QTest::newRow("lwpolyline") << "dxf/lwpolyline.dxf" << QStringList{"closed Polyline Line"} << 0;
        QTest::newRow("lwpolyline2") << "dxf/lwpolyline2.dxf" << QStringList{"closed Line*16"} << 1;
        QTest::newRow("multiple-layers") << "dxf/multiple-layers.dxf" << QStringList{"closed Circle", "closed Line*4", "closed Line*6"} << 0;
        QTest::newRow("nothing-decimal-comma-separated") << "dxf/nothing-decimal-comma-separated.dxf" << QStringList{"closed Line*4"} << 0;
        QTest::newRow("null-polygons") << "dxf/null-polygons.dxf" << QStringList{"2 x closed Circle", "closed Line*3 Arc"} << 2;
        QTest::newRow("open-polyline") << "dxf/open-polyline.dxf" << QStringList{"open Line*3"} << 1;
        QTest::newRow("polygon-concave-hole") << "dxf/polygon-concave-hole.dxf" << QStringList{"closed Line*14", "closed Line*8"} << 0;
        QTest::newRow("polygon-concave-simple") << "dxf/polygon-concave-simple.dxf" << QStringList{"closed Line*6"} << 0;
        QTest::newRow("polygon-concave") << "dxf/polygon-concave.dxf" << QStringList{"closed Line*39"} << 0;
        QTest::newRow("polygon-holes-touch") << "dxf/polygon-holes-touch.dxf" << QStringList{"2 x closed Circle", "closed Line*4"} << 0;
        QTest::newRow("polygon-intersect") << "dxf/polygon-intersect.dxf" << QStringList{"2 x closed Line*4"} << 0;
        QTest::newRow("polygon-many-holes") << "dxf/polygon-many-holes.dxf" << QStringList{"21 x closed Circle", "2 x closed Line*6"} << 0;
        QTest::newRow("polygon-mesh") << "dxf/polygon-mesh.dxf" << QStringList{"open Line*11"} << 0;
        QTest::newRow("polygon-overlap") << "dxf/polygon-overlap.dxf" << QStringList{"open Line*8"} << 0;
        QTest::newRow("polygon-riser") << "dxf/polygon-riser.dxf" << QStringList{"8 x closed Circle", "closed Line*26"} << 0;
        QTest::newRow("polygon-self-intersect") << "dxf/polygon-self-intersect.dxf" << QStringList{"closed Line*4"} << 0;
        QTest::newRow("polygon8") << "dxf/polygon8.dxf" << QStringList{"closed Line*11"} << 0;
        QTest::newRow("polygons") << "dxf/polygons.dxf" << QStringList{"closed Line*4", "closed Line*6"} << 0;
        QTest::newRow("transform-insert") << "dxf/transform-insert.dxf" << QStringList{"6 x open Line*3", "2 x open Line*7"} << 0;
        QTest::newRow("triangle-with-duplicate-vertex") << "dxf/triangle-with-duplicate-vertex.dxf" << QStringList{"closed Line*3"} << 1;
        QTest::newRow("dim-all") << "scad/misc/dim-all.dxf" << QStringList{"open Arc"} << 0;
        QTest::newRow("localfile") << "scad/misc/localfiles_dir/localfile.dxf" << QStringList{"closed Line*4"} << 0;
    }

    void openscadDrawings()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, edges);
        QFETCH(int, leftOut);
        const QString path = s_openscadData + "/" + file;
        if (!QFile::exists(path))
            QSKIP("openscad-testing-data is not installed (scripts/install-deps)");
        GeometryDocument document;
        QStringList messages;
        QVERIFY(DxfImporter(&document).importDxfFile(path, messages));
        QCOMPARE(describeSorted(document), edges);
        QCOMPARE(messages.size(), leftOut > 0 ? 1 : 0);
        if (leftOut > 0)
            QVERIFY2(messages.first().startsWith(QString::number(leftOut) + " curve"), qPrintable(messages.first()));
        QVERIFY(document.isModified());
    }

    void openscadDrawingsAreAllListed()
    {
        QDirIterator files(s_openscadData, {"*.dxf"}, QDir::Files, QDirIterator::Subdirectories);
        if (!files.hasNext())
            QSKIP("openscad-testing-data is not installed (scripts/install-deps)");
        int count = 0;
        for (; files.hasNext(); files.next())
            ++count;
        QCOMPARE(count, 33);
    }

    void entitiesBecomeCurves()
    {
        QTemporaryDir dir;
        const QString path = writeDxf(dir, "entities.dxf",
                                      arcEntity(350, 10) + ellipseEntity(2, 0, 0.5, 0, 2 * M_PI) +
                                          ellipseEntity(0, 3, 0.5, 3 * M_PI / 2, M_PI / 2));
        const QVector<GeometryI2DCurvePtr> curves = readCurves(path);
        QCOMPARE(curves.size(), 3);
        const auto arc = boost::dynamic_pointer_cast<Geometry2DArc>(curves[0]);
        QVERIFY(arc);
        QCOMPARE(arc->startAngle(), 350.0);
        QCOMPARE(arc->sweepAngle(), 20.0);
        const auto full = boost::dynamic_pointer_cast<Geometry2DEllipticArc>(curves[1]);
        QVERIFY(full);
        QCOMPARE(full->a(), 2.0);
        QCOMPARE(full->b(), 1.0);
        QCOMPARE(full->direction(), QVector2D(1, 0));
        QCOMPARE(full->startParameter(), 0.0);
        QCOMPARE(full->sweepParameter(), 360.0);
        QVERIFY(full->isClosed(0.01));
        const auto half = boost::dynamic_pointer_cast<Geometry2DEllipticArc>(curves[2]);
        QVERIFY(half);
        QCOMPARE(half->startParameter(), 270.0);
        QCOMPARE(half->sweepParameter(), 180.0);
        QCOMPARE(half->direction(), QVector2D(0, 1));
    }

    void smallDrawings_data()
    {
        QTest::addColumn<QString>("entities");
        QTest::addColumn<QStringList>("edges");
        QTest::newRow("full ARC is an edge of its own") << arcEntity(0, 360) + lineEntity(7, 5, 9, 5)
                                                        << QStringList{"closed Arc", "open Line"};
        QTest::newRow("square as four LINEs in any order and direction")
            << lineEntity(0, 0, 10, 0) + lineEntity(0, 10, 10, 10) + lineEntity(0, 0, 0, 10) + lineEntity(10, 10, 10, 0)
            << QStringList{"closed Line*4"};
        QTest::newRow("negative coordinates")
            << lineEntity(-10, -10, -20, -10) + lineEntity(-20, -20, -20, -10) + lineEntity(-10, -10, -20, -20)
            << QStringList{"closed Line*3"};
        QTest::newRow("LWPOLYLINE with flags 129 is closed")
            << QStringLiteral("0\nLWPOLYLINE\n8\n0\n90\n3\n70\n129\n10\n0\n20\n0\n10\n5\n20\n0\n10\n5\n20\n5\n")
            << QStringList{"closed Polyline"};
        // dxflib takes a count a little off: it stops at the vertices there are, or keeps
        // overwriting the last one it has room for.
        QTest::newRow("LWPOLYLINE announcing a vertex more than it has")
            << QStringLiteral("0\nLWPOLYLINE\n8\n0\n90\n4\n70\n1\n10\n0\n20\n0\n10\n5\n20\n0\n10\n5\n20\n5\n")
            << QStringList{"closed Polyline"};
        QTest::newRow("LWPOLYLINE announcing a vertex fewer")
            << QStringLiteral("0\nLWPOLYLINE\n8\n0\n90\n3\n70\n1\n10\n0\n20\n0\n10\n5\n20\n0\n10\n9\n20\n9\n10\n5\n20\n5\n")
            << QStringList{"closed Polyline"};
        QTest::newRow("SPLINE and LEADER with true counts are passed over")
            << QStringLiteral("0\nSPLINE\n8\n0\n72\n4\n73\n2\n40\n0\n40\n0\n40\n1\n40\n1\n10\n0\n20\n0\n10\n1\n20\n1\n"
                              "0\nLEADER\n8\n0\n76\n2\n10\n0\n20\n0\n10\n1\n20\n1\n") +
                   lineEntity(0, 0, 1, 0)
            << QStringList{"open Line"};
        QTest::newRow("old-style POLYLINE with VERTEX and SEQEND is one curve")
            << QStringLiteral("0\nPOLYLINE\n8\n0\n66\n1\n70\n0\n"
                              "0\nVERTEX\n8\n0\n10\n0\n20\n0\n42\n1\n"
                              "0\nVERTEX\n8\n0\n10\n2\n20\n0\n"
                              "0\nVERTEX\n8\n0\n10\n2\n20\n3\n0\nSEQEND\n8\n0\n") +
                   lineEntity(2, 3, 4, 4)
            << QStringList{"open Polyline Line"};
    }

    void smallDrawings()
    {
        QFETCH(QString, entities);
        QFETCH(QStringList, edges);
        QTemporaryDir dir;
        GeometryDocument document;
        QStringList messages;
        QVERIFY(DxfImporter(&document).importDxfFile(writeDxf(dir, "small.dxf", entities), messages));
        QCOMPARE(describeSorted(document), edges);
        QVERIFY(messages.isEmpty());
    }

    void oldStylePolylineKeepsItsVertices()
    {
        QTemporaryDir dir;
        const QVector<GeometryI2DCurvePtr> curves =
            readCurves(writeDxf(dir, "polyline.dxf",
                                "0\nPOLYLINE\n8\n0\n66\n1\n70\n1\n"
                                "0\nVERTEX\n8\n0\n10\n0\n20\n0\n42\n0.5\n"
                                "0\nVERTEX\n8\n0\n10\n2\n20\n0\n0\nSEQEND\n8\n0\n"));
        QCOMPARE(curves.size(), 1);
        const auto polyline = boost::dynamic_pointer_cast<Geometry2DPolyline>(curves.first());
        QVERIFY(polyline);
        QCOMPARE(polyline->vertices().size(), 3);
        QCOMPARE(polyline->vertices().first().bulge, 0.5);
        QCOMPARE(polyline->endPoint(), QPointF(0, 0));
    }

    // Files that give nothing to import fail with a message and leave the document as it was;
    // so do files with numbers that no curve can hold.
    void refusedFiles_data()
    {
        QTest::addColumn<QString>("contents");
        QTest::addColumn<bool>("imports");
        QTest::addColumn<QStringList>("edges");
        QTest::newRow("missing file") << QString() << false << QStringList{};
        QTest::newRow("not a drawing") << QStringLiteral("\x01\x02 hello\n\n\n") << false << QStringList{};
        QTest::newRow("only text") << QStringLiteral("0\nSECTION\n2\nENTITIES\n0\nTEXT\n8\n0\n10\n0\n20\n0\n1\nhi\n0\nENDSEC\n0\nEOF\n")
                                   << false << QStringList{};
        QTest::newRow("only a zero-length line") << QStringLiteral("0\nSECTION\n2\nENTITIES\n") + lineEntity(1, 1, 1, 1) +
                                                        "0\nENDSEC\n0\nEOF\n"
                                                 << false << QStringList{};
        // 1e300 degrees is a whole number of turns: the arc from there to 0 is empty.
        QTest::newRow("huge arc angle, no endless loop")
            << QStringLiteral("0\nSECTION\n2\nENTITIES\n") + arcEntity(1e300, 0) + arcEntity(-1e300 - 1e285, 90) +
                   lineEntity(0, 0, 1, 0) + "0\nENDSEC\n0\nEOF\n"
            << true << QStringList{"open Arc", "open Line"};
        QTest::newRow("coordinates beyond the grid") << QStringLiteral("0\nSECTION\n2\nENTITIES\n") +
                                                            lineEntity(0, 0, 1e300, 0) + lineEntity(0, 0, 1, 0) +
                                                            "0\nENDSEC\n0\nEOF\n"
                                                     << true << QStringList{"open Line"};
        QTest::newRow("infinite coordinate") << QStringLiteral("0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n1e999\n20\n0\n11\n1\n21\n0\n") +
                                             lineEntity(0, 0, 1, 0) + "0\nENDSEC\n0\nEOF\n"
                                      << true << QStringList{"open Line"};
    }

    void refusedFiles()
    {
        QFETCH(QString, contents);
        QFETCH(bool, imports);
        QFETCH(QStringList, edges);
        QTemporaryDir dir;
        QString path = dir.filePath("drawing.dxf");
        if (!contents.isNull())
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents.toLatin1());
        }
        GeometryDocument document;
        QStringList messages{"earlier"};
        QCOMPARE(DxfImporter(&document).importDxfFile(path, messages), imports);
        QCOMPARE(describeSorted(document), edges);
        QCOMPARE(document.isModified(), imports);
        if (!imports)
        {
            QCOMPARE(messages.size(), 1);
            QVERIFY2(messages.first().contains(QDir::toNativeSeparators(path)), qPrintable(messages.first()));
        }
    }

    // A drawing whose entity announces more items than the file holds is refused before dxflib
    // sizes its memory by the count: nothing of it is added, and the import takes no memory
    // worth the name (without the check dxflib would fill 80 to 320 MB here).
    void announcedCountsBeyondTheFile_data()
    {
        QTest::addColumn<QString>("entity");
        QTest::addColumn<QString>("refusal");
        const QString count = QStringLiteral("10000000");
        QTest::newRow("LWPOLYLINE vertices") << "0\nLWPOLYLINE\n8\n0\n90\n" + count + "\n70\n1\n10\n0\n20\n0\n10\n5\n20\n0\n10\n5\n20\n5\n"
                                             << "its LWPOLYLINE announces 10000000 vertices in group 90 on line 25";
        QTest::newRow("LEADER vertices") << "0\nLEADER\n8\n0\n76\n" + count + "\n10\n0\n20\n0\n10\n1\n20\n1\n"
                                         << "its LEADER announces 10000000 vertices in group 76 on line 25";
        QTest::newRow("SPLINE knots") << "0\nSPLINE\n8\n0\n72\n" + count + "\n73\n2\n40\n0\n10\n0\n20\n0\n10\n1\n20\n1\n"
                                      << "its SPLINE announces 10000000 knots in group 72 on line 25";
        QTest::newRow("SPLINE control points") << "0\nSPLINE\n8\n0\n72\n2\n73\n" + count + "\n40\n0\n40\n1\n10\n0\n20\n0\n"
                                               << "its SPLINE announces 10000000 control points in group 73 on line 27";
        QTest::newRow("SPLINE fit points") << "0\nSPLINE\n8\n0\n74\n" + count + "\n11\n0\n21\n0\n11\n1\n21\n1\n"
                                           << "its SPLINE announces 10000000 fit points in group 74 on line 25";
        // 0x17fffffff, which dxflib narrows to the largest int.
        QTest::newRow("a count past the range of an int")
            << "0\nLWPOLYLINE\n8\n0\n90\n6442450943\n70\n1\n10\n0\n20\n0\n10\n5\n20\n0\n"
            << "its LWPOLYLINE announces 6442450943 vertices in group 90 on line 25";
    }

    void announcedCountsBeyondTheFile()
    {
        QFETCH(QString, entity);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        // A line that imports on its own comes first: none of the drawing may be added.
        const QString path = writeDxf(dir, "counts.dxf", lineEntity(0, 0, 10, 0) + entity);
        const auto import = [&](QStringList& messages, GeometryDocument& document) {
            return DxfImporter(&document).importDxfFile(path, messages);
        };
        GeometryDocument document;
        QStringList messages;
        QVERIFY(!import(messages, document));
        QCOMPARE(messages, QStringList{QStringLiteral("The file %1 cannot be read: %2, more than the file holds.")
                                           .arg(QDir::toNativeSeparators(path), refusal)});
        QVERIFY(document.edges().isEmpty());
        QVERIFY(!document.isModified());

        const double growth = ResidentMemory::peakGrowthInChildMb([&] {
            GeometryDocument scratch;
            QStringList scratchMessages;
            import(scratchMessages, scratch);
        });
        QVERIFY2(growth >= 0 && growth < 16, qPrintable(QStringLiteral("%1 MB").arg(growth)));
    }

    // Every drawing of LibreCAD's part library imports without a crash (the sanitizer build
    // also finds leaks and bad reads here).
    void librecadLibrary()
    {
        QDirIterator files(s_librecadLibrary, {"*.dxf"}, QDir::Files, QDirIterator::Subdirectories);
        if (!files.hasNext())
            QSKIP("librecad-data is not installed (scripts/install-deps)");
        int imported = 0;
        int count = 0;
        while (files.hasNext())
        {
            const QString path = files.next();
            GeometryDocument document;
            QStringList messages;
            const bool ok = DxfImporter(&document).importDxfFile(path, messages);
            QCOMPARE(ok, !document.edges().isEmpty());
            imported += ok ? 1 : 0;
            ++count;
        }
        QVERIFY(count > 1000);
        QVERIFY2(imported > count * 9 / 10, qPrintable(QStringLiteral("%1 of %2").arg(imported).arg(count)));
    }

    void closedPolylineOfFourVertices()
    {
        const QString path = s_openscadData + "/dxf/lwpolyline-closed.dxf";
        if (!QFile::exists(path))
            QSKIP("openscad-testing-data is not installed (scripts/install-deps)");
        const QVector<GeometryI2DCurvePtr> curves = readCurves(path);
        QCOMPARE(curves.size(), 1);
        const auto polyline = boost::dynamic_pointer_cast<Geometry2DPolyline>(curves.first());
        QVERIFY(polyline);
        // Three vertices and, for the closed flag, the first once more.
        QCOMPARE(polyline->vertices().size(), 4);
        QCOMPARE(polyline->startPoint(), polyline->endPoint());
    }
};

TALVEX_TEST(tst_DxfImporter)
#include "tst_DxfImporter.moc"

#include "DxfCountCheck.h"
#include "TestRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace
{
// A drawing of the given ENTITIES section; its first entity's first group is on line 5.
QByteArray drawing(const QByteArray& entities)
{
    return "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

const QByteArray s_lineEntity = "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n1\n21\n0\n";

// A LWPOLYLINE announcing `count` vertices, followed by `vertices` of them (two groups each).
QByteArray lwpolyline(const QByteArray& count, int vertices)
{
    QByteArray entity = "0\nLWPOLYLINE\n8\n0\n90\n" + count + "\n70\n1\n";
    for (int i = 0; i < vertices; ++i)
        entity += "10\n" + QByteArray::number(i) + "\n20\n" + QByteArray::number(i * i) + "\n";
    return entity;
}

// The refusal of a count whose group code is on the given line.
QString refusal(const QString& entity, int code, const QString& count, const QString& items, int line)
{
    return QStringLiteral("its %1 announces %2 %3 in group %4 on line %5, more than the file holds.")
        .arg(entity, count, items)
        .arg(code)
        .arg(line);
}
}

class tst_DxfCountCheck : public QObject
{
    Q_OBJECT

private slots:
    // Files as bytes, and the refusal, empty where dxflib may read the file as it is. Counts
    // are compared with the groups that follow them within their entity: each announced item
    // takes at least one group there.
    void counts_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("refusal");

        QTest::newRow("true counts") << drawing(lwpolyline("3", 3) + "0\nLEADER\n8\n0\n76\n2\n10\n0\n20\n0\n10\n1\n20\n1\n"
                                                "0\nSPLINE\n8\n0\n72\n4\n73\n2\n74\n0\n40\n0\n40\n0\n40\n1\n40\n1\n"
                                                "10\n0\n20\n0\n30\n0\n10\n1\n20\n1\n30\n0\n")
                                     << QString();
        QTest::newRow("a vertex more than the polyline has") << drawing(lwpolyline("4", 3)) << QString();
        QTest::newRow("a vertex fewer") << drawing(lwpolyline("2", 3)) << QString();
        // The count's group is on line 9; one group (70) follows it within the entity.
        QTest::newRow("as many as the groups that follow") << drawing(lwpolyline("1", 0) + s_lineEntity) << QString();
        QTest::newRow("one more than the groups that follow")
            << drawing(lwpolyline("2", 0) + s_lineEntity) << refusal("LWPOLYLINE", 90, "2", "vertices", 9);
        // The groups of the entities after it are not its own.
        QTest::newRow("the rest of the file is not the entity's")
            << drawing(lwpolyline("10", 1) + s_lineEntity + s_lineEntity) << refusal("LWPOLYLINE", 90, "10", "vertices", 9);
        QTest::newRow("LWPOLYLINE, 50 million vertices")
            << drawing(lwpolyline("50000000", 4)) << refusal("LWPOLYLINE", 90, "50000000", "vertices", 9);
        QTest::newRow("LEADER") << drawing("0\nLEADER\n8\n0\n76\n50000000\n10\n0\n20\n0\n")
                                << refusal("LEADER", 76, "50000000", "vertices", 9);
        QTest::newRow("SPLINE knots") << drawing("0\nSPLINE\n8\n0\n72\n50000000\n73\n1\n40\n0\n10\n0\n20\n0\n30\n0\n")
                                      << refusal("SPLINE", 72, "50000000", "knots", 9);
        QTest::newRow("SPLINE control points") << drawing("0\nSPLINE\n8\n0\n72\n1\n73\n50000000\n40\n0\n10\n0\n20\n0\n")
                                               << refusal("SPLINE", 73, "50000000", "control points", 11);
        QTest::newRow("SPLINE fit points") << drawing("0\nSPLINE\n8\n0\n74\n50000000\n11\n0\n21\n0\n")
                                           << refusal("SPLINE", 74, "50000000", "fit points", 9);
        // dxflib narrows the number to an int: 0x17fffffff becomes the largest int.
        QTest::newRow("past the range of an int") << drawing(lwpolyline("6442450943", 2))
                                                  << refusal("LWPOLYLINE", 90, "6442450943", "vertices", 9);
        QTest::newRow("narrowed to zero") << drawing(lwpolyline("4294967296", 2)) << QString();
        QTest::newRow("negative") << drawing(lwpolyline("-50000000", 2)) << QString();
        QTest::newRow("not a number") << drawing(lwpolyline("many", 2)) << QString();
        QTest::newRow("digits and more") << drawing(lwpolyline(" 50000000 vertices", 2))
                                         << refusal("LWPOLYLINE", 90, "50000000", "vertices", 9);
        QTest::newRow("the last of several counts") << drawing("0\nLWPOLYLINE\n8\n0\n90\n1\n90\n50000000\n10\n0\n20\n0\n")
                                                    << refusal("LWPOLYLINE", 90, "50000000", "vertices", 11);
        QTest::newRow("the codes of other entities") << drawing("0\nLINE\n90\n50000000\n72\n50000000\n10\n0\n20\n0\n11\n1\n21\n0\n"
                                                                "0\nHATCH\n91\n50000000\n93\n50000000\n"
                                                                "0\nLWPOLYLINE\n76\n50000000\n72\n50000000\n10\n0\n20\n0\n")
                                                     << QString();
        QTest::newRow("CR LF line ends") << drawing(lwpolyline("50000000", 1)).replace("\n", "\r\n")
                                         << refusal("LWPOLYLINE", 90, "50000000", "vertices", 9);
        QTest::newRow("read as a header variable") << QByteArray("0\nSECTION\n2\nHEADER\n9\nLWPOLYLINE\n90\n50000000\n0\nENDSEC\n0\nEOF\n")
                                                   << refusal("LWPOLYLINE", 90, "50000000", "vertices", 7);
        QTest::newRow("a count at the very end") << QByteArray("0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n90\n2\n")
                                                 << refusal("LWPOLYLINE", 90, "2", "vertices", 7);
        // dxflib keeps the value before when a group's value line is missing at the end.
        QTest::newRow("a code without its value takes the one before")
            << QByteArray("0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n8\n50000000\n90\n")
            << refusal("LWPOLYLINE", 90, "50000000", "vertices", 9);
        // dxflib reads a line of 1023 characters and more as several: here the end of the long
        // line is an empty group code 0 that starts a LWPOLYLINE on the lines after it, where a
        // reader of whole lines would see no such entity. Lines are numbered as dxflib reads
        // them, the long one as two.
        QTest::newRow("a count behind a line dxflib splits")
            << drawing("0\nTEXT\n1\n" + QByteArray(1023, 'x') + "\nLWPOLYLINE\n90\n50000000\n10\n0\n20\n0\n")
            << refusal("LWPOLYLINE", 90, "50000000", "vertices", 11);
        QTest::newRow("a long line that hides nothing")
            << drawing("0\nTEXT\n1\n" + QByteArray(1022, 'x') + "\n" + lwpolyline("1", 1)) << QString();
    }

    void counts()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = dir.filePath("drawing.dxf");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        QCOMPARE(DxfCountCheck::excessCount(QFile::encodeName(path).toStdString()), refusal);
    }

    void missingFileIsLeftToTheReader()
    {
        QTemporaryDir dir;
        QCOMPARE(DxfCountCheck::excessCount(QFile::encodeName(dir.filePath("none.dxf")).toStdString()), QString());
    }
};

TALVEX_TEST(tst_DxfCountCheck)
#include "tst_DxfCountCheck.moc"

// The DXF import of a large drawing: reading its curves, joining them into edges and adding them
// to a geometry document, beside dxflib's bare parse of the same file (an adapter that keeps
// nothing). The drawing is made here: squares of four LINE entities each, their sides in a
// shuffled order and direction, so the joining finds every corner the hard way.
#include "BenchSupport.h"
#include "DxfImporter.h"
#include "GeometryDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <dl_creationadapter.h>
#include <dl_dxf.h>
#include <random>

namespace
{
const int s_squares = 25000;

struct Drawing
{
    QTemporaryDir folder;
    QString fileName;
};

void writeLine(QTextStream& out, double x0, double y0, double x1, double y1)
{
    out << "0\nLINE\n8\n0\n10\n" << x0 << "\n20\n" << y0 << "\n30\n0\n11\n" << x1 << "\n21\n" << y1 << "\n31\n0\n";
}

// One square's four sides, in a random order and direction each.
Drawing& drawing()
{
    static Drawing s_drawing;
    if (!s_drawing.fileName.isEmpty())
        return s_drawing;
    s_drawing.fileName = s_drawing.folder.filePath("squares.dxf");
    QFile file(s_drawing.fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        qFatal("Cannot write %s", qPrintable(s_drawing.fileName));
    QTextStream out(&file);
    out.setRealNumberPrecision(10);
    out << "0\nSECTION\n2\nENTITIES\n";
    struct Side
    {
        double x0, y0, x1, y1;
    };
    std::vector<Side> sides;
    sides.reserve(4 * s_squares);
    const int perRow = 200;
    for (int i = 0; i < s_squares; ++i)
    {
        const double x = 20.0 * (i % perRow);
        const double y = 20.0 * (i / perRow);
        sides.push_back({x, y, x + 10.0, y});
        sides.push_back({x + 10.0, y, x + 10.0, y + 10.0});
        sides.push_back({x + 10.0, y + 10.0, x, y + 10.0});
        sides.push_back({x, y + 10.0, x, y});
    }
    std::mt19937 random(42);
    std::shuffle(sides.begin(), sides.end(), random);
    for (const Side& side : sides)
    {
        if (random() % 2)
            writeLine(out, side.x0, side.y0, side.x1, side.y1);
        else
            writeLine(out, side.x1, side.y1, side.x0, side.y0);
    }
    out << "0\nENDSEC\n0\nEOF\n";
    return s_drawing;
}

void importWithJoining(benchmark::State& state)
{
    const QString fileName = drawing().fileName;
    for (auto _ : state)
    {
        GeometryDocument document;
        QStringList messages;
        if (!DxfImporter(&document).importDxfFile(fileName, messages) || document.edges().count() != s_squares)
        {
            state.SkipWithError("The drawing did not import as its squares");
            return;
        }
    }
}

void dxflibBareParse(benchmark::State& state)
{
    const std::string fileName = drawing().fileName.toStdString();
    for (auto _ : state)
    {
        DL_CreationAdapter nothing;
        DL_Dxf dxf;
        if (!dxf.in(fileName, &nothing))
        {
            state.SkipWithError("dxflib could not read the drawing");
            return;
        }
    }
}
}

BENCHMARK(importWithJoining)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(dxflibBareParse)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return BenchSupport::runRegistered(argc, argv);
}

// The DXF import of a large drawing: reading its curves, joining them into edges and adding them
// to a geometry document, beside dxflib's bare parse of the same file (an adapter that keeps
// nothing) and the look at its counts that precedes every import. The drawings are made here: squares of four LINE entities each, their sides in a
// shuffled order and direction, so the joining finds every corner the hard way; and one long
// contour of LINE entities in drawing order, from its far end back to its start (every line then
// joins the start of the chain), and shuffled in order and direction. The contour runs time both
// imports of the same file in each iteration and report the medians and their ratio.
#include "BenchSupport.h"
#include "DxfCountCheck.h"
#include "DxfImporter.h"
#include "GeometryDocument.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <map>
#include <dl_creationadapter.h>
#include <dl_dxf.h>
#include <random>

namespace
{
const int s_squares = BenchSupport::size(25000, 2500);

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

bool bareParse(const std::string& fileName)
{
    DL_CreationAdapter nothing;
    DL_Dxf dxf;
    return dxf.in(fileName, &nothing);
}

void dxflibBareParse(benchmark::State& state)
{
    const std::string fileName = drawing().fileName.toStdString();
    for (auto _ : state)
    {
        if (!bareParse(fileName))
        {
            state.SkipWithError("dxflib could not read the drawing");
            return;
        }
    }
}

// The pass over the drawing's groups that looks at its counts before dxflib reads it, part of
// every import.
void countCheck(benchmark::State& state)
{
    const std::string fileName = drawing().fileName.toStdString();
    for (auto _ : state)
    {
        if (!DxfCountCheck::excessCount(fileName).isEmpty())
        {
            state.SkipWithError("The check refused the drawing");
            return;
        }
    }
}

enum ContourOrder
{
    Drawn,
    FromTheFarEnd,
    Shuffled
};

// A closed contour of `lines` LINE entities on a circle, its points one drawing unit apart.
QString contour(int lines, ContourOrder order)
{
    static QTemporaryDir s_folder;
    static std::map<std::pair<int, int>, QString> s_files;
    QString& fileName = s_files[{lines, int(order)}];
    if (!fileName.isEmpty())
        return fileName;
    fileName = s_folder.filePath(QStringLiteral("contour-%1-%2.dxf").arg(lines).arg(int(order)));
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        qFatal("Cannot write %s", qPrintable(fileName));
    QTextStream out(&file);
    out.setRealNumberPrecision(12);
    out << "0\nSECTION\n2\nENTITIES\n";
    const double radius = lines / (2 * M_PI);
    const auto point = [&](int i) {
        const double angle = 2 * M_PI * (i % lines) / lines;
        return QPointF(radius * std::cos(angle), radius * std::sin(angle));
    };
    std::vector<int> sides(lines);
    for (int i = 0; i < lines; ++i)
        sides[i] = order == FromTheFarEnd ? lines - 1 - i : i;
    std::mt19937 random(7);
    if (order == Shuffled)
        std::shuffle(sides.begin(), sides.end(), random);
    for (int side : sides)
    {
        const bool turned = order == Shuffled && random() % 2;
        const QPointF from = point(turned ? side + 1 : side);
        const QPointF to = point(turned ? side : side + 1);
        writeLine(out, from.x(), from.y(), to.x(), to.y());
    }
    out << "0\nENDSEC\n0\nEOF\n";
    return fileName;
}

// Arguments: the number of lines and the ContourOrder. The timed part is our import; the
// counters give both medians in milliseconds and ours over dxflib's.
void contourImport(benchmark::State& state)
{
    const int lines = int(state.range(0));
    const QString fileName = contour(lines, ContourOrder(state.range(1)));
    std::vector<double> ours;
    std::vector<double> bare;
    for (auto _ : state)
    {
        QElapsedTimer timer;
        timer.start();
        if (!bareParse(fileName.toStdString()))
        {
            state.SkipWithError("dxflib could not read the drawing");
            return;
        }
        bare.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        GeometryDocument document;
        QStringList messages;
        const bool imported = DxfImporter(&document).importDxfFile(fileName, messages);
        ours.push_back(timer.nsecsElapsed() / 1e6);
        state.SetIterationTime(ours.back() / 1e3);
        if (!imported || document.edges().count() != 1 || document.edges().first()->curves().size() != lines)
        {
            state.SkipWithError("The contour did not import as one edge of all its lines");
            return;
        }
    }
    state.counters["ours_ms"] = BenchSupport::median(ours);
    state.counters["dxflib_ms"] = BenchSupport::median(bare);
    state.counters["ratio"] = BenchSupport::median(ours) / BenchSupport::median(bare);
}
}

BENCHMARK(importWithJoining)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(dxflibBareParse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(countCheck)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(contourImport)
    ->ArgsProduct({{10000, 100000}, {Drawn, FromTheFarEnd, Shuffled}})
    ->ArgNames({"lines", "order"})
    ->Iterations(BenchSupport::iterations(7))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return BenchSupport::runRegistered(argc, argv);
}


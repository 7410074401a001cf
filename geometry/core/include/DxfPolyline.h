#pragma once

#include <QVector>

// A polyline while the DXF parser reports its vertices: the header and the vertices so far.
struct DxfPolyline
{
    struct Vertex
    {
        double x;
        double y;
        double z;
        double bulge;
    };

    int number = 0;
    int m = 0;
    int n = 0;
    int flags = 0;
    QVector<Vertex> vertices;
};

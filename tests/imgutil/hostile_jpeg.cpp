#include "hostile_files.h"
#include "hostile_writers.h"


namespace hostile {

namespace {

void Put16(QByteArray &b, int v)
{
    b.append(char(v >> 8));
    b.append(char(v));
}

// A marker segment: the marker, its length and its data.
void Segment(QByteArray &out, int marker, const QByteArray &data)
{
    out.append(char(0xFF));
    out.append(char(marker));
    Put16(out, data.size() + 2);
    out.append(data);
}

// A Huffman table of one code, of one bit, for the value 0 (a DC
// difference of 0; an AC end of band).
QByteArray OneCodeTable(int classAndId)
{
    QByteArray t;
    t.append(char(classAndId));
    t.append(char(1));
    t.append(15, '\0');
    t.append(char(0));
    return t;
}

} // namespace

bool WriteJpegScans(const QString &path, int width, int height, int scans)
{
    QByteArray jpg("\xFF\xD8", 2);
    QByteArray dqt(1, '\0');
    dqt.append(64, char(1));
    Segment(jpg, 0xDB, dqt);
    QByteArray sof;
    sof.append(char(8));
    Put16(sof, height);
    Put16(sof, width);
    sof.append("\x01\x01\x11\x00", 4); // one component: id 1, 1 x 1, table 0
    Segment(jpg, 0xC2, sof);
    Segment(jpg, 0xC4, OneCodeTable(0x00));
    Segment(jpg, 0xC4, OneCodeTable(0x10));
    for (int i = 0; i < scans; ++i) {
        // Component 1 with tables 0; DC first, then coefficients 1 to 63.
        Segment(jpg, 0xDA, i == 0 ? QByteArray("\x01\x01\x00\x00\x00\x00", 6)
                                  : QByteArray("\x01\x01\x00\x01\x3F\x00", 6));
    }
    jpg.append("\xFF\xD9", 2);
    return SaveBytes(path, jpg);
}

std::vector<TCase> JpegCases()
{
    std::vector<TCase> cases;
    for (int scans : {500, 5000}) {
        TCase c;
        c.name = scans == 500 ? "JPEG 16384 x 16384 grey, progressive, 500 scans (5 KB)"
                              : "JPEG 16384 x 16384 grey, progressive, 5000 scans (50 KB)";
        c.ext = ".jpg";
        c.refused = true;
        c.write = [scans](const QString &path) { return WriteJpegScans(path, 16384, 16384, scans); };
        cases.push_back(c);
    }
    return cases;
}

} // namespace hostile

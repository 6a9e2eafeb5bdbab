#include "hostile_files.h"

#include <QFile>

namespace hostile {

std::vector<TCase> AllCases()
{
    std::vector<TCase> all;
    for (auto cases : {PngCases, JpegCases, BmpCases, Jpeg2000Cases, TiffCases, TgaCases,
                       SunRasterCases, PsdCases, VideoCases})
        for (TCase &c : cases())
            all.push_back(std::move(c));
    return all;
}

bool SaveBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
}

} // namespace hostile

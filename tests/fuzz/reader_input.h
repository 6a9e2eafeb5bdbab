// Shared by the picture-reader fuzz targets: one context and one temporary
// file per process, the input written there and read back as a file.
#pragma once

#include "RegStore.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QDir>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace FuzzReader {

inline VlmImgUt::TImgUt &Context()
{
    static VlmImgUt::TImgUt *ctx = [] {
        const QString folder = QDir::tempPath() + "/quibo-fuzz-" + QString::number(getpid());
        QDir().mkpath(folder);
        auto *c = new VlmImgUt::TImgUt("Vellamor\\quibo", TRegStore::InFolder(folder + "/reg"));
        c->optsDirty = false;
        return c;
    }();
    return *ctx;
}

// Writes the input to this process's file with the given extension.
inline QString WriteInput(const uint8_t *data, size_t size, const char *ext)
{
    const QString path = QDir::tempPath() + "/quibo-fuzz-" + QString::number(getpid()) + "/input" + ext;
    FILE *f = fopen(path.toLocal8Bit().constData(), "wb");
    if (!f)
        return QString();
    if (size)
        fwrite(data, 1, size, f);
    fclose(f);
    return path;
}

// Runs read on a fresh picture as readTarget, then drops it.
template <typename Read>
void ReadInto(Read read)
{
    VlmImgUt::TImgUt &ctx = Context();
    VlmImgUt::TDib *pic = new VlmImgUt::TDib;
    ctx.readTarget = pic;
    read(ctx);
    ctx.readTarget = nullptr;
    delete pic;
}

} // namespace FuzzReader

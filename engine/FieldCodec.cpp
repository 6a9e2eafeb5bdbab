#include "FieldCodec.h"

#include "TSettings.h"

#include <QByteArray>
#include <QIODevice>

#include <cstring>

namespace {

constexpr int StringPiece = 259;

bool ValidWidth(int width)
{
    return width >= 1 && width <= 4;
}

} // namespace

void FieldCodec::Store(uint8_t *out, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out[i] = uint8_t(value >> (8 * i));
}

uint32_t FieldCodec::Load(const uint8_t *in, int width)
{
    uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value |= uint32_t(in[i]) << (8 * i);
    return value;
}

// ---- Writer ------------------------------------------------------------------

TFieldWriter::TFieldWriter(QIODevice *device, const TSettings &settings)
    : dev(device), s(settings), good(device != nullptr)
{
}

bool TFieldWriter::PutBytes(const void *data, qint64 size)
{
    if (good && size > 0)
        good = dev->write(static_cast<const char *>(data), size) == size;
    return good;
}

bool TFieldWriter::PutSized(uint32_t value, int width)
{
    if (!ValidWidth(width))
        return good = false;
    uint8_t b[4];
    FieldCodec::Store(b, value, width);
    return PutBytes(b, width);
}

bool TFieldWriter::PutInt(int32_t value)
{
    return PutSized(uint32_t(value), s.intSize);
}

bool TFieldWriter::PutFlag(bool value)
{
    return PutSized(value ? 1 : 0, s.flagSize);
}

bool TFieldWriter::PutFloat(float value)
{
    if (s.floatSize != 4)
        return good = false;
    uint32_t u;
    std::memcpy(&u, &value, 4);
    return PutSized(u, 4);
}

bool TFieldWriter::PutColor(Color value)
{
    return PutSized(value == ColorNull ? 0u : uint32_t(value) & 0xFFFFFF, s.colorSize);
}

bool TFieldWriter::PutString(const QString &text)
{
    const QByteArray b = text.toUtf8();
    PutInt(int32_t(b.size()));
    return PutBytes(b.constData(), b.size());
}

bool TFieldWriter::PutBox(const TBoxRec &box)
{
    if (s.boxRecSize != 6 * s.intSize)
        return good = false;
    for (int32_t v : {box.id, box.x, box.y, box.front, box.left, box.top})
        PutInt(v);
    return good;
}

// ---- Reader ------------------------------------------------------------------

TFieldReader::TFieldReader(QIODevice *device, const TSettings &settings)
    : dev(device), s(settings), good(device != nullptr)
{
}

bool TFieldReader::GetBytes(void *data, qint64 size)
{
    if (good && size > 0)
        good = dev->read(static_cast<char *>(data), size) == size;
    return good;
}

bool TFieldReader::GetSized(uint32_t &value, int width)
{
    uint8_t b[4];
    if (!ValidWidth(width) || !GetBytes(b, width))
        return good = false;
    value = FieldCodec::Load(b, width);
    return true;
}

bool TFieldReader::GetSigned(int32_t &value, int width)
{
    uint32_t u;
    if (!GetSized(u, width))
        return false;
    value = int32_t(u);
    return true;
}

bool TFieldReader::GetInt(int32_t &value)
{
    return GetSigned(value, s.intSize);
}

bool TFieldReader::GetFlagOf(bool &value, bool strict)
{
    uint32_t u;
    if (!GetSized(u, s.flagSize))
        return false;
    if (strict && u > 1)
        return good = false;
    value = u != 0;
    return true;
}

bool TFieldReader::GetFlag(bool &value)
{
    return GetFlagOf(value, true);
}

bool TFieldReader::GetAnyFlag(bool &value)
{
    return GetFlagOf(value, false);
}

bool TFieldReader::GetFloat(float &value)
{
    uint32_t u;
    if (s.floatSize != 4 || !GetSized(u, 4))
        return good = false;
    std::memcpy(&value, &u, 4);
    return true;
}

bool TFieldReader::GetColor(Color &value)
{
    return GetSigned(value, s.colorSize);
}

bool TFieldReader::GetString(QString &text)
{
    text.clear();
    int32_t left;
    if (!GetInt(left))
        return false;
    QByteArray all;
    char piece[StringPiece];
    while (left > 0) {
        const int n = left < StringPiece ? int(left) : StringPiece;
        if (!GetBytes(piece, n))
            return false;
        const void *nul = std::memchr(piece, 0, size_t(n));
        all.append(piece, nul ? int(static_cast<const char *>(nul) - piece) : n);
        left -= n;
    }
    text = QString::fromUtf8(all);
    return true;
}

bool TFieldReader::GetBox(TBoxRec &box)
{
    if (s.boxRecSize != 6 * s.intSize)
        return good = false;
    int32_t v[6];
    for (int32_t &field : v)
        if (!GetInt(field))
            return false;
    box.id = v[0];
    box.x = v[1];
    box.y = v[2];
    box.front = v[3];
    box.left = v[4];
    box.top = v[5];
    return true;
}

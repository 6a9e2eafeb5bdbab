// The binary fields of the game's files: the options file, the interface
// block and saved games. Integers are little-endian in the width the
// settings record holds for their kind (intSize, flagSize, floatSize,
// colorSize, boxRecSize); fractions are 32-bit IEEE floats; a counted
// string is an int length and that many UTF-8 bytes with no terminator.
#pragma once

#include "Color.h"
#include "TBoxRec.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>

class QIODevice;
class TSettings;

namespace FieldCodec {

// The low `width` bytes (1 to 4) of a value, little-endian, and back.
void Store(uint8_t *out, uint32_t value, int width);
uint32_t Load(const uint8_t *in, int width);

} // namespace FieldCodec

// Writes fields one by one; the first write that does not complete clears
// ok(), and every later Put then does nothing and returns false.
class TFieldWriter {
public:
    TFieldWriter(QIODevice *device, const TSettings &settings);

    bool PutBytes(const void *data, qint64 size);   // a fixed string
    bool PutInt(int32_t value);
    bool PutFlag(bool value);                        // 0 or 1
    bool PutFloat(float value);
    bool PutColor(Color value);                      // its 24-bit value, the null colour as 0
    bool PutString(const QString &text);             // counted
    bool PutBox(const TBoxRec &box);                 // six ints: id, x, y, front, left, top
    bool ok() const { return good; }

private:
    bool PutSized(uint32_t value, int width);

    QIODevice *dev;
    const TSettings &s;
    bool good;
};

// Reads fields one by one; a short read clears ok(), and every later Get
// then fails. A failed Get leaves its target as it was (GetString empties
// it first).
class TFieldReader {
public:
    TFieldReader(QIODevice *device, const TSettings &settings);

    bool GetBytes(void *data, qint64 size);
    bool GetInt(int32_t &value);
    bool GetFlag(bool &value);         // strict: a value other than 0 or 1 fails
    bool GetAnyFlag(bool &value);      // lenient: any value other than 0 is set
    bool GetFloat(float &value);
    bool GetColor(Color &value);       // the stored value as it is
    // Counted: read in pieces of 259 bytes, each cut at its first NUL; a
    // length of 0 or less is the empty string.
    bool GetString(QString &text);
    bool GetBox(TBoxRec &box);
    bool ok() const { return good; }

private:
    bool GetSized(uint32_t &value, int width);
    bool GetSigned(int32_t &value, int width);
    bool GetFlagOf(bool &value, bool strict);

    QIODevice *dev;
    const TSettings &s;
    bool good;
};

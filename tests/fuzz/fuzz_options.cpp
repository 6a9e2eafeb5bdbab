// The options file on any bytes: read and merged into a settings record,
// then written out again from what was read.
#include "fuzz_util.h"
#include "TSettings.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::InputFile(data, size, "boxOpts.pcg");
    TSettings settings;
    settings.ReadOptionsFile(path);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    settings.WriteOptionsFile(out);
    return 0;
}

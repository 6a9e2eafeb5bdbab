// The stored interface block ("boxOps") on any bytes, loaded with the
// options: whatever was stored, the record ends with a known look, scale
// and button style.
#include "fuzz_util.h"
#include "RegStore.h"
#include "TSettings.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString store = fuzz::WorkFolder() + QStringLiteral("/store");
    const TRegStore where = TRegStore::InFolder(store);
    {
        TRegKey key = where.Open(QStringLiteral("Vellamor\\quibo"), TRegScope::User);
        key.WriteBinary(QStringLiteral("boxOps"), data, int(size));
        key.Flush();
    }
    TSettings settings;
    settings.imgUt = new VlmImgUt::TImgUt(QStringLiteral("Vellamor\\quibo"), where);
    settings.imgUt->optsDirty = false;
    settings.LoadOptions();
    settings.imgUt->optsDirty = false;
    const TInterfaceBlock &b = settings.interfaceBlock;
    if (!std::strchr("WSC", b.look) || b.look == 0 || !std::strchr("nljhegcs", b.scale) || b.scale == 0
        || b.buttonStyle > 1)
        std::abort();
    return 0;
}

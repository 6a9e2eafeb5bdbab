#include "Random.h"

#include <QRandomGenerator>

namespace {

// The game's generator, seeded once from the system.
class TSystemRandom : public TRandomSource {
public:
    TSystemRandom() : gen(QRandomGenerator::system()->generate()) {}
    int Draw(int n) override { return n > 0 ? int(gen.bounded(quint32(n))) : 0; }

private:
    QRandomGenerator gen;
};

TRandomSource &SystemSource()
{
    static TSystemRandom source;
    return source;
}

TRandomSource *current = nullptr;

} // namespace

int Random(int n)
{
    TRandomSource &source = current ? *current : SystemSource();
    int r = source.Draw(n);
    if (n <= 0)
        return 0;
    if (r < 0 || r >= n) {
        r %= n;
        if (r < 0)
            r += n;
    }
    return r;
}

TRandomScope::TRandomScope(TRandomSource &source) : previous(current)
{
    current = &source;
}

TRandomScope::~TRandomScope()
{
    current = previous;
}

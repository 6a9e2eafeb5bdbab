// The fuzz targets and seed writers of the ordinary build, by name: the
// tables are made by tests/fuzz/CMakeLists.txt and end with a null entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct FuzzTarget {
    const char *name;
    int (*run)(const uint8_t *data, size_t size);
    int (*init)(int *argc, char ***argv);   // null where the target has none
};

struct SeedWriter {
    const char *name;
    int (*write)(int argc, char **argv);
};

extern const FuzzTarget fuzzTargets[];
extern const SeedWriter seedWriters[];

// The entry of that name in a table, or null.
template <typename Entry>
const Entry *FindEntry(const Entry *table, const char *name)
{
    for (; table->name; ++table)
        if (std::strcmp(table->name, name) == 0)
            return table;
    return nullptr;
}

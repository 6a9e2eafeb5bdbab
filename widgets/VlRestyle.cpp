#include "VlRestyle.h"

#include <QWidget>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

struct Hook {
    int id;
    std::function<void()> fn;
};
std::vector<Hook> &hooks()
{
    static std::vector<Hook> list;
    return list;
}
int nextHookId = 1;

} // namespace

int VlAddRestyleHook(std::function<void()> hook)
{
    int id = nextHookId++;
    hooks().push_back({id, std::move(hook)});
    return id;
}

void VlRemoveRestyleHook(int id)
{
    auto &list = hooks();
    list.erase(std::remove_if(list.begin(), list.end(), [id](const Hook &h) { return h.id == id; }),
               list.end());
}

void VlRunRestyleHooks()
{
    // Copy: a hook may add or remove hooks.
    const std::vector<Hook> list = hooks();
    for (const Hook &h : list)
        if (h.fn)
            h.fn();
}

namespace {

struct Registration {
    const QWidget *control;
    std::function<void()> restyle;
};

std::vector<Registration> &registry()
{
    static std::vector<Registration> list;
    return list;
}

void restyleAll()
{
    // Copy the controls first: a restyle may create or destroy controls.
    std::vector<const QWidget *> controls;
    controls.reserve(registry().size());
    for (const Registration &r : registry())
        controls.push_back(r.control);
    for (const QWidget *c : controls) {
        auto &list = registry();
        auto it = std::find_if(list.begin(), list.end(), [c](const Registration &r) { return r.control == c; });
        if (it != list.end() && it->restyle) {
            std::function<void()> fn = it->restyle;
            fn();
        }
    }
}

} // namespace

void VlRegisterRestyle(const QWidget *control, std::function<void()> restyle)
{
    static bool hooked = false;
    if (!hooked) {
        VlAddRestyleHook(restyleAll);
        hooked = true;
    }
    VlUnregisterRestyle(control);
    registry().push_back({control, std::move(restyle)});
}

void VlUnregisterRestyle(const QWidget *control)
{
    auto &list = registry();
    list.erase(std::remove_if(list.begin(), list.end(), [control](const Registration &r) { return r.control == control; }),
               list.end());
}

int VlRestyleCount()
{
    return int(registry().size());
}

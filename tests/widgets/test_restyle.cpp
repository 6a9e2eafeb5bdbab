// A switch of look or scale repaints every kit control: Qt delivers the
// palette and font change of the switch to each, and the kit's own restyle
// runs only where a control keeps state that Qt does not update.
#include "VlArray.h"
#include "VlButton.h"
#include "VlDrop.h"
#include "VlEdit.h"
#include "VlOpt.h"
#include "VlScale.h"
#include "VlSlider.h"
#include "VlText.h"

#include <QApplication>
#include <QEvent>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

namespace {

// Counts the events of each type that reach a control or its children.
class EventCounter : public QObject {
public:
    explicit EventCounter(QWidget *control) : control(control) { qApp->installEventFilter(this); }
    ~EventCounter() override { qApp->removeEventFilter(this); }
    int Count(QEvent::Type t) const
    {
        auto it = counts.find(t);
        return it == counts.end() ? 0 : it->second;
    }
    void Clear() { counts.clear(); }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        for (QObject *p = o; p; p = p->parent())
            if (p == control) {
                ++counts[e->type()];
                break;
            }
        return false;
    }

private:
    QWidget *control;
    std::map<QEvent::Type, int> counts;
};

struct ControlCase {
    const char *name;
    std::function<QWidget *(QWidget *parent)> make;
};

const ControlCase controlCases[] = {
    {"VlSlider", [](QWidget *p) -> QWidget * { return new VlSlider(p); }},
    {"VlArray", [](QWidget *p) -> QWidget * { return new VlArray(p); }},
    {"VlOpt", [](QWidget *p) -> QWidget * { return new VlOpt(p); }},
    {"VlText", [](QWidget *p) -> QWidget * { return new VlText(p); }},
    {"VlDrop", [](QWidget *p) -> QWidget * { return new VlDrop(p); }},
    {"VlEditTx", [](QWidget *p) -> QWidget * { return new VlEditTx(p); }},
    {"VlButton", [](QWidget *p) -> QWidget * { return new VlButton(p); }},
};

struct Switch {
    const char *name;
    char look, scale;
    QEvent::Type change;
};

const Switch switches[] = {
    {"look W to S", 'S', 'n', QEvent::PaletteChange},
    {"scale n to l", 'W', 'l', QEvent::FontChange},
};

TEST(Restyle, EverySwitchReachesAndRepaintsEveryControl)
{
    for (const ControlCase &c : controlCases)
        for (const Switch &s : switches) {
            SCOPED_TRACE(std::string(c.name) + ", " + s.name);
            SetInterfaceScale(nullptr, 'W', 'n', false);
            auto window = std::make_unique<QWidget>();
            window->resize(200, 120);
            QWidget *control = c.make(window.get());
            control->setGeometry(10, 10, 120, 60);
            window->show();
            QApplication::processEvents();
            QApplication::processEvents();
            EventCounter counter(control);
            SetInterfaceScale(nullptr, s.look, s.scale, false);
            QApplication::processEvents();
            QApplication::processEvents();
            EXPECT_GT(counter.Count(s.change), 0);
            EXPECT_GT(counter.Count(QEvent::Paint), 0);
        }
    SetInterfaceScale(nullptr, 'W', 'n', false);
}

} // namespace

// A switch of look or scale made while a kit control is shown leaves it
// looking exactly as the same control built after the switch: Qt delivers
// the palette and font change of the switch to each control, and the kit's
// own restyle runs where a control keeps state that Qt does not update.
#include "screen_util.h"

#include "VlArray.h"
#include "VlButton.h"
#include "VlDrop.h"
#include "VlEdit.h"
#include "VlOpt.h"
#include "VlPanel.h"
#include "VlScale.h"
#include "VlSlider.h"
#include "VlText.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

// A control at its design rectangle in its panel.
template <class Ctl>
Ctl *Placed(Ctl *control)
{
    VlSetDesignRect(*control, 10, 10, 150, 70);
    return control;
}

// Each control filled as the game fills it, so that what a look or a scale
// changes in it shows: its text, a paper it paints, a disabled state.
struct ControlCase {
    const char *name;
    std::function<QWidget *(QWidget *parent)> make;
};

const ControlCase controlCases[] = {
    {"VlSlider",
     [](QWidget *p) -> QWidget * {
         auto *s = Placed(new VlSlider(p));
         s->setRange(0, 10);
         s->setValue(4);
         return s;
     }},
    {"VlArray",
     [](QWidget *p) -> QWidget * {
         auto *a = Placed(new VlArray(p));
         a->AddColumn(QStringLiteral("Name"), 60);
         a->AddColumn(QStringLiteral("Score"), 50);
         a->AddRow({QStringLiteral("Ann"), QStringLiteral("300")});
         a->AddRow({QStringLiteral("Bob"), QStringLiteral("200")});
         return a;
     }},
    {"VlOpt",
     [](QWidget *p) -> QWidget * {
         auto *o = Placed(new VlOpt(p));
         o->setText(QStringLiteral("Sounds"));
         o->Set(true);
         return o;
     }},
    {"VlText",
     [](QWidget *p) -> QWidget * {
         auto *t = Placed(new VlText(p));
         t->SetText(QStringLiteral("Moves"));
         return t;
     }},
    {"VlDrop",
     [](QWidget *p) -> QWidget * {
         auto *d = Placed(new VlDrop(p));
         d->AddItem(0, QStringLiteral("Normal"));
         d->AddItem(1, QStringLiteral("Large"));
         return d;
     }},
    {"VlEditTx on its paper",
     [](QWidget *p) -> QWidget * {
         auto *e = Placed(new VlEditTx(p));
         e->SetColors(0x000000, false);
         e->setText(QStringLiteral("Mine"));
         return e;
     }},
    {"VlEditTx disabled",
     [](QWidget *p) -> QWidget * {
         auto *e = Placed(new VlEditTx(p));
         e->setText(QStringLiteral("Mine"));
         e->setEnabled(false);
         return e;
     }},
    {"VlEditNo on its paper",
     [](QWidget *p) -> QWidget * {
         auto *e = Placed(new VlEditNo(p));
         e->SetColors(0x000000, false);
         e->SetInt(1234);
         return e;
     }},
    {"VlButton",
     [](QWidget *p) -> QWidget * {
         auto *b = Placed(new VlButton(p));
         b->setText(QStringLiteral("Go"));
         // As the game's buttons: a new button starts in the style of look
         // "W"; its colours bring in the current look's.
         b->SetColors(0xC0C0C0, 0, 0x2C2C65, 0x654221);
         return b;
     }},
    {"VlButton disabled",
     [](QWidget *p) -> QWidget * {
         auto *b = Placed(new VlButton(p));
         b->setText(QStringLiteral("Go"));
         b->SetColors(0xC0C0C0, 0, 0x2C2C65, 0x654221);
         b->setEnabled(false);
         return b;
     }},
};

struct Interface {
    char look, scale;
    bool altButtons;
};

struct Switch {
    const char *name;
    Interface from, to;
};

const Switch switches[] = {
    {"look W to S", {'W', 'n', false}, {'S', 'n', false}},
    {"look S to W", {'S', 'n', false}, {'W', 'n', false}},
    {"look W to C, other button style", {'W', 'n', false}, {'C', 'n', true}},
    {"look S, other button style", {'S', 'n', false}, {'S', 'n', true}},
    {"scale n to l", {'W', 'n', false}, {'W', 'l', false}},
    {"scale g to n, look S to W", {'S', 'g', false}, {'W', 'n', false}},
};

// The switch as the game makes it: the look and the scale, then the
// panels place and re-font their controls for the scale.
void Use(const Interface &i, VlPanel *panel = nullptr)
{
    SetInterfaceScale(nullptr, i.look, i.scale, i.altButtons);
    if (panel)
        panel->Rescale(false);
}

// A panel window holding the control of a case, built under the current
// look and scale as the game builds it, and shown away from the pointer.
struct Shown {
    std::unique_ptr<VlPanel> panel;
    QWidget *control;

    explicit Shown(const ControlCase &c)
    {
        panel = std::make_unique<VlPanel>();
        panel->setAttribute(Qt::WA_ShowWithoutActivating);
        panel->setGeometry(200, 200, 520, 320);
        control = c.make(panel.get());
        panel->Rescale(false);
        panel->show();
    }
};

TEST(Restyle, ALiveSwitchLooksAsTheControlBuiltAfterIt)
{
    // No blinking text cursor between two shots.
    const int flash = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    MovePointer(QPoint(5, 5));
    for (const ControlCase &c : controlCases) {
        int changed = 0;
        for (const Switch &s : switches) {
            SCOPED_TRACE(std::string(c.name) + ", " + s.name);
            Use(s.from);
            Shown live(c);
            const QImage before = OnScreen(live.control);
            Use(s.to, live.panel.get());
            const QImage switched = OnScreen(live.control);
            live.panel.reset();

            Shown fresh(c);
            const QImage built = OnScreen(fresh.control);
            ASSERT_FALSE(built.isNull());
            EXPECT_TRUE(switched == built) << "the control shown during the switch differs from one built after it";
            changed += before != built;
        }
        // The case shows what a switch changes, else it proves nothing.
        EXPECT_GT(changed, 0) << c.name;
    }
    Use({'W', 'n', false});
    QApplication::setCursorFlashTime(flash);
}

} // namespace

// Kit buttons: the looks of the three looks in their states, checked on
// grabbed pixels; colours, skin pictures, restyling and keyboard focus.
#include "test_kit_common.h"
#include "screen_util.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

namespace {

constexpr COLORREF PanelColour = 0x0000FF;

// A button "Go" on a red panel, shown on the screen; the pointer is moved
// for real (the highlight follows where it is), the press is the event Qt
// would send.
struct ButtonBoard {
    VlPanel panel;
    VlButton *button;

    explicit ButtonBoard(QPoint at = QPoint(300, 300))
    {
        Away();
        panel.SetDesignRect(0, 0, 100, 40, true);
        panel.color = panel.ownColor = Color(PanelColour);
        button = new VlButton(&panel);
        button->SetDesignRect(10, 10, 60, 22);
        button->setText(QStringLiteral("Go"));
        // A new button starts in the style of look "W"; its colours bring
        // in the current look's.
        button->SetColors(0xC0C0C0, 0, 0x2C2C65, 0x654221);
        panel.move(at);
        panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }

    static void Away() { MovePointer(QPoint(5, 5)); }
    void Hover() { QTest::mouseMove(button, QPoint(30, 11)); }
    void Press()
    {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(30, 11), button->mapToGlobal(QPointF(30, 11)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &e);
    }
    // The panel's pixels over the button.
    QImage Shot() { return Grab(&panel).copy(button->geometry()); }
};

struct LookCase {
    char look;
    bool alt;
    std::optional<COLORREF> normal, hot, pressed;   // nullopt: the panel shows through
    COLORREF text;
};

} // namespace

TEST_F(KitTest, ButtonLooksInTheirStates)
{
    const LookCase cases[] = {
        {'W', false, std::nullopt, 0x654221, 0x2C2C65, 0xC0C0C0},
        {'W', true, std::nullopt, 0x654221, 0x2C2C65, 0xC0C0C0},
        {'X', true, std::nullopt, 0x654221, 0x2C2C65, 0xC0C0C0},
        {'C', false, std::nullopt, 0x8A5C28, 0x3838BC, 0x000000},
        {'S', false, 0xBFBFBF, 0x8A5C28, 0x3838BC, 0x000000},
    };
    for (const LookCase &c : cases) {
        SCOPED_TRACE(std::string(1, c.look) + (c.alt ? " alt" : ""));
        SetInterfaceScale(nullptr, c.look, 'n', c.alt);
        ButtonBoard b;
        const int state[3] = {VlButtonStyle::Normal, VlButtonStyle::Hot, VlButtonStyle::Pressed};
        const std::optional<COLORREF> want[3] = {c.normal, c.hot, c.pressed};
        for (int i = 0; i < 3; ++i) {
            if (i == 1)
                b.Hover();
            if (i == 2)
                b.Press();
            ASSERT_EQ(b.button->VisualState(), state[i]);
            const QImage shot = b.Shot();
            if (qEnvironmentVariableIsSet("KIT_DUMP"))
                shot.scaled(shot.size() * 8).save(QString("/tmp/kit-%1%2-%3.png").arg(c.look).arg(c.alt).arg(i));
            const COLORREF expected = want[i].value_or(PanelColour);
            // Corners and edges away from the label.
            for (QPoint p : {QPoint(2, 2), QPoint(57, 3), QPoint(3, 19), QPoint(56, 18)})
                EXPECT_EQ(At(shot, p.x(), p.y()), expected) << "state " << i << " at " << p.x() << "," << p.y();
            EXPECT_TRUE(HasColourNear(shot, QRect(15, 3, 30, 16), c.text, 40)) << "label ink in state " << i;
        }
    }
}

TEST_F(KitTest, EdgeStyleLooksUnderTheButtonStyleFlag)
{
    // "C" takes the edge style as it is; "S" swaps its normal and hot looks.
    for (char look : {'C', 'S'}) {
        SCOPED_TRACE(std::string(1, look));
        SetInterfaceScale(nullptr, look, 'n', true);
        ButtonBoard alt(QPoint(300, 300));
        ButtonBoard edge(QPoint(300, 400));
        edge.button->SetStyle(VlButtonStyle::StyleEdge());
        const QImage altNormal = alt.Shot();
        const QImage edgeNormal = edge.Shot();
        alt.Hover();
        const QImage altHot = alt.Shot();
        edge.Hover();
        const QImage edgeHot = edge.Shot();
        alt.Press();
        edge.Press();
        const QImage altPressed = alt.Shot();
        const QImage edgePressed = edge.Shot();

        EXPECT_NE(At(altNormal, 2, 2), PanelColour) << "the edge face is drawn";
        if (look == 'C') {
            EXPECT_EQ(altNormal, edgeNormal);
            EXPECT_EQ(altHot, edgeHot);
        } else {
            EXPECT_EQ(altNormal, edgeHot);
            EXPECT_EQ(altHot, edgeNormal);
            EXPECT_EQ(alt.button->style.look[VlButtonStyle::Disabled].state, 1);
        }
        EXPECT_EQ(altPressed, edgePressed);
        EXPECT_NE(edgeNormal, edgeHot);
        EXPECT_NE(edgeNormal, edgePressed);
        EXPECT_TRUE(HasColourNear(altNormal, QRect(15, 3, 30, 16), 0x000000, 40));
    }
}

TEST_F(KitTest, NewButtonDefaults)
{
    VlButton b;
    EXPECT_EQ(b.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(b.ink, 0xC0C0C0);
    EXPECT_EQ(b.face, 0x2C2C65);
    EXPECT_EQ(b.hot, 0x654221);
    EXPECT_EQ(b.third, 0x3838BC);
    EXPECT_EQ(b.style.look[VlButtonStyle::Normal].kind, VlButtonLook::Picture);
    EXPECT_EQ(b.style.look[VlButtonStyle::Disabled].kind, VlButtonLook::Picture);
    for (Color c : b.style.textColor)
        EXPECT_EQ(c, 0xC0C0C0);
}

TEST_F(KitTest, SetColorsAppliesTheStyleOfTheCurrentLook)
{
    struct Case {
        char look;
        Color text;
        Color pressed;
    };
    for (const Case &c : {Case{'W', 0x65DEDE, 0x2C2C6F}, Case{'C', 0x000000, 0x3838BC}, Case{'S', 0x000000, 0x3838BC}}) {
        SCOPED_TRACE(std::string(1, c.look));
        SetInterfaceScale(nullptr, c.look, 'n', false);
        VlButton b;
        b.SetColors(0x65DEDE, 0, 0x2C2C6F, 0x654221);
        EXPECT_EQ(b.style.textColor[VlButtonStyle::Normal], c.text);
        EXPECT_EQ(b.style.look[VlButtonStyle::Pressed].colour, c.pressed);
        EXPECT_EQ(b.ink, 0x65DEDE);
        EXPECT_EQ(b.face, 0x2C2C6F);
    }
}

TEST_F(KitTest, LookSwitchRestylesLiveButtons)
{
    const int before = VlRestyleCount();
    auto *gone = new VlButton;
    delete gone;
    EXPECT_EQ(VlRestyleCount(), before);

    VlButton b;
    b.SetColors(0x65DEDE, 0, 0x2C2C6F, 0x654221);
    SetInterfaceScale(nullptr, 'S', 'n', false);
    EXPECT_EQ(b.style.look[VlButtonStyle::Normal].kind, VlButtonLook::Colour);
    EXPECT_EQ(b.style.look[VlButtonStyle::Normal].colour, 0xBFBFBF);
    SetInterfaceScale(nullptr, 'C', 'n', false);
    EXPECT_EQ(b.style.look[VlButtonStyle::Hot].colour, 0x8A5C28);
    EXPECT_EQ(b.style.textColor[0], VlSkinInk);
    SetInterfaceScale(nullptr, 'W', 'n', false);
    EXPECT_EQ(b.style.look[VlButtonStyle::Hot].colour, 0x654221);
    EXPECT_EQ(b.style.textColor[0], 0x65DEDE);
}

TEST_F(KitTest, SetSkinImageFollowsTheScale)
{
    struct Case {
        char scale;
        const char *name;
        char mode;
        int size;   // 0: the picture stays as it was
        bool mono;
    };
    const Case cases[] = {
        {'j', "about", 'W', 22, false}, {'n', "about", 'W', 16, false}, {'h', "lfbox", 'W', 27, false},
        {'c', "exit", 'W', 48, false},  {'s', "exit", 'W', 64, false},  {'g', "Min", 'M', 38, true},
        {'j', "Pop", 'W', 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(1, c.scale) + " " + c.name);
        SetInterfaceScale(nullptr, 'W', c.scale, false);
        VlButton b;
        QImage before(5, 5, QImage::Format_ARGB32);
        before.fill(Qt::green);
        b.SetImage(before);
        b.SetSkinImage(QString::fromLatin1(c.name), c.mode);
        if (c.size == 0) {
            EXPECT_EQ(b.Image(), before);
        } else {
            EXPECT_EQ(b.Image().size(), QSize(c.size, c.size));
            EXPECT_EQ(b.IsMonochrome(), c.mono);
        }
    }
}

TEST_F(KitTest, ButtonPictureIsDrawnCentred)
{
    ButtonBoard b;
    b.button->setText(QString());
    QImage pic(8, 8, QImage::Format_ARGB32);
    pic.fill(QColor(0, 255, 0));
    b.button->SetImage(pic);
    const QImage shot = b.Shot();
    EXPECT_EQ(At(shot, 30, 11), 0x00FF00u);
    EXPECT_EQ(At(shot, 2, 2), PanelColour);
    b.button->SetImage(pic, true);
    EXPECT_EQ(At(b.Shot(), 30, 11), 0xC0C0C0u) << "a monochrome picture takes the text colour";
}

TEST_F(KitTest, ClickLeavesTheKeyboardFocusWhereItWas)
{
    QWidget win;
    win.resize(200, 100);
    auto *edit = new QLineEdit(&win);
    edit->setGeometry(5, 5, 80, 20);
    auto *kit = new VlButton(&win);
    kit->SetDesignRect(5, 40, 60, 22);
    auto *plain = new QPushButton(QStringLiteral("plain"), &win);
    plain->setGeometry(100, 40, 60, 22);
    int clicks = 0;
    QObject::connect(kit, &QAbstractButton::clicked, [&] { ++clicks; });
    win.show();
    win.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&win));
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());

    QTest::mouseClick(kit, Qt::LeftButton, Qt::NoModifier, QPoint(30, 11));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), edit);

    QTest::mouseClick(kit, Qt::RightButton, Qt::NoModifier, QPoint(30, 11));
    EXPECT_EQ(clicks, 1) << "a right click does nothing";
    EXPECT_TRUE(edit->hasFocus());

    // The same click on a QPushButton takes the focus.
    QTest::mouseClick(plain, Qt::LeftButton, Qt::NoModifier, QPoint(30, 11));
    EXPECT_EQ(QApplication::focusWidget(), plain);
}

TEST_F(KitTest, ButtonMoveShowsTheArrow)
{
    ButtonBoard b;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QTest::mouseMove(b.button, QPoint(5, 5));
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    EXPECT_EQ(b.button->VisualState(), VlButtonStyle::Hot);
}

namespace {

// A popup list lying over a control: a click on it closes it and asks a
// question, as a list entry that starts a new game does.
class AskingPopup : public QWidget {
public:
    std::function<void()> ask;
    AskingPopup() : QWidget(nullptr, Qt::Popup) {}

protected:
    void mouseReleaseEvent(QMouseEvent *) override
    {
        hide();
        ask();
    }
};

// A control on a shown window, highlighted with the pointer at `over` (in
// its coordinates), under such a popup; the prompt is closed with Enter.
// The control shows where the pointer is then, and a later move away is not
// lost.
void CheckHighlightAcrossAModalPrompt(QWidget *control, const QPoint &over)
{
    const QImage normal = OnScreen(control);
    MovePointer(control->mapToGlobal(over));
    const QImage hot = OnScreen(control);
    ASSERT_NE(normal, hot);
    ButtonBoard::Away();
    ASSERT_EQ(OnScreen(control), normal);

    // The pointer stays where the popup was (over the control) or goes away
    // while the prompt is open.
    for (bool awayDuringPrompt : {false, true}) {
        SCOPED_TRACE(awayDuringPrompt ? "away during the prompt" : "on the control when the prompt closes");
        AskingPopup popup;
        popup.setGeometry(QRect(control->mapToGlobal(QPoint(0, 0)), control->size()));
        popup.ask = [&] {
            QMessageBox box(QMessageBox::Question, QStringLiteral("quibo"), QStringLiteral("Sure?"),
                            QMessageBox::Ok | QMessageBox::Cancel, control->window());
            QTimer::singleShot(0, &box, [&] {
                if (awayDuringPrompt)
                    ButtonBoard::Away();
                QTest::keyClick(&box, Qt::Key_Return);
            });
            box.exec();
        };
        popup.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
        QWindow *list = popup.windowHandle();
        MovePointer(popup.mapToGlobal(over));
        QTest::mouseClick(list, Qt::LeftButton, Qt::NoModifier, over);
        EXPECT_EQ(OnScreen(control), awayDuringPrompt ? normal : hot) << "when the prompt has closed";
        ButtonBoard::Away();
        EXPECT_EQ(OnScreen(control), normal) << "after the pointer left";
    }
}

} // namespace

TEST_F(KitTest, HighlightFollowsThePointerAcrossAModalPrompt)
{
    {
        SCOPED_TRACE("button");
        ButtonBoard b;
        b.Hover();
        ASSERT_EQ(At(OnScreen(b.button), 2, 2), 0x654221u);
        ButtonBoard::Away();
        CheckHighlightAcrossAModalPrompt(b.button, QPoint(30, 11));
    }
    {
        SCOPED_TRACE("drop list's button");
        ButtonBoard b;
        b.button->hide();
        auto *drop = new VlDrop(&b.panel);
        VlSetDesignRect(*drop, 0, 0, 100, 21);
        drop->AddItem(0, "Normal");
        drop->show();
        CheckHighlightAcrossAModalPrompt(drop, drop->ButtonRect().center());
    }
    {
        SCOPED_TRACE("slider");
        ButtonBoard b;
        b.button->hide();
        auto *slider = new VlSlider(&b.panel);
        VlSetDesignRect(*slider, 0, 0, 100, 30);
        slider->show();
        CheckHighlightAcrossAModalPrompt(slider, slider->ThumbRect().center());
    }
}

TEST_F(KitTest, ButtonArrivingUnderThePointerIgnoresPressesForTheDoubleClickInterval)
{
    // A double click where the button arrives (shown or moved there) after
    // the first click; a button that was there all along takes both clicks.
    // The double click comes well within an interval of a minute, however
    // busy the machine; the click after it comes once the interval is over,
    // with the interval set to none.
    struct Case {
        const char *name;
        bool hiddenFirst;     // shown at its place after the pointer got there
        bool elsewhereFirst;  // moved to its place after the pointer got there
        bool pointerAfter;    // the pointer moves onto it after it arrived
        int clicks;
    };
    const Case cases[] = {
        {"there all along", false, false, false, 2},
        {"shown under the pointer", true, false, false, 0},
        {"moved under the pointer", false, true, false, 0},
        {"pointer moved onto it after it was shown", true, false, true, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ButtonBoard b;
        int clicks = 0;
        QObject::connect(b.button, &QAbstractButton::clicked, [&] { ++clicks; });
        const QPoint place = b.button->pos();
        const QPoint at = place + QPoint(30, 11);   // in the panel
        if (c.hiddenFirst)
            b.button->hide();
        if (c.elsewhereFirst)
            b.button->move(place + QPoint(0, 40));
        if (!c.pointerAfter)
            MovePointer(b.panel.mapToGlobal(at));
        b.button->show();
        b.button->move(place);
        if (c.pointerAfter)
            MovePointer(b.panel.mapToGlobal(at));
        QWindow *win = b.panel.windowHandle();
        {
            const TDoubleClickInterval within(60000);
            // Its first press two minutes of event time after the last click,
            // so that Qt does not pair the two.
            QTest::mouseDClick(win, Qt::LeftButton, Qt::NoModifier, at, 120000);
        }
        EXPECT_EQ(clicks, c.clicks);
        {
            const TDoubleClickInterval over(0);
            QTest::mouseClick(win, Qt::LeftButton, Qt::NoModifier, at);
        }
        EXPECT_EQ(clicks, c.clicks + 1) << "a click after the interval counts";
    }
}

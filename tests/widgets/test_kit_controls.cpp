// Text, option, edit, drop-list, slider and table controls, and OnCancel.
#include "test_kit_common.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

// ---- VlEditNo -----------------------------------------------------------------

namespace {

struct KeyCase {
    int key;
    const char *text;
    Qt::KeyboardModifiers mods;
    bool handled;
};

// Sends one key press straight to the field; whether it was handled.
bool press(QWidget *w, int key, const QString &text, Qt::KeyboardModifiers mods)
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    e.setAccepted(true);
    QCoreApplication::sendEvent(w, &e);
    return e.isAccepted();
}

} // namespace

TEST_F(KitTest, EditNoKeyFilter)
{
    const KeyCase cases[] = {
        {Qt::Key_1, "1", Qt::NoModifier, true},
        {Qt::Key_0, "0", Qt::NoModifier, true},
        {Qt::Key_9, "9", Qt::KeypadModifier, true},
        {Qt::Key_Minus, "-", Qt::NoModifier, true},
        {Qt::Key_Space, " ", Qt::NoModifier, true},
        {Qt::Key_Plus, "+", Qt::NoModifier, false},
        {Qt::Key_Period, ".", Qt::NoModifier, false},
        {Qt::Key_A, "a", Qt::NoModifier, false},
        {Qt::Key_E, "E", Qt::ShiftModifier, false},
        {Qt::Key_Home, "", Qt::NoModifier, false},
        {Qt::Key_End, "", Qt::NoModifier, false},
        {Qt::Key_Up, "", Qt::NoModifier, false},
        {Qt::Key_Return, "\r", Qt::NoModifier, false},
        {Qt::Key_Escape, "\x1b", Qt::NoModifier, false},
        {Qt::Key_V, "\x16", Qt::ControlModifier, false},
        {Qt::Key_A, "\x01", Qt::ControlModifier, false},
        {Qt::Key_1, "1", Qt::AltModifier, false},
        {Qt::Key_Left, "", Qt::ShiftModifier, false},
        {Qt::Key_Backspace, "\b", Qt::NoModifier, true},
        {Qt::Key_Left, "", Qt::NoModifier, true},
        {Qt::Key_Right, "", Qt::NoModifier, true},
        {Qt::Key_Delete, "\x7f", Qt::NoModifier, true},
    };
    for (const KeyCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.key) + " " + c.text);
        VlEditNo edit;
        edit.setText(QStringLiteral("42"));
        edit.setCursorPosition(1);
        const bool handled = press(&edit, c.key, QString::fromLatin1(c.text), c.mods);
        EXPECT_EQ(handled, c.handled);
        if (!c.handled) {
            EXPECT_EQ(edit.text(), QStringLiteral("42"));
            EXPECT_EQ(edit.cursorPosition(), 1);
        }
    }
}

TEST_F(KitTest, EditNoTypedTextAndItsValue)
{
    VlEditNo edit;
    for (QChar c : QStringLiteral("-12+.a"))
        press(&edit, 0, QString(c), Qt::NoModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("-12"));
    EXPECT_EQ(edit.GetInt(), std::optional<int32_t>(-12));
    EXPECT_EQ(edit.focusPolicy(), Qt::ClickFocus);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_1, Qt::NoModifier, "1");
    QCoreApplication::sendEvent(&edit, &release);
    EXPECT_FALSE(release.isAccepted());
}

TEST_F(KitTest, EditNoReadsOnlyValidIntegers)
{
    struct Case {
        const char *text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"12", 12},
        {" -12\t", -12},
        {"007", 7},
        {"-0", 0},
        {"2147483647", 2147483647},
        {"-2147483647", -2147483647},
        {"2147483648", std::nullopt},
        {"-2147483648", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"1 2", std::nullopt},
        {"--1", std::nullopt},
        {"1-", std::nullopt},
        {"+5", std::nullopt},
        {"12a", std::nullopt},
    };
    VlEditNo edit;
    for (const Case &c : cases) {
        edit.setText(QString::fromLatin1(c.text));
        EXPECT_EQ(edit.GetInt(), c.value) << '"' << c.text << '"';
        EXPECT_EQ(edit.IsNull(), !c.value.has_value());
    }
    edit.SetInt(-77);
    EXPECT_EQ(edit.text(), QStringLiteral("-77"));
    edit.SetInt(std::nullopt);
    EXPECT_TRUE(edit.text().isEmpty());
}

TEST_F(KitTest, EditNoRefusesPastedAndDroppedTextTheFilterWouldStop)
{
    struct Case {
        const char *text;
        bool taken;
    };
    const Case cases[] = {
        {"123", true}, {"-5", true}, {" 7 ", true}, {"1\t2", true}, {"12a", false},
        {"1.5", false}, {"+3", false}, {"\xc2\xb2", false}, {"1e3", false}, {"", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const QString t = QString::fromUtf8(c.text);
        {
            VlEditNo edit;
            edit.setText(QStringLiteral("9"));
            edit.setCursorPosition(1);
            QApplication::clipboard()->setText(t);
            edit.paste();
            EXPECT_EQ(edit.text(), c.taken ? QStringLiteral("9") + t : QStringLiteral("9"));
        }
        {
            // The drop handler as a finished drag reaches it.
            struct DropTarget : VlEditNo {
                using VlEditNo::dropEvent;
            } edit;
            edit.setText(QStringLiteral("9"));
            QMimeData mime;
            mime.setText(t);
            QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            edit.dropEvent(&drop);
            if (!c.taken)
                EXPECT_EQ(edit.text(), QStringLiteral("9"));
            else
                EXPECT_TRUE(edit.text().contains(t));
        }
    }
}

TEST_F(KitTest, EditActionsFireOnlyForTheUser)
{
    VlEditTx edit;
    QSignalSpy spy(&edit, &VlEditBase::action);
    edit.setText(QStringLiteral("set in code"));
    EXPECT_EQ(spy.count(), 0);
    press(&edit, Qt::Key_X, QStringLiteral("x"), Qt::NoModifier);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(KitTest, EditDefaultsAndSetColors)
{
    VlEditTx edit;
    EXPECT_TRUE(edit.IsOwnStyleInstalled());
    EXPECT_EQ(edit.InstalledStyle().text, 0xC0C0C0);
    EXPECT_TRUE(edit.IsNoBackground());
    EXPECT_TRUE(edit.IsTransparent());
    EXPECT_EQ(edit.focusPolicy(), Qt::StrongFocus);

    VlPanel panel;
    panel.SetDesignRect(0, 0, 120, 30, true);
    panel.color = 0x0000FF;
    auto *e = new VlEditTx(&panel);
    VlSetDesignRect(*e, 5, 5, 100, 20);
    EXPECT_EQ(At(Grab(&panel), 50, 15), 0x0000FFu) << "no background: the panel shows";
    e->SetColors(0x000000, false);
    EXPECT_EQ(e->ownTextColor, 0x000000);
    EXPECT_EQ(e->InstalledStyle().text, 0x000000);
    EXPECT_FALSE(e->IsNoBackground());
    EXPECT_EQ(At(Grab(&panel), 50, 15), VlColorPaper()) << "the edit background is drawn";
}

// ---- VlDrop and VlDisplay -------------------------------------------------------------

namespace {

// Paints entry `row` of the drop list's list as the list would.
QImage paintEntry(VlDrop &drop, int row, bool selected)
{
    QImage img(80, 16, QImage::Format_ARGB32);
    img.fill(Qt::magenta);
    QPainter p(&img);
    QStyleOptionViewItem opt;
    opt.rect = QRect(0, 0, 80, 16);
    opt.state = QStyle::State_Enabled | (selected ? QStyle::State_Selected : QStyle::State_None);
    drop.view()->itemDelegate()->paint(&p, opt, drop.model()->index(row, 0));
    p.end();
    return img;
}

} // namespace

TEST_F(KitTest, DropAddItemGivesTheItemDisplayByKey)
{
    struct Case {
        std::vector<int> keys;
        std::vector<bool> installed;
    };
    const Case cases[] = {
        {{0, 1, 2}, {true, true, true}},
        {{5}, {false}},              // a key past the entries is ignored
        {{1, 0}, {true, false}},
        {{-1, 0}, {true, false}},
        {{0, 0, 7}, {true, false, false}},
    };
    for (const Case &c : cases) {
        VlDrop drop;
        for (int k : c.keys)
            drop.AddItem(k, QStringLiteral("entry %1").arg(k));
        ASSERT_EQ(drop.GetCount(), int(c.keys.size()));
        EXPECT_EQ(drop.GetIndex(), -1) << "adding shows no entry";
        for (size_t i = 0; i < c.installed.size(); ++i)
            EXPECT_EQ(drop.HasItemDisplay(int(i)), c.installed[i]) << "entry " << i;
        EXPECT_FALSE(drop.IsValueDisplayInstalled());
    }
}

TEST_F(KitTest, DropSetColorsInstallsValueAndItemDisplays)
{
    VlDrop early;
    early.SetColors(0x000000, 0xABABAB, VlFont);
    EXPECT_TRUE(early.IsValueDisplayInstalled());
    EXPECT_EQ(early.GetCount(), 0);
    early.AddItem(0, "a");
    early.AddItem(1, "b");
    EXPECT_TRUE(early.HasItemDisplay(0));
    EXPECT_TRUE(early.HasItemDisplay(1));

    VlDrop late;
    late.AddItem(7, "x");   // no entry 7: no display
    late.AddItem(8, "y");
    EXPECT_FALSE(late.HasItemDisplay(0));
    late.SetColors(0x00FF00, 0x0000FF, VlFont);
    EXPECT_TRUE(late.HasItemDisplay(0));
    EXPECT_TRUE(late.HasItemDisplay(1));
    for (const VlDisplay *d : {&late.valueDisplay, &late.itemDisplay}) {
        EXPECT_EQ(d->ink, 0x00FF00);
        EXPECT_EQ(d->ownInk, 0x00FF00);
        EXPECT_EQ(d->paper, 0x0000FF);
        EXPECT_EQ(d->ownPaper, 0x0000FF);
        EXPECT_TRUE(d->ownColors);
    }
}

TEST_F(KitTest, DropValueAndItemDisplaysStayApart)
{
    VlDrop drop;
    VlSetDesignRect(drop, 0, 0, 120, 21);
    drop.AddItem(0, "Normal");
    drop.AddItem(1, "Large");
    drop.SetIndex(0);

    // The standard displays: system paper in the value area and the list.
    // A point of the value area clear of the text, left of the button.
    const int vx = drop.ButtonRect().left() - 4, vy = drop.height() / 2;
    QImage shot = Grab(&drop);
    EXPECT_EQ(At(shot, vx, vy), VlColorPaper());
    EXPECT_EQ(At(paintEntry(drop, 1, false), 70, 2), VlColorPaper());

    drop.SetColors(0x000000, 0x0000FF, VlFont);
    drop.itemDisplay.paper = 0x00FF00;
    shot = Grab(&drop);
    EXPECT_EQ(At(shot, vx, vy), 0x0000FFu) << "value display";
    EXPECT_EQ(At(paintEntry(drop, 1, false), 70, 2), 0x00FF00u) << "item display";
    EXPECT_EQ(At(paintEntry(drop, 1, true), 70, 2), VlColorHighlight()) << "selected: the list's colours";
    EXPECT_TRUE(drop.ButtonRect().right() < drop.width());
    EXPECT_EQ(drop.focusPolicy(), Qt::NoFocus);
}

TEST_F(KitTest, DisplayPaintsOwnColoursUnlessSelected)
{
    struct Case {
        bool own, standardWhenSelected;
        unsigned style;
        COLORREF paper;
    };
    const Case cases[] = {
        {true, true, 0, 0x0000FF},
        {true, true, VlDisplay::Select, 0x00FF00},
        {true, true, VlDisplay::Cursor, 0x00FF00},
        {true, true, VlDisplay::ReadOnly, 0x00FF00},
        {true, false, VlDisplay::Select, 0x0000FF},
        {false, true, 0, 0x00FF00},
    };
    for (const Case &c : cases) {
        VlDisplay d;
        d.paper = 0x0000FF;
        d.ink = 0xFFFFFF;
        d.ownColors = c.own;
        d.standardWhenSelected = c.standardWhenSelected;
        QImage img(40, 20, QImage::Format_ARGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        d.Paint(p, QRect(0, 0, 40, 20), QVariant(QStringLiteral("x")), 0x000000, 0x00FF00, c.style);
        p.end();
        EXPECT_EQ(At(img, 35, 2), c.paper) << c.own << c.standardWhenSelected << c.style;
    }

    // A number shows as its text; with own colours the whole clip is filled.
    VlDisplay d;
    d.ownColors = true;
    d.paper = 0x0000FF;
    QImage img(40, 20, QImage::Format_ARGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setClipRect(QRect(0, 0, 40, 20));
    d.Paint(p, QRect(10, 0, 30, 20), QVariant(5), 0, 0, 0);
    p.end();
    EXPECT_EQ(At(img, 2, 2), 0x0000FFu);
}

TEST_F(KitTest, DropActionsFireOnlyForTheUser)
{
    VlDrop drop;
    drop.AddItem(0, "a");
    drop.AddItem(1, "b");
    drop.AddItem(2, "c");
    QSignalSpy spy(&drop, &VlDrop::action);
    drop.SetIndex(2);
    drop.SetKey(1);
    EXPECT_EQ(drop.GetKey(), 1);
    EXPECT_EQ(spy.count(), 0);
    drop.SetKey(9);
    EXPECT_EQ(drop.GetIndex(), -1);
    EXPECT_EQ(drop.GetKey(), -1);
    emit drop.activated(1);
    EXPECT_EQ(spy.count(), 1);
}

// ---- VlArray ---------------------------------------------------------------------

namespace {

class ContextRecorder : public QWidget {
public:
    int menus = 0;
    int presses = 0;

protected:
    void contextMenuEvent(QContextMenuEvent *) override { ++menus; }
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

} // namespace

TEST_F(KitTest, ArrayRowColoursAlternate)
{
    VlArray table;
    VlSetDesignRect(table, 0, 0, 200, 120);
    table.setShowGrid(false);
    table.AddColumn("Rank", 44);
    table.AddColumn("Name", 156);
    for (int i = 0; i < 4; ++i)
        table.AddRow({QString::number(i + 1), QString()});
    table.SetRowHeight(14);

    QImage shot = table.viewport()->grab().toImage();
    EXPECT_EQ(FromQRgb(shot.pixel(150, 3)), VlColorPaper()) << "no colours: the framework's paper";

    table.OddRowColor(0x0000FF, 0x000000);
    table.EvenRowColor(0x00FF00, 0x000000);
    shot = table.viewport()->grab().toImage();
    EXPECT_EQ(FromQRgb(shot.pixel(150, 3)), 0x0000FFu) << "row 1";
    EXPECT_EQ(FromQRgb(shot.pixel(150, 14 + 3)), 0x00FF00u) << "row 2";
    EXPECT_EQ(FromQRgb(shot.pixel(150, 28 + 3)), 0x0000FFu) << "row 3";

    // Column widths keep their proportions of the table's width.
    const int w = table.viewport()->width();
    EXPECT_EQ(table.columnWidth(0) + table.columnWidth(1), w);
    EXPECT_NEAR(table.columnWidth(0), w * 44 / 200, 1);
}

TEST_F(KitTest, ArrayLargeProportionsDoNotOverflow)
{
    VlArray table;
    VlSetDesignRect(table, 0, 0, 400, 120);
    table.AddColumn("A", 30000000);
    table.AddColumn("B", 10000000);
    const int w = table.viewport()->width();
    ASSERT_GT(w, 100);
    EXPECT_EQ(table.columnWidth(0) + table.columnWidth(1), w);
    EXPECT_NEAR(table.columnWidth(0), w * 3 / 4, 1);
}

TEST_F(KitTest, ArraySwallowsTheRightClick)
{
    ContextRecorder parent;
    parent.resize(300, 200);
    auto *table = new VlArray(&parent);
    VlSetDesignRect(*table, 0, 0, 200, 150);
    table->AddColumn("A", 1);
    for (int i = 0; i < 5; ++i)
        table->AddRow({QString::number(i)});
    table->setCurrentCell(0, 0);
    QSignalSpy menuSpy(table, &QWidget::customContextMenuRequested);
    QSignalSpy clickSpy(table, &QAbstractItemView::pressed);
    parent.show();

    const QPoint at = table->visualRect(table->model()->index(3, 0)).center();
    QTest::mouseClick(table->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, table->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(table->viewport(), &menu);

    EXPECT_EQ(table->currentRow(), 0);
    EXPECT_EQ(menuSpy.count(), 0);
    EXPECT_EQ(clickSpy.count(), 0);
    EXPECT_EQ(parent.menus, 0);
    EXPECT_EQ(parent.presses, 0);

    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(table->currentRow(), 3) << "a left click still works";
}

// ---- VlOpt ----------------------------------------------------------------------------

TEST_F(KitTest, OptionPictureFollowsTheHorizontalFactor)
{
    struct Case {
        char scale;
        QSize box, sw;
    };
    const Case cases[] = {
        {'n', {13, 13}, {13, 12}}, {'l', {16, 16}, {16, 14}}, {'j', {18, 18}, {18, 17}},
        {'h', {21, 21}, {21, 20}}, {'e', {26, 26}, {26, 24}}, {'g', {31, 31}, {31, 29}},
        {'c', {39, 39}, {39, 36}}, {'s', {52, 52}, {52, 48}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(1, c.scale));
        SetInterfaceScale(nullptr, 'W', c.scale, false);
        VlOpt opt;
        EXPECT_EQ(opt.ScaledPicture().size(), c.box);
        opt.SetSwitch(true);
        EXPECT_EQ(opt.ScaledPicture().size(), c.sw);
    }
}

// The picture at the left, centred on the label, the label after it; a
// control lower than its scale's picture (a dialog fitted to the screen)
// shrinks the picture to its height.
TEST_F(KitTest, OptionDrawsPictureAndLabel)
{
    struct Case {
        char scale;
        int width;
        int inPicture;   // x inside the picture
        int gap;         // x between picture and label
        int label;       // where the label starts
    };
    const Case cases[] = {
        {'h', 120, 10, 22, 25},   // 21 x 21 picture
        {'s', 300, 15, 31, 34},   // 52 x 52 picture drawn 30 high
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(1, c.scale));
        SetInterfaceScale(nullptr, 'W', c.scale, false);
        VlPanel panel;
        panel.SetDesignRect(0, 0, c.width + 80, 40, true);
        panel.color = 0x0000FF;
        auto *opt = new VlOpt(&panel);
        opt->setText(QStringLiteral("Tile"));
        VlSetDesignRect(*opt, 0, 0, c.width, 30);
        const QImage shot = Grab(&panel);
        EXPECT_NE(At(shot, c.inPicture, 15), 0x0000FFu);
        EXPECT_EQ(At(shot, c.gap, 15), 0x0000FFu);
        EXPECT_TRUE(HasColourNear(shot, QRect(c.label, 0, 60, 30), 0xC0C0C0, 40));
        EXPECT_EQ(At(shot, c.width - 10, 15), 0x0000FFu) << "transparent";
        EXPECT_EQ(opt->focusPolicy(), Qt::NoFocus);
    }
}

TEST_F(KitTest, OptionActionsFireOnlyForTheUser)
{
    VlOpt opt;
    opt.resize(80, 17);
    QSignalSpy spy(&opt, &VlOpt::action);
    opt.Set(true);
    EXPECT_TRUE(opt.Get());
    EXPECT_EQ(spy.count(), 0);
    QTest::mouseClick(&opt, Qt::LeftButton, Qt::NoModifier, QPoint(5, 8));
    EXPECT_FALSE(opt.Get());
    EXPECT_EQ(spy.count(), 1);
}

// ---- VlSlider ---------------------------------------------------------------------------

TEST_F(KitTest, SliderLiesByItsShapeAndActsForTheUser)
{
    VlSlider s;
    s.MinMax(0, 50);
    VlSetDesignRect(s, 0, 0, 100, 21);
    s.show();
    EXPECT_EQ(s.orientation(), Qt::Horizontal);
    EXPECT_EQ(s.focusPolicy(), Qt::StrongFocus);
    QSignalSpy spy(&s, &VlSlider::action);
    s.Set(20);
    EXPECT_EQ(s.Get(), 20);
    EXPECT_EQ(spy.count(), 0);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(&s, &right);
    EXPECT_EQ(s.Get(), 21);
    EXPECT_EQ(spy.count(), 1);
    QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(99, 10));
    EXPECT_EQ(s.Get(), 50);
    QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(0, 10));
    EXPECT_EQ(s.Get(), 0);
    EXPECT_EQ(spy.count(), 3);

    s.resize(21, 100);
    EXPECT_EQ(s.orientation(), Qt::Vertical);
    QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(10, 0));
    EXPECT_EQ(s.Get(), 50) << "the maximum at the top";
    QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(10, 99));
    EXPECT_EQ(s.Get(), 0);
    s.Set(25);
    const QRect thumb = s.ThumbRect();
    QTest::mousePress(&s, Qt::LeftButton, Qt::NoModifier, thumb.center());
    QTest::mouseRelease(&s, Qt::LeftButton, Qt::NoModifier, thumb.center());
    EXPECT_EQ(s.Get(), 25) << "grabbing the thumb does not move it";
}

// ---- OnCancel ---------------------------------------------------------------------------------

TEST_F(KitTest, OnCancelEndsTheDialogWithTwo)
{
    QDialog dialog;
    auto *cancel = new VlButton(&dialog);
    cancel->SetDesignRect(10, 10, 60, 22);
    QObject::connect(cancel, &QAbstractButton::clicked, &dialog, [&] { OnCancel(&dialog); });
    QTimer::singleShot(0, cancel, [cancel] { QTest::mouseClick(cancel, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); });
    const int code = dialog.exec();
    EXPECT_EQ(code, 2);
    EXPECT_EQ(dialog.result(), 2);
    EXPECT_FALSE(dialog.isVisible());
}

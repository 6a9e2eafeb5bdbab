// The control panel: what it is built with, its gap layout over the height
// and its rescaling at every interface scale.
#include "BboxCnt.h"

#include "VlScale.h"
#include "VlSkinImage.h"
#include "VlmPix.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

bool Same(const QImage &a, const QImage &b)
{
    return !a.isNull() && a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

class PanelTest : public ::testing::Test {
protected:
    void TearDown() override { SetInterfaceScale(nullptr, 'W', 'n', false); }
};

} // namespace

TEST_F(PanelTest, BuiltWithItsListsEmptyOfSelectionAndItsOptionalPanelsHidden)
{
    BboxCnt p;
    EXPECT_EQ(p.width, 118);
    EXPECT_EQ(p.designWidth, 118);
    EXPECT_FALSE(p.specialShown);
    EXPECT_TRUE(p.boxPanelShown);
    EXPECT_FALSE(p.opaque);
    EXPECT_TRUE(p.specialPanel.isHidden());
    EXPECT_TRUE(p.messagePanel.isHidden());
    EXPECT_FALSE(p.hintPanel.isHidden());

    const char *types[4] = {"Jigsaw Cube", "Jumbled Cube", "Jumbled Pyramid", "Rebukes Cube"};
    ASSERT_EQ(p.gameTypeDrop.GetCount(), 4);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(p.gameTypeDrop.GetText(k), QString::fromLatin1(types[k]));
        EXPECT_EQ(p.gameTypeDrop.FindKey(k), k);
        EXPECT_TRUE(p.gameTypeDrop.HasItemDisplay(k));
    }
    ASSERT_EQ(p.levelsDrop.GetCount(), 7);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(p.levelsDrop.GetText(k), QString::number(k + 2));
        EXPECT_TRUE(p.levelsDrop.HasItemDisplay(k));
    }
    EXPECT_EQ(p.gameTypeDrop.GetIndex(), -1);
    EXPECT_EQ(p.levelsDrop.GetIndex(), -1);
    // The type list in the bold kit font, the levels list in the plain one.
    EXPECT_TRUE(p.gameTypeDrop.valueDisplay.font.bold());
    EXPECT_TRUE(p.gameTypeDrop.itemDisplay.font.bold());
    EXPECT_FALSE(p.levelsDrop.valueDisplay.font.bold());
    EXPECT_EQ(p.helpButton.font().pixelSize(), 21);
    // The board's keys stay with the board.
    EXPECT_EQ(p.gameTypeDrop.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(p.newGameButton.focusPolicy(), Qt::NoFocus);

    EXPECT_EQ(p.hintPanel.color, Color(RGBColor(33, 33, 33)));
    EXPECT_EQ(p.messagePanel.color, Color(RGBColor(151, 151, 151)));
    EXPECT_EQ(p.messageText[0].GetInk(), Color(0));
    EXPECT_EQ(p.scoreValue.GetAlign(), Qt::AlignRight);
    EXPECT_EQ(p.shapeTitle.GetText(), QStringLiteral("Pyramid"));
    EXPECT_TRUE(Same(p.soundsLamp.Image(), VlmPix::Get(VlmPix::Find(QStringLiteral("onred")))));
    // The arrows lie in a cross: left and right level, up above, down below.
    EXPECT_EQ(p.shapeArrow[0].geometry(), QRect(54, 21, 20, 20));
    EXPECT_EQ(p.shapeArrow[1].geometry(), QRect(74, 1, 20, 20));
    EXPECT_EQ(p.shapeArrow[2].geometry(), QRect(94, 21, 20, 20));
    EXPECT_EQ(p.shapeArrow[3].geometry(), QRect(74, 41, 20, 20));
}

TEST_F(PanelTest, LayoutSharesTheFreeHeightAmongTheGaps)
{
    // Tops of title, game, special, status, shape and box panels; -1 for a
    // panel that takes no part.
    struct Case {
        int height;
        bool special, box;
        int tops[6];
    } cases[] = {
        {700, true, true, {0, 66, 266, 359, 532, 638}},
        {702, true, true, {0, 66, 266, 359, 532, 640}},   // the remainder stays at the bottom
        {700, false, false, {0, 132, -1, 398, 638, -1}},
        {700, true, false, {0, 92, 318, 437, 638, -1}},
        {700, false, true, {0, 89, -1, 312, 508, 638}},
        {300, true, true, {0, 22, 178, 227, 356, 238}},   // too short: gap 0, the last overlaps
    };
    for (const Case &c : cases) {
        BboxCnt p;
        p.specialShown = c.special;
        p.boxPanelShown = c.box;
        p.resize(118, c.height);
        p.Layout();
        VlPanel *panels[6] = {&p.titleStrip, &p.gamePanel, &p.specialPanel, &p.statusPanel, &p.shapePanel, &p.boxPanel};
        const int heights[6] = {22, 156, 49, 129, 62, 62};
        for (int i = 0; i < 6; ++i) {
            if (c.tops[i] < 0)
                continue;
            EXPECT_EQ(panels[i]->y(), c.tops[i]) << c.height << " " << c.special << c.box << " panel " << i;
            EXPECT_EQ(panels[i]->height(), heights[i]);
            EXPECT_EQ(panels[i]->x(), 0);
        }
    }
}

TEST_F(PanelTest, ApplyScaleResizesToEveryScaleLetter)
{
    struct Case {
        char letter;
        int width;
    } cases[] = {{'n', 118}, {'l', 142}, {'j', 164}, {'h', 193}, {'e', 236}, {'g', 282}, {'c', 354}, {'s', 472}};
    for (const Case &c : cases) {
        SetInterfaceScale(nullptr, 'W', c.letter, false);
        QWidget parent;
        parent.resize(1600, 900);
        auto *p = new BboxCnt;
        p->setParent(&parent);
        p->ApplyScale();
        SCOPED_TRACE(std::string(1, c.letter));
        EXPECT_EQ(p->width, c.width);
        EXPECT_EQ(p->geometry(), QRect(1600 - c.width, 0, c.width, 900));
        EXPECT_EQ(p->titleStrip.height(), VlScaled(22, VlScaleY));
        EXPECT_EQ(p->gamePanel.width(), VlScaled(118, VlScaleX));
        EXPECT_EQ(p->newGameButton.geometry(), p->newGameButton.designRect.Scaled());
        // Nested panels are rescaled too.
        EXPECT_EQ(p->hintText[2].geometry(), p->hintText[2].designRect.Scaled());
        EXPECT_EQ(p->messageText[1].geometry(), p->messageText[1].designRect.Scaled());
        EXPECT_EQ(p->boxArrow[3].geometry(), p->boxArrow[3].designRect.Scaled());
        EXPECT_EQ(p->helpButton.font().pixelSize(), VlFontHeight + 7);
        EXPECT_TRUE(p->helpButton.font().bold());
        EXPECT_TRUE(p->newGameButton.font().bold());
        EXPECT_TRUE(p->scoreValue.font().bold());
        EXPECT_FALSE(p->movesLabel.font().bold());
        EXPECT_EQ(p->movesLabel.font().pixelSize(), VlFontHeight);
        EXPECT_TRUE(p->gameTypeDrop.valueDisplay.font.bold());
        EXPECT_TRUE(p->gameTypeDrop.itemDisplay.font.bold());
        EXPECT_FALSE(p->levelsDrop.itemDisplay.font.bold());
        EXPECT_TRUE(Same(p->soundsLamp.Image(), SkinImage(QStringLiteral("onred"))));
        EXPECT_TRUE(Same(p->bonusLamp.Image(), SkinImage(QStringLiteral("onyel"))));
        EXPECT_TRUE(Same(p->exitButton.Image(), SkinImage(QStringLiteral("exit"))));
        EXPECT_TRUE(Same(p->shapeArrow[1].Image(), SkinImage(QStringLiteral("upshp"))));
        // Laid out at once: the last shown sub-panel sits at the bottom.
        EXPECT_EQ(p->boxPanel.y() + p->boxPanel.height(), 900);
    }
}

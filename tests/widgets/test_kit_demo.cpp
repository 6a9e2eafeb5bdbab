// A demonstration window with one of each kit control, built at the
// scales "n" and "h" in each look and saved as pictures for review
// (kit-demo-<look>-<scale>.png, only when KIT_DEMO_DIR names a folder).
#include "test_kit_common.h"

#include "TDib.h"
#include "TImgUt.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

namespace {

// Where the pictures go; empty (none written) unless KIT_DEMO_DIR is set.
QString demoDir()
{
    return qEnvironmentVariable("KIT_DEMO_DIR");
}

// A sunset-coloured picture with a box drawn into it.
std::unique_ptr<VlmImgUt::TDib> demoPicture()
{
    auto dib = std::make_unique<VlmImgUt::TDib>();
    dib->Create(96, 64);
    for (int y = 0; y < 64; ++y) {
        uint8_t *row = dib->bitmap->Row(y);
        for (int x = 0; x < 96; ++x) {
            const bool box = x > 30 && x < 66 && y > 18 && y < 54;
            const double d = std::hypot(x - 48.0, y - 70.0) / 90.0;
            row[3 * x + 2] = uint8_t(box ? 60 : 250 - 120 * d);
            row[3 * x + 1] = uint8_t(box ? 90 + (x - 30) * 3 : 160 - 120 * d);
            row[3 * x + 0] = uint8_t(box ? 200 - (y - 18) * 2 : 60 + 140 * d);
        }
    }
    return dib;
}

struct Demo {
    VlPanel root;
    VlTitleBox *appearance = new VlTitleBox(&root);
    VlTitleBox *fame = new VlTitleBox(&root);
    VlPanel *strip = new VlPanel(&root);
    VlImgBox *picture = new VlImgBox(&root);
    VlButton *hotButton = nullptr;
    VlButton *pressedButton = nullptr;
    VlButton *aboutButton = nullptr;
    std::unique_ptr<VlmImgUt::TDib> pic = demoPicture();

    Demo(VlmImgUt::TImgUt *ctx)
    {
        root.SetDesignRect(0, 0, 452, 312, true);
        root.color = root.ownColor = 0x242424;

        // Appearance box: options, slider, drop list, texts, edits.
        appearance->SetDesignRect(8, 8, 178, 262, true);
        appearance->SetFrame(VlFrame::ThinOutset);
        appearance->SetTitle(" Appearance ", 0x000000, RGBColor(212, 141, 121), 2, 101);
        auto *o1 = new VlOpt(appearance);
        o1->setText("Use Box Colors");
        VlSetDesignRect(*o1, 18, 24, 140, 17);
        o1->Set(true);
        auto *o2 = new VlOpt(appearance);
        o2->setText("Tile Images");
        VlSetDesignRect(*o2, 18, 44, 140, 17);
        auto *persp = new VlText(appearance);
        persp->SetText("View Perspective");
        persp->SetAlign(Qt::AlignHCenter);
        persp->SetDesignRect(37, 68, 100, 14);
        auto *side = new VlText(appearance);
        side->SetText("Side:");
        side->SetAlign(Qt::AlignRight);
        side->SetDesignRect(1, 85, 33, 15);
        auto *slider = new VlSlider(appearance);
        slider->MinMax(0, 50);
        slider->Set(30);
        VlSetDesignRect(*slider, 38, 83, 100, 21);
        auto *value = new VlText(appearance);
        value->SetText("30%");
        value->SetAlign(Qt::AlignRight);
        value->SetDesignRect(139, 85, 26, 15);
        auto *scaleLabel = new VlText(appearance);
        scaleLabel->SetText("Interface Scale");
        scaleLabel->SetAlign(Qt::AlignRight);
        scaleLabel->SetDesignRect(0, 113, 86, 15);
        auto *drop = new VlDrop(appearance);
        VlSetDesignRect(*drop, 90, 110, 72, 21);
        int key = 0;
        for (const char *name : {"Normal", "Large", "Jumbo", "Huge"})
            drop->AddItem(key++, name);
        drop->SetColors(0x000000, 0xABABAB, VlFont);
        drop->SetFrame(VlFrame::Inset);
        drop->SetIndex(VlScale == 'h' ? 3 : 0);
        auto *nameLabel = new VlText(appearance);
        nameLabel->SetText("Name of Inductee");
        nameLabel->SetDesignRect(10, 140, 120, 15);
        auto *name = new VlEditTx(appearance);
        VlSetDesignRect(*name, 10, 156, 158, 21);
        name->setText("Ada");
        auto *dark = new VlEditTx(appearance);
        VlSetDesignRect(*dark, 10, 181, 158, 21);
        dark->SetColors(0x000000, false);
        dark->setText("black on paper");
        auto *redLabel = new VlText(appearance);
        redLabel->SetText("Red:");
        redLabel->SetAlign(Qt::AlignRight);
        redLabel->SetDesignRect(10, 210, 40, 15);
        auto *red = new VlEditNo(appearance);
        VlSetDesignRect(*red, 54, 207, 50, 21);
        red->SetInt(212);
        auto *boxed = new VlText(appearance);
        boxed->SetText(" score 1234 ");
        boxed->SetPaper(0x202020, true);
        boxed->SetFrame(VlFrame::ThinInset);
        boxed->SetAlign(Qt::AlignHCenter);
        boxed->SetDesignRect(10, 236, 100, 17);
        auto *off = new VlOpt(appearance);
        off->setText("Off");
        off->setEnabled(false);
        VlSetDesignRect(*off, 116, 236, 56, 17);

        // Hall of Fame box with its table.
        fame->SetDesignRect(195, 8, 249, 150, true);
        fame->SetFrame(VlFrame::ThinOutset);
        fame->SetTitle(" quibo Hall of Fame ", 0x000000, RGBColor(222, 191, 44), 2, 101);
        auto *table = new VlArray(fame);
        VlSetDesignRect(*table, 8, 24, 233, 118);
        table->setShowGrid(false);
        table->setSelectionMode(QAbstractItemView::NoSelection);
        table->AddColumn("Rank", 40);
        table->AddColumn("Hall of Fame Inductee", 129);
        table->AddColumn("Score", 64);
        QFont bold = VlFont;
        bold.setBold(true);
        for (int c = 0; c < 3; ++c) {
            table->SetHeaderFont(c, bold);
            table->SetHeaderAlign(c, c == 2 ? Qt::AlignRight : Qt::AlignHCenter);
        }
        const char *names[] = {"Ada", "Grace", "Edsger", "", "", ""};
        const int scores[] = {9120, 7450, 3310, 0, 0, 0};
        for (int r = 0; r < 6; ++r) {
            table->SetCell(r, 0, QString::number(r + 1), bold, Qt::AlignHCenter);
            table->SetCell(r, 1, names[r], bold, Qt::AlignHCenter);
            table->SetCell(r, 2, scores[r] ? QString::number(scores[r]) : QString(), bold, Qt::AlignRight);
        }
        table->ownPaper = 0xABABAB;
        table->ownInk = 0x000000;
        table->OddRowColor(0xABABAB, 0x000000);
        table->EvenRowColor(0xABABAB, 0x000000);

        // Picture box with a caption.
        picture->SetDesignRect(195, 166, 120, 104, true);
        picture->context = ctx;
        picture->image = pic.get();
        picture->showCaption = true;
        picture->captionText = "Preview";
        picture->captionInk = 0xFFFFFF;

        // Picture buttons beside it.
        aboutButton = new VlButton(&root);
        aboutButton->SetDesignRect(324, 170, 24, 24);
        aboutButton->SetSkinImage("about", 'W');
        auto *lamp = new VlButton(&root);
        lamp->SetDesignRect(354, 170, 24, 24);
        lamp->SetSkinImage("onyel", 'W');
        auto *arrow = new VlButton(&root);
        arrow->SetDesignRect(384, 170, 24, 24);
        arrow->SetSkinImage("lfshp", 'W');
        auto *exit = new VlButton(&root);
        exit->SetDesignRect(414, 170, 24, 24);
        exit->SetSkinImage("exit", 'W');
        auto *select = new VlButton(&root);
        select->SetDesignRect(324, 204, 54, 20);
        select->setText("Select");
        select->SetColors(RGBColor(202, 181, 141), 0, RGBColor(111, 44, 44), RGBColor(33, 66, 101));
        auto *remove = new VlButton(&root);
        remove->SetDesignRect(324, 232, 114, 20);
        remove->setText("Remove Set");
        remove->SetColors(RGBColor(202, 121, 88), 0, RGBColor(111, 44, 44), RGBColor(33, 66, 101));
        remove->setEnabled(false);
        hotButton = select;

        // The button strip: Save, Cancel (Enter), Help.
        strip->SetDesignRect(106, 282, 240, 22, true);
        const struct {
            const char *text;
            COLORREF ink;
            bool underline;
        } buttons[] = {{"Save", RGBColor(101, 141, 221), false},
                       {"Cancel", RGBColor(222, 101, 101), true},
                       {"Help", RGBColor(101, 222, 141), false}};
        for (int i = 0; i < 3; ++i) {
            auto *b = new VlButton(strip);
            b->SetDesignRect(90 * i, 0, 60, 22);
            b->setText(buttons[i].text);
            b->SetColors(Color(buttons[i].ink), 0, RGBColor(111, 44, 44), RGBColor(33, 66, 101));
            QFont f = VlFont;
            f.setBold(true);
            f.setUnderline(buttons[i].underline);
            b->setFont(f);
            if (i == 2)
                pressedButton = b;
        }
    }

    void Rescale()
    {
        root.Rescale(true);
        for (VlPanel *p : std::initializer_list<VlPanel *>{appearance, fame, strip, picture})
            p->Rescale(true);
        // Fonts as the dialogs give them after rescaling.
        for (QObject *o : strip->children())
            if (auto *b = qobject_cast<VlButton *>(o)) {
                QFont f = VlFont;
                f.setBold(true);
                f.setUnderline(b->text() == "Cancel");
                b->setFont(f);
            }
        aboutButton->SetSkinImage("about", 'W');
    }

    void ShowStates()
    {
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QCoreApplication::sendEvent(hotButton, &enter);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(4, 4), QPointF(4, 4), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(pressedButton, &press);
    }
};

} // namespace

TEST_F(KitTest, DemoWindowInEveryLookAndTwoScales)
{
    QTemporaryDir regDir;
    VlmImgUt::TImgUt ctx(QStringLiteral("Vellamor\\quibo"), TRegStore::InFolder(regDir.path()));
    const QString dir = demoDir();
    // recolour: 0 none, 1 ApplySystemColors with the face colour (as the
    // colour picker does in look "S"), 2 ApplySkinColors with the skin paper.
    struct Case {
        char look;
        char scale;
        bool alt;
        int recolour;
        const char *suffix;
    };
    const Case cases[] = {
        {'W', 'n', false, 0, ""},     {'W', 'h', false, 0, ""},          {'S', 'n', false, 0, ""},
        {'S', 'h', false, 0, ""},     {'C', 'n', false, 0, ""},          {'C', 'h', false, 0, ""},
        {'S', 'n', true, 0, "-alt"},  {'C', 'n', true, 0, "-alt"},       {'S', 'n', false, 1, "-system"},
        {'C', 'n', false, 2, "-skin"}, {'C', 'h', true, 2, "-alt-skin"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(1, c.look) + c.scale);
        SetInterfaceScale(nullptr, c.look, c.scale, c.alt);
        Demo demo(&ctx);
        if (c.scale != 'n')
            demo.Rescale();
        for (VlPanel *p : std::initializer_list<VlPanel *>{&demo.root, demo.appearance, demo.fame, demo.strip}) {
            if (c.recolour == 1)
                p->ApplySystemColors(Color(VlColorFace()));
            else if (c.recolour == 2)
                p->ApplySkinColors(VlSkinPaper);
        }
        demo.ShowStates();
        const QImage shot = Grab(&demo.root);
        EXPECT_EQ(shot.size(), VlDesignRect({0, 0, 452, 312}).Scaled().size());
        if (!dir.isEmpty()) {
            const QString file = QStringLiteral("%1/kit-demo-%2-%3%4.png")
                                     .arg(dir)
                                     .arg(QChar(c.look))
                                     .arg(QChar(c.scale))
                                     .arg(QLatin1String(c.suffix));
            EXPECT_TRUE(shot.save(file)) << file.toStdString();
        }
    }
}

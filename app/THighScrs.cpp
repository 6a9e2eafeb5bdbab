#include "THighScrs.h"

#include "GameLook.h"
#include "Prompts.h"
#include "TSettings.h"
#include "VlDialog.h"
#include "VlScale.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>

THighScrs *pHighScrs = nullptr;

namespace {

const char *const GameTypeNames[THighScrs::Tables] = {"Jigsaw Cube", "Jumbled Cube", "Jumbled Pyramid",
                                                       "Rebukes Cube"};

constexpr int LowestBound = 999999999;
constexpr int FlashPeriod = 100;
constexpr int FlashSteps = 32;

// The texts of the new-score box, centred.
struct NewScoreText {
    VlText THighScrs::*text;
    const char *caption;
    int x, y, w;
};

const NewScoreText NewScoreTexts[] = {
    {&THighScrs::rankLabel, "Rank", 15, 24, 40},
    {&THighScrs::rankValue, "", 20, 43, 30},
    {&THighScrs::nameLabel, "Name of Inductee", 85, 24, 110},
    {&THighScrs::levelsLabel, "Levels", 225, 24, 44},
    {&THighScrs::levelsValue, "", 232, 43, 30},
    {&THighScrs::scoreLabel, "Score", 273, 24, 40},
    {&THighScrs::scoreValue, "", 278, 43, 30},
};

// The buttons of the strip, 22 high.
struct StripButton {
    VlButton THighScrs::*button;
    const char *caption;
    COLORREF ink;
    int x, w;
};

const StripButton StripButtons[] = {
    {&THighScrs::saveButton, "Save", RGBColor(101, 141, 221), 0, 60},
    {&THighScrs::clearButton, "Clear Scores", RGBColor(202, 141, 191), 0, 80},
    {&THighScrs::helpButton, "Help", RGBColor(101, 222, 141), 260, 60},
    {&THighScrs::cancelButton, "Cancel", RGBColor(222, 101, 101), 140, 60},
};

// The colour of three channels in blue, green, red order.
Color ColorOfChannels(const int c[3])
{
    return Color(RGBColor(c[2], c[1], c[0]));
}

void ChannelsOf(Color color, int c[3])
{
    c[0] = GetBValue(uint32_t(color));
    c[1] = GetGValue(uint32_t(color));
    c[2] = GetRValue(uint32_t(color));
}

// One flash step of a channel: a channel that passes 255 loses 256.
int StepChannel(int value, int add)
{
    value += add;
    if (value > 255)
        value -= 256;
    return value;
}

bool ValidIndex(int t)
{
    return t >= 0 && t < THighScrs::Tables;
}

} // namespace

THighScrs::THighScrs(TSettings *settings_, int score_, QWidget *parent)
    : QDialog(parent), settings(settings_), score(score_), newScoreMode(score_ > 0)
{
    pHighScrs = this;

    // Window: opens at the screen's top left, not centred.
    setWindowTitle(QStringLiteral("quibo High Scores Hall of Fame"));
    const int designHeight = newScoreMode ? 380 : 273;
    resize(348, designHeight);
    move(0, 0);
    dialogColor = Color(RGBColor(36, 36, 36));

    BuildTable();
    BuildNewScoreBox();
    BuildButtonStrip();

    // Other scales: the dialog and its panels take the scale factors.
    if (VlScale != 'n') {
        resize(int(348.0f * VlScaleX + 0.5f), int(float(designHeight) * VlScaleY + 0.5f));
        move(0, 0);
        titleBox.Rescale(true);
        if (newScoreMode)
            newScoreBox.Rescale(true);
        buttonStrip.Rescale(true);
    }

    SetFonts();

    // The table shown: the game type's, else the first.
    gameIndex = settings->gameType - 1;
    if (!ValidIndex(gameIndex))
        gameIndex = 0;
    gameTypeDrop.SetKey(gameIndex);
    connect(&gameTypeDrop, &VlDrop::action, this, [this] { ListScores(); });

    CopyEntries();
    if (newScoreMode) {
        newScoreBox.SetTitle(QStringLiteral(" New High Score for ") + gameTypeDrop.GetText(gameTypeDrop.GetIndex()),
                             0x000000, Color(RGBColor(121, 121, 212)), 2, 1);
        rankValue.SetText(QString::number(RankOf(entries[gameIndex], score)));
        levelsValue.SetText(QString::number(settings->levels));
        scoreValue.SetText(QString::number(score));
    }

    ListScores();

    flashTicks = 0;
    savedDialogColor = dialogColor;
    savedBoxColor = newScoreBox.color;
    ChannelsOf(dialogColor, dialogChannels);
    ChannelsOf(savedBoxColor, boxChannels);

    if (newScoreMode) {
        nameEdit.setFocus();
        flashing = true;
    }
}

// The table box: the game-type list and the table of ten entries.
void THighScrs::BuildTable()
{
    titleBox.setParent(this);
    titleBox.SetDesignRect(8, 8, 332, 226, true);
    titleBox.SetFrame(VlFrame::ThinOutset);
    titleBox.SetTitle(QStringLiteral(" quibo Hall of Fame "), 0x000000, Color(RGBColor(222, 191, 44)), 2, 101);
    PlaceText(titleBox, gameTypeLabel, 53, 27, 80, 15, "Game Type", Qt::AlignRight, Color(RGBColor(66, 141, 202)));
    gameTypeDrop.setParent(&titleBox);
    VlSetDesignRect(gameTypeDrop, 138, 24, 122, 21);
    gameTypeDrop.SetFrame(VlFrame::Inset);
    for (int t = 0; t < Tables; ++t)
        gameTypeDrop.AddItem(t, QString::fromLatin1(GameTypeNames[t]));
    table.setParent(&titleBox);
    VlSetDesignRect(table, 8, 53, 315, 164);

    // The table: header, no grid, no selectable rows.
    table.setShowGrid(false);
    table.horizontalHeader()->show();
    table.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table.setSelectionMode(QAbstractItemView::NoSelection);
    table.setFocusPolicy(Qt::NoFocus);
    table.AddColumn(QStringLiteral("Rank"), 44);
    table.AddColumn(QStringLiteral("Hall of Fame Inductee"), 154);
    table.AddColumn(QStringLiteral("Levels"), 53);
    table.AddColumn(QStringLiteral("Score"), 64);
    table.ownPaper = Color(RGBColor(171, 171, 171));
    table.ownInk = 0x000000;
    table.OddRowColor(table.ownPaper, table.ownInk);
    table.EvenRowColor(table.ownPaper, table.ownInk);
}

// The new-score box: rank, levels and score, the name and Add New Score.
void THighScrs::BuildNewScoreBox()
{
    if (newScoreMode) {
        newScoreBox.setParent(this);
        newScoreBox.SetDesignRect(8, 243, 332, 98, true);
        newScoreBox.SetFrame(VlFrame::ThinOutset);
        newScoreBox.SetTitle(QStringLiteral(" "), 0x000000, Color(RGBColor(141, 121, 212)), 2, 101);
        for (const NewScoreText &r : NewScoreTexts)
            PlaceText(newScoreBox, this->*r.text, r.x, r.y, r.w, 15, r.caption, Qt::AlignHCenter);
        nameEdit.setParent(&newScoreBox);
        VlSetDesignRect(nameEdit, 61, 40, 158, 21);
        nameEdit.SetColors(0x000000, false);
        PlaceTextButton(newScoreBox, addButton, 111, 68, 110, 22, "Add New Score", Color(RGBColor(222, 161, 66)));
        connect(&addButton, &QAbstractButton::clicked, this, [this] { AddNewScore(); });
        enterState = 2;
    } else {
        enterState = 0;
    }
}

void THighScrs::BuildButtonStrip()
{
    buttonStrip.setParent(this);
    buttonStrip.SetDesignRect(14, newScoreMode ? 350 : 243, 320, 22, true);
    for (const StripButton &r : StripButtons)
        PlaceTextButton(buttonStrip, this->*r.button, r.x, 0, r.w, 22, r.caption, Color(r.ink));
    saveButton.hide();
    connect(&saveButton, &QAbstractButton::clicked, this, [this] { StoreScores(); });
    connect(&clearButton, &QAbstractButton::clicked, this, [this] { ClearScores(); });
    connect(&helpButton, &QAbstractButton::clicked, this, [this] { ShowHelp(); });
    connect(&cancelButton, &QAbstractButton::clicked, this, [this] { OnCancel(this); });
}

void THighScrs::SetFonts()
{
    const QFont bold = BoldFont();
    gameTypeLabel.setFont(bold);
    gameTypeDrop.SetColors(Color(RGBColor(66, 141, 202)), 0x000000, bold);
    gameTypeDrop.setFont(bold);
    table.cellDisplay.font = bold;
    for (int c = 0; c < 4; ++c) {
        table.SetHeaderFont(c, bold);
        table.SetHeaderAlign(c, c < 3 ? Qt::AlignHCenter : Qt::AlignRight);
    }
    // Ten rows under the header fit the table's height when the font lets
    // them; the scroll bar shows only otherwise.
    {
        const int fontRow = QFontMetrics(bold).height();
        const int header = table.horizontalHeader()->sizeHint().height();
        const int fit = (table.height() - 2 * table.frameWidth() - header) / Entries;
        table.SetRowHeight(std::max(fontRow, std::min(fontRow + 4, fit)));
    }
    if (newScoreMode) {
        for (const NewScoreText &r : NewScoreTexts)
            (this->*r.text).setFont(bold);
        nameEdit.setFont(bold);
        addButton.setFont(BoldUnderlinedFont());
    }
    for (const StripButton &r : StripButtons)
        (this->*r.button).setFont(bold);
    if (!newScoreMode)
        cancelButton.setFont(BoldUnderlinedFont());
}

// The working copy of the settings' tables, entry by entry.
void THighScrs::CopyEntries()
{
    for (int t = 0; t < Tables; ++t) {
        const QVector<QString> &names = settings->hofNames[t];
        for (int e = 0; e < Entries; ++e) {
            entries[t][e].score = settings->hofScore[t][e];
            entries[t][e].levels = settings->hofLevels[t][e];
            entries[t][e].name = e < names.size() ? names[e] : QString();
        }
    }
}

THighScrs::~THighScrs()
{
    KillFlashTimer();
    if (pHighScrs == this)
        pHighScrs = nullptr;
}

int THighScrs::RankOf(const TTable &t, int newScore)
{
    int rank = 1;
    for (int e = 0; e < Entries; ++e)
        if (t[e].score > 0 && t[e].score >= newScore)
            ++rank;
    return std::min(rank, Entries);
}

std::vector<int> THighScrs::ListOrder(const TTable &t)
{
    std::vector<int> order;
    bool taken[Entries] = {};
    for (;;) {
        int best = -1;
        for (int e = 0; e < Entries; ++e)
            if (!taken[e] && t[e].score > 0 && (best < 0 || t[e].score > t[best].score))
                best = e;
        if (best < 0)
            break;
        taken[best] = true;
        order.push_back(best);
    }
    return order;
}

int THighScrs::ReplacedEntry(const TTable &t)
{
    int lowest = LowestBound;
    int j = -1;
    for (int e = 0; e < Entries; ++e)
        if (t[e].score < lowest) {
            lowest = t[e].score;
            j = e;
        }
    return j;
}

void THighScrs::ListScores()
{
    table.ClearRows();
    gameIndex = gameTypeDrop.GetKey();
    if (!ValidIndex(gameIndex))
        return;
    const TTable &t = entries[gameIndex];
    const std::vector<int> order = ListOrder(t);
    const QFont bold = BoldFont();
    const Qt::Alignment centre = Qt::AlignHCenter | Qt::AlignVCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    for (int i = 0; i < Entries; ++i) {
        QString name, levels, points;
        if (i < int(order.size())) {
            const THofEntry &entry = t[order[size_t(i)]];
            name = entry.name;
            if (entry.levels != 0)
                levels = QString::number(entry.levels);
            if (entry.score != 0)
                points = QString::number(entry.score);
        }
        table.SetCell(i, 0, QString::number(i + 1), bold, centre);
        table.SetCell(i, 1, name, bold, centre);
        table.SetCell(i, 2, levels, bold, centre);
        table.SetCell(i, 3, points, bold, right);
    }
}

void THighScrs::AddNewScore()
{
    const QString name = nameEdit.text();
    if (name.isEmpty()) {
        PromptOK(this, QStringLiteral("Your Name please O Great One?"));
        nameEdit.setFocus();
        return;
    }
    const int g = settings->gameType - 1;
    if (gameIndex != g) {
        gameIndex = g;
        if (!ValidIndex(g))
            return;
        gameTypeDrop.SetKey(g);
        ListScores();
    }
    if (!ValidIndex(g))
        return;

    const int j = ReplacedEntry(entries[g]);
    if (j >= 0) {
        entries[g][j].score = score;
        entries[g][j].name = name;
        entries[g][j].levels = settings->levels;
    }
    changed = true;

    // Shrink: the strip takes the place of the new-score box.
    if (!newScoreBox.isHidden()) {
        const int y = newScoreBox.y();
        newScoreBox.hide();
        const int moved = buttonStrip.y() - y;
        if (moved > 0) {
            buttonStrip.move(buttonStrip.x(), y);
            resize(width(), height() - moved);
        }
    }

    MarkChanged();
    ListScores();

    KillFlashTimer();
    flashing = true;
    update();
}

void THighScrs::ClearScores()
{
    if (ValidIndex(gameIndex)) {
        for (THofEntry &entry : entries[gameIndex])
            entry = THofEntry();
        cleared[gameIndex] = true;
    }
    changed = true;
    MarkChanged();
    ListScores();
}

void THighScrs::MarkChanged()
{
    enterState = 1;
    cancelButton.setFont(BoldFont());
    saveButton.setFont(BoldUnderlinedFont());
    SpreadButtons();
    saveButton.show();
}

void THighScrs::SpreadButtons()
{
    const int S = saveButton.width(), C = clearButton.width(), X = cancelButton.width(), H = helpButton.width();
    const int W = buttonStrip.width();
    const int gap = (W - H - X - C - S) / 3;
    saveButton.move(0, saveButton.y());
    clearButton.move(S + gap, clearButton.y());
    cancelButton.move(S + C + 2 * gap, cancelButton.y());
    helpButton.move(W - H, helpButton.y());
}

void THighScrs::StoreScores()
{
    if (changed) {
        for (int t = 0; t < Tables; ++t) {
            QVector<QString> &names = settings->hofNames[t];
            names.clear();
            for (int e = 0; e < Entries; ++e) {
                names.append(entries[t][e].name);
                settings->hofScore[t][e] = entries[t][e].score;
                settings->hofLevels[t][e] = entries[t][e].levels;
            }
            if (cleared[t])
                settings->optionsKeeper.MarkCleared(t);
        }
        const bool saved = settings->SaveOptions();
        if (const QString notice = settings->optionsKeeper.TakeNotice(); !notice.isEmpty())
            PromptOK(this, notice);
        if (!saved)
            PromptOK(this, settings->optionsKeeper.saveFailure);
    }
    done(1);
}

void THighScrs::ShowHelp()
{
    settings->ShowHelpTopic(QStringLiteral("Fam000.htm"));
}

bool THighScrs::Key(int key)
{
    if (key != 13)
        return false;
    if (enterState == 2) {
        AddNewScore();
    } else if (enterState == 1) {
        StoreScores();
    } else {
        done(2);
        close();
    }
    return true;
}

void THighScrs::keyPressEvent(QKeyEvent *event)
{
    if (PlainEnter(*event) && Key(13)) {
        event->accept();
        return;
    }
    // Not handled, Escape included: the dialog's own key handling is not
    // used.
    event->ignore();
}

void THighScrs::paintEvent(QPaintEvent *)
{
    if (flashing && isVisible() && flashTimer == 0) {
        flashTicks = 0;
        flashTimer = startTimer(FlashPeriod);
    }
    QPainter p(this);
    p.fillRect(rect(), ToQColor(uint32_t(dialogColor)));
}

void THighScrs::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == flashTimer && flashTimer != 0)
        FlashStep();
    else
        QDialog::timerEvent(event);
}

void THighScrs::KillFlashTimer()
{
    if (flashTimer != 0) {
        killTimer(flashTimer);
        flashTimer = 0;
    }
}

void THighScrs::FlashStep()
{
    if (flashTicks >= FlashSteps) {
        flashing = false;
        KillFlashTimer();
        flashTicks = 0;
        dialogColor = savedDialogColor;
        newScoreBox.color = savedBoxColor;
    } else {
        ++flashTicks;
        boxChannels[2] = StepChannel(boxChannels[2], 8);
        boxChannels[1] = StepChannel(boxChannels[1], 16);
        boxChannels[0] = StepChannel(boxChannels[0], 8);
        dialogChannels[2] = StepChannel(dialogChannels[2], 8);
        dialogChannels[1] = StepChannel(dialogChannels[1], 8);
        dialogChannels[0] = StepChannel(dialogChannels[0], 16);
        newScoreBox.color = ColorOfChannels(boxChannels);
        dialogColor = ColorOfChannels(dialogChannels);
    }
    titleBox.color = newScoreBox.color;
    table.repaint();
    repaint();
    titleBox.repaint();
    newScoreBox.repaint();
    table.repaint();
}

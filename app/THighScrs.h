// The Hall of Fame dialog: the four tables of ten entries, browsed in
// viewing mode (score 0) or, after a qualifying game, in new-score mode
// with the rank of the new score, a name entry and a colour flash. It
// works on a copy of the tables; only Save writes them back into the
// settings record and the options file.
#pragma once

#include "OptionsKeeper.h"
#include "VlArray.h"
#include "VlButton.h"
#include "VlDrop.h"
#include "VlEdit.h"
#include "VlPanel.h"
#include "VlText.h"

#include <QDialog>
#include <QString>

#include <vector>

class QKeyEvent;
class QPaintEvent;
class QTimerEvent;
class TSettings;

// One Hall of Fame entry; an empty one has score 0, no name and levels 0.
struct THofEntry {
    int score = 0;
    QString name;
    int levels = 0;
};

class THighScrs : public QDialog {
    Q_OBJECT
public:
    static constexpr int Tables = THofTables::Tables;
    static constexpr int Entries = THofTables::Entries;
    using TTable = THofEntry[Entries];

    // score > 0 opens the dialog in new-score mode.
    THighScrs(TSettings *settings, int score, QWidget *parent = nullptr);
    ~THighScrs() override;

    // ---- Fields in order ----------------------------------------------
    TSettings *settings;          // not owned
    int score;                    // the new score; 0 in viewing mode
    int gameIndex = 0;            // game type - 1 of the table shown
    int enterState = 0;           // 2 add, 1 save and close, 0 close
    int flashTicks = 0;           // colour steps of the current flash
    int flashTimer = 0;           // timer id of the flash, 0 when none runs
    bool newScoreMode;
    bool flashing = false;        // the next paint starts a flash
    bool changed = false;         // an entry was added or a table cleared
    bool cleared[THofTables::Tables] = {};   // tables cleared, for the save
    Color dialogColor;
    Color savedDialogColor;
    Color savedBoxColor;
    int dialogChannels[3] = {};   // blue, green, red
    int boxChannels[3] = {};      // blue, green, red
    THofEntry entries[Tables][Entries];   // the working copy
    VlTitleBox titleBox;
    VlTitleBox newScoreBox;
    VlPanel buttonStrip;
    VlButton addButton;
    VlButton saveButton;
    VlButton clearButton;
    VlButton cancelButton;
    VlButton helpButton;
    VlText gameTypeLabel;
    VlText rankLabel;
    VlText rankValue;
    VlText nameLabel;
    VlText levelsLabel;
    VlText levelsValue;
    VlText scoreLabel;
    VlText scoreValue;
    VlDrop gameTypeDrop;
    VlEditTx nameEdit;
    VlArray table;

    // Enter (13): add, save or close by enterState. Every other key is
    // not handled.
    bool Key(int key);
    // Fills the table from the working copy for the selected game type.
    void ListScores();
    void AddNewScore();
    void ClearScores();
    // Copies the working tables into the settings record and writes the
    // options file when something changed; a table cleared here is written
    // empty (but for what was added after) whatever another game saved to
    // it meanwhile. Ends the run with code 1.
    void StoreScores();
    void ShowHelp();
    // One tick of the flash.
    void FlashStep();

    // The rank the new score takes in a table: 1 + the filled entries not
    // lower than it, at most 10.
    static int RankOf(const TTable &table, int score);
    // Entry numbers of the filled entries (score > 0), highest score first,
    // the lower entry number first on equal scores.
    static std::vector<int> ListOrder(const TTable &table);
    // The entry a new score replaces: the first one holding the lowest
    // score; -1 when every score is 999999999 or more.
    static int ReplacedEntry(const TTable &table);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    // The parts of the construction, in order.
    void BuildTable();
    void BuildNewScoreBox();
    void BuildButtonStrip();
    void SetFonts();
    void CopyEntries();
    void SpreadButtons();
    void MarkChanged();       // state 1: Save underlined and shown
    void KillFlashTimer();
};

// The most recently constructed dialog; cleared by its destructor.
extern THighScrs *pHighScrs;

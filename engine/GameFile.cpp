// Saved games: header, base body, whole-file save and load.
#include "GameFile.h"

#include "BoxGrid.h"
#include "TGame.h"
#include "TSettings.h"

#include "RegularFile.h"
#include "SaveFile.h"

#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QSaveFile>

namespace {

// Is the position part of the shape of the game type: the pyramid's level
// L holds rows and columns 0..L, every other type the whole cube.
bool InShape(int gameType, int L, int R, int C)
{
    if (gameType == 3)
        return R <= L && C <= L;
    return true;
}

// A bonus or bad id of level L: 0, or the id of a box of that level.
bool ValidLevelId(int gameType, int n, int L, int id)
{
    if (id == 0)
        return true;
    int level, row, col;
    return L < n && BoxGrid::SplitId(id, level, row, col) && level == L && row < n && col < n
           && InShape(gameType, L, row, col);
}

} // namespace

// ---- Header ------------------------------------------------------------

std::unique_ptr<QSaveFile> TSettings::CreateGameFile(const QString &path)
{
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly))
        return nullptr;
    TFieldWriter out(file.get(), *this);
    out.PutBytes(versionText, sizeof versionText);
    out.PutInt(gameType);
    out.PutInt(levels);
    if (!out.ok()) {
        file->cancelWriting();
        return nullptr;
    }
    return file;
}

std::unique_ptr<QFile> TSettings::OpenGameFile(const QString &path, TGameFileHeader &header)
{
    auto file = std::make_unique<QFile>(path);
    if (!RegularFile::Open(*file, path))
        return nullptr;
    TFieldReader in(file.get(), *this);
    TGameFileHeader h;
    in.GetBytes(h.versionText, sizeof h.versionText);
    in.GetInt(h.gameType);
    in.GetInt(h.levels);
    if (!in.ok() || !TGame::ValidGameType(h.gameType) || !TGame::ValidLevels(h.levels))
        return nullptr;
    header = h;
    return file;
}

QString TSettings::TimestampText() const
{
    return GameFile::TimestampText(QDateTime::currentDateTime());
}

QString GameFile::TimestampText(const QDateTime &local)
{
    const QDate d = local.date();
    const QTime t = local.time();
    const int date = d.year() * 10000 + d.month() * 100 + d.day();
    const int time = t.hour() * 10000 + t.minute() * 100 + t.second();
    return QString::number(date) + QStringLiteral("%1").arg(time, 6, 10, QLatin1Char('0'));
}

// ---- Base body ---------------------------------------------------------

bool TGame::ReadBody(TFieldReader &in, TGameBody &body) const
{
    const int n = settings->levels;
    const int type = settings->gameType;
    if (!ValidLevels(n))
        return false;
    in.GetFlag(body.inOrder);
    in.GetFlag(body.cheated);
    in.GetInt(body.score);
    in.GetInt(body.moves);
    in.GetInt(body.initialDisorder);
    in.GetInt(body.previousDisorder);
    in.GetInt(body.disorder);
    // Counters only as far as a game can take them.
    int lowest, highest;
    if (!in.ok() || body.moves < 0 || body.moves > MaxCount || !DisorderRange(type, n, lowest, highest))
        return false;
    for (int d : {body.initialDisorder, body.previousDisorder, body.disorder})
        if (d < lowest || d > highest)
            return false;
    for (int L = 0; L < n; ++L)
        for (int R = 0; R < n; ++R)
            for (int C = 0; C < n; ++C) {
                TBoxRec &b = body.box[L][R][C];
                if (!in.GetBox(b))
                    return false;
                if (InShape(type, L, R, C)
                    && (b.id != BoxId(L, R, C) || !IsValidOrientation(b.front, b.left, b.top)))
                    return false;
            }
    for (int L = 0; L < 8; ++L)
        if (!in.GetInt(body.bonusId[L]) || !ValidLevelId(type, n, L, body.bonusId[L]))
            return false;
    for (int L = 0; L < 8; ++L)
        if (!in.GetInt(body.badId[L]) || !ValidLevelId(type, n, L, body.badId[L]))
            return false;
    return in.ok();
}

void TGame::ApplyBody(const TGameBody &body)
{
    const int n = settings->levels;
    levels = n;
    inOrder = body.inOrder;
    cheated = body.cheated;
    score = body.score;
    moves = body.moves;
    movesAtEval = moves;
    initialDisorder = body.initialDisorder;
    previousDisorder = body.previousDisorder;
    disorder = body.disorder;
    for (int L = 0; L < n; ++L)
        for (int R = 0; R < n; ++R)
            for (int C = 0; C < n; ++C)
                box[L][R][C] = body.box[L][R][C];
    for (int L = 0; L < 8; ++L) {
        bonusId[L] = body.bonusId[L];
        badId[L] = body.badId[L];
    }
}

bool TGame::WriteBody(TFieldWriter &out)
{
    levels = settings->levels;
    const int n = levels;
    if (!ValidLevels(n))
        return false;
    out.PutFlag(inOrder);
    out.PutFlag(cheated);
    out.PutInt(score);
    out.PutInt(moves);
    out.PutInt(initialDisorder);
    out.PutInt(previousDisorder);
    out.PutInt(disorder);
    for (int L = 0; L < n; ++L)
        for (int R = 0; R < n; ++R)
            for (int C = 0; C < n; ++C)
                out.PutBox(box[L][R][C]);
    for (int L = 0; L < 8; ++L)
        out.PutInt(bonusId[L]);
    for (int L = 0; L < 8; ++L)
        out.PutInt(badId[L]);
    return out.ok();
}

bool TGame::LoadBody(QIODevice *file)
{
    TFieldReader in(file, *settings);
    auto body = std::make_unique<TGameBody>();
    if (!ReadBody(in, *body))
        return false;
    ApplyBody(*body);
    return true;
}

bool TGame::SaveBody(QIODevice *file)
{
    TFieldWriter out(file, *settings);
    return WriteBody(out);
}

// ---- Whole files -------------------------------------------------------

bool SaveGameFile(TSettings &settings, TGame &game, const QString &path)
{
    std::unique_ptr<QSaveFile> file = settings.CreateGameFile(path);
    if (!file)
        return false;
    return SaveFile::Commit(*file, game.SaveBody(file.get()));
}

std::unique_ptr<TGame> LoadGameFile(TSettings &settings, const QString &path, const TGameFactory &make)
{
    TGameFileHeader header;
    std::unique_ptr<QFile> file = settings.OpenGameFile(path, header);
    if (!file || !make)
        return nullptr;
    const int oldType = settings.gameType, oldLevels = settings.levels;
    settings.gameType = header.gameType;
    settings.levels = header.levels;
    std::unique_ptr<TGame> game = make(header.gameType, &settings);
    if (game) {
        game->Setup();
        if (game->LoadBody(file.get()))
            return game;
    }
    settings.gameType = oldType;
    settings.levels = oldLevels;
    return nullptr;
}

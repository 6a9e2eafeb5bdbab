// Shared pieces of the main-window tests: a window over a settings record in
// temporary folders, with the sounds and the message boxes recorded.
#pragma once

#include "Prompts.h"
#include "Sound.h"
#include "TSettings.h"
#include "environment_util.h"
#include "TboxScr.h"
#include "VlScale.h"

#include <QApplication>
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Data folders, program folder, settings store and picture folder below one
// temporary folder, and no screen: a first start takes the Normal scale.
inline TSettings::Environment TemporaryEnvironment(const QString &folder)
{
    TSettings::Environment env = EnvironmentBelow(folder);
    env.workAreaWidth = -1;
    env.workAreaHeight = -1;
    QDir().mkpath(env.programFolder);
    QDir().mkpath(env.picturesFolder);
    return env;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        env = TemporaryEnvironment(tmp.path());
        Snd::SetRecorder([this](const QString &name) { sounds << name; });
        SetPromptAnswerer([this](const QString &text) {
            prompts << text;
            return answer;
        });
    }

    void TearDown() override
    {
        window.reset();
        QCoreApplication::processEvents();
        Snd::SetRecorder(nullptr);
        SetPromptAnswerer(nullptr);
        SetInterfaceScale(nullptr, 'W', 'n', false);
    }

    // The window over a fresh record; adjust changes the record as if the
    // options had stored it.
    TboxScr &Open(const std::function<void(TSettings &)> &adjust = {}, bool show = true)
    {
        auto *s = new TSettings(env);
        if (adjust)
            adjust(*s);
        window = std::make_unique<TboxScr>(s);
        if (show) {
            window->show();
            QCoreApplication::processEvents();
        }
        return *window;
    }

    // A running game of a type and levels, started as the player would.
    TboxScr &OpenGame(int type, int levels)
    {
        TboxScr &w = Open([&](TSettings &s) {
            s.gameType = type;
            s.levels = levels;
        });
        w.flow.NewGame();
        sounds.clear();
        return w;
    }

    QTemporaryDir tmp;
    TSettings::Environment env;
    std::unique_ptr<TboxScr> window;
    QStringList sounds;
    QStringList prompts;
    bool answer = true;
};

// The same picture (size and pixels).
inline bool SameImage(const QImage &a, const QImage &b)
{
    return !a.isNull() && a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

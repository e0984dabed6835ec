// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scripted dialogs and window for driving the file commands without a display.
#include <QString>
#include <deque>
#include <optional>
#include <stdexcept>
#include <vector>

#include "files/FileDialogs.h"

namespace pemma::test {

// Answers the dialogs from queues and records every call; throws when a queue
// runs out, so an unexpected extra dialog fails the test.
class ScriptedDialogs final : public FileDialogs {
public:
    struct Shown {
        bool save;
        QString filter;
        int filterIndex;
    };

    std::optional<QString> openFileName(const QString& filter, int filterIndex) override
    {
        shown.push_back({false, filter, filterIndex});
        return nextName();
    }
    std::optional<QString> saveFileName(const QString& filter, int filterIndex) override
    {
        shown.push_back({true, filter, filterIndex});
        return nextName();
    }
    bool askYesNo(const QString& text) override
    {
        questions.push_back(text);
        if (answers.empty())
            throw std::runtime_error("ScriptedDialogs: no more answers");
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void showError(const QString& text) override { errors.push_back(text); }

    // Queues a chosen name, or Cancel with std::nullopt.
    void choose(std::optional<QString> name) { names.push_back(std::move(name)); }
    void answer(bool yes) { answers.push_back(yes); }

    std::deque<std::optional<QString>> names;
    std::deque<bool> answers;
    std::vector<Shown> shown;
    std::vector<QString> questions;
    std::vector<QString> errors;

private:
    std::optional<QString> nextName()
    {
        if (names.empty())
            throw std::runtime_error("ScriptedDialogs: no more names");
        auto n = names.front();
        names.pop_front();
        return n;
    }
};

class ScriptedWindow final : public FileCommandWindow {
public:
    void refitToScreen() override { ++refits; }
    int scaleWidth() const override { return width; }
    int scaleHeight() const override { return height; }
    int refits = 0;
    int width = 1014;
    int height = 700;
};

} // namespace pemma::test

#pragma once
// Helpers for the window tests: ROM files built by the test, the windows with
// their messages collected and their file dialogs answered, modal boxes
// answered by a zero-time timer.
#include "app/EditorWindows.h"

#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelptest {

std::vector<std::uint8_t> ReadFile(const QString &name);
void WriteFile(const QString &name, const std::vector<std::uint8_t> &bytes);
// The sample ROM, optionally changed before it is written.
QString WriteSample(const QTemporaryDir &dir, const QString &name,
                    const std::function<void(std::vector<std::uint8_t> &)> &change = {});
void BreakMarker(std::vector<std::uint8_t> &rom, const std::string &marker);

// The editor's windows with the texts of every message collected and the Open
// and Save As dialogs answered from the queues (an empty answer is Cancel).
struct TEditor {
    // Unless asked to, the start-up Open is held back so each test drives its own.
    explicit TEditor(bool runStartupOpen = false);
    kelp::TEditorWindows Windows;
    kelp::TMain &Main() { return *Windows.Main; }
    std::vector<std::string> Messages;
    std::vector<std::optional<QString>> OpenAnswers;
    std::vector<std::optional<QString>> SaveAnswers;
    int OpenCalls = 0;
    QString SavePreset; // SaveDlg's name when Save As showed it
    void Open(const QString &name);
};

// Answers the next modal message box with the button, keeping its text.
void AnswerNextBox(QMessageBox::StandardButton button, QString *text = nullptr);

bool AllBlack(const QImage &image);

} // namespace kelptest

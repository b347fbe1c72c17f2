#include "UiTestSupport.h"

#include "rom/SampleRom.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QTimer>

#include <algorithm>

namespace kelptest {

std::vector<std::uint8_t> ReadFile(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = f.readAll();
    return {data.begin(), data.end()};
}

void WriteFile(const QString &name, const std::vector<std::uint8_t> &bytes)
{
    QFile f(name);
    if (f.open(QIODevice::WriteOnly))
        f.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
}

QString WriteSample(const QTemporaryDir &dir, const QString &name,
                    const std::function<void(std::vector<std::uint8_t> &)> &change)
{
    std::vector<std::uint8_t> rom = kelp::MakeSampleRom();
    if (change)
        change(rom);
    const QString path = dir.filePath(name);
    WriteFile(path, rom);
    return path;
}

void BreakMarker(std::vector<std::uint8_t> &rom, const std::string &marker)
{
    const auto at = std::search(rom.begin(), rom.end(), marker.begin(), marker.end());
    if (at != rom.end())
        *at = 'x';
}

TEditor::TEditor(bool runStartupOpen) : Windows(kelp::CreateEditorWindows())
{
    Main().Sink = [this](const std::string &text) { Messages.push_back(text); };
    Main().OpenDlg.SetAnswerForTest([this](const kelp::TOpenDialog &) -> std::optional<QString> {
        ++OpenCalls;
        if (OpenAnswers.empty())
            return std::nullopt;
        const std::optional<QString> answer = OpenAnswers.front();
        OpenAnswers.erase(OpenAnswers.begin());
        return answer;
    });
    Main().SaveDlg.SetAnswerForTest([this](const kelp::TOpenDialog &dlg) -> std::optional<QString> {
        SavePreset = dlg.FileName;
        if (SaveAnswers.empty())
            return std::nullopt;
        const std::optional<QString> answer = SaveAnswers.front();
        SaveAnswers.erase(SaveAnswers.begin());
        return answer;
    });
    if (!runStartupOpen)
        Main().Timer1.stop();
}

void TEditor::Open(const QString &name)
{
    OpenAnswers.push_back(name);
    Main().OpenGBABINO1->trigger();
}

void AnswerNextBox(QMessageBox::StandardButton button, QString *text)
{
    QTimer::singleShot(0, [button, text] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (text)
            *text = box->text();
        box->button(button)->click();
    });
}

bool AllBlack(const QImage &image)
{
    if (image.isNull())
        return false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                return false;
    return true;
}

} // namespace kelptest

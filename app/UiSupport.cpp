#include "app/UiSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>

namespace kelp {

QFont UiFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic")});
    font.setPixelSize(12);
    return font;
}

QFont FixedFont(int pixelSize)
{
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QFont font;
    font.setFamilies({QStringLiteral("Terminal"), system.family()});
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(pixelSize);
    return font;
}

QString ToQString(const std::string &utf8) { return QString::fromStdString(utf8); }

QString DisplayText(const std::string &utf8)
{
    QString text = ToQString(utf8);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string FileNameOf(const QString &name) { return QFile::encodeName(name).toStdString(); }

QString FileNameToQString(const std::string &name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

void ShowMessage(QWidget *parent, const std::string &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(ApplicationTitle), DisplayText(text), QMessageBox::Ok,
                    parent);
    box.exec();
}

TMessageSink MessageBoxSink(QWidget *parent)
{
    return [parent](const std::string &text) { ShowMessage(parent, text); };
}

QStringList NameFiltersOf(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString &desc = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "kelpview PluginROM (txt.bin)" already names its pattern.
        if (desc.endsWith(QLatin1Char(')')) && desc.contains(QLatin1Char('(') + parts[i + 1] + QLatin1Char(')')))
            filters << desc;
        else
            filters << desc + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

TOpenDialog::TOpenDialog(QWidget *parent, const QString &filter, const QString &defaultExt)
    : parent_(parent), filter_(filter), defaultExt_(defaultExt)
{
}

QFileDialog &TOpenDialog::Dialog()
{
    if (!dialog_) {
        dialog_ = std::make_unique<QFileDialog>(parent_);
        // Qt's own dialog on every desktop, so it looks and behaves the same everywhere.
        dialog_->setOption(QFileDialog::DontUseNativeDialog);
        dialog_->setAcceptMode(QFileDialog::AcceptOpen);
        // A name that does not exist is accepted; the command reports it.
        dialog_->setFileMode(QFileDialog::AnyFile);
        dialog_->setDefaultSuffix(defaultExt_);
        dialog_->setNameFilters(NameFiltersOf(filter_));
    }
    return *dialog_;
}

void TOpenDialog::SetFilter(const QString &filter)
{
    filter_ = filter;
    if (dialog_)
        dialog_->setNameFilters(NameFiltersOf(filter));
}

bool TOpenDialog::Execute()
{
    if (answer_) {
        const std::optional<QString> answer = answer_(*this);
        if (!answer)
            return false;
        FileName = *answer;
        return true;
    }
    QFileDialog &dialog = Dialog();
    const QFileInfo current(FileName);
    dialog.setDirectory(FileName.isEmpty() ? QDir::currentPath() : current.absolutePath());
    dialog.selectNameFilter(dialog.nameFilters().value(0));
    if (!FileName.isEmpty())
        dialog.selectFile(current.fileName());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    FileName = chosen.first();
    return true;
}

} // namespace kelp

#include "engine/property/TOpenDialog.h"

#include "platform/dialogs/Dialogs.h"
#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"

#include <QFileDialog>

#include <vector>

using platform::SjisToUtf16;
using platform::Utf16ToSjis;

namespace {

QString dialogText(const std::string& sjis) {
    return QString::fromStdU16String(SjisToUtf16(sjis));
}

std::vector<std::string_view> splitBars(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t bar = text.find('|', start);
        parts.push_back(text.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) return parts;
        start = bar + 1;
    }
}

} // namespace

QStringList QtNameFilters(std::string_view filter) {
    QStringList out;
    if (filter.empty()) return out;
    std::vector<std::string_view> parts = splitBars(filter);
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p :
             dialogText(std::string(parts[i + 1])).split(u';', Qt::SkipEmptyParts)) {
            QString pattern = p.trimmed();
            patterns << (pattern == u"*.*" ? QStringLiteral("*") : pattern);
        }
        if (!patterns.isEmpty())
            out << dialogText(std::string(parts[i])) + QStringLiteral(" (") + patterns.join(u' ') +
                       u')';
    }
    return out;
}

bool TOpenDialog::Execute(QWidget* parent) {
    if (Runner) return Runner(*this);
    // Owned by its parent, not by this frame: a parent deleted while the
    // dialog is up takes it along, and exec then answers Rejected.
    auto* dialog = new QFileDialog(parent, dialogText(Title));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(FileMustExist || PathMustExist ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    // The texts already show their patterns, as the filter writes them.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setNameFilters(QtNameFilters(Filter));
    dialog->setDefaultSuffix(dialogText(DefaultExt));
    dialog->setSizeGripEnabled(EnableSizing);
    if (!InitialDir.empty())
        dialog->setDirectory(QString::fromStdString(platform::NativePath(InitialDir)));
    if (!FileName.empty())
        dialog->selectFile(QString::fromStdString(platform::NativePath(FileName)));
    QString chosen;
    QObject::connect(dialog, &QFileDialog::fileSelected,
                     [&chosen](const QString& file) { chosen = file; });
    if (dialog->exec() != QDialog::Accepted || chosen.isEmpty()) return false;
    std::string name = platform::PathFromNative(chosen.toStdString());
    // A name the system text cannot hold would come back naming another,
    // missing file.
    if (dialogText(name) != chosen) {
        platform::ShowMessage(platform::Utf8ToSjis("このファイル名には使えない文字があります。\n") +
                                  name,
                              platform::MessageKind::Error);
        return false;
    }
    FileName = std::move(name);
    return true;
}
